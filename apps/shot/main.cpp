// q6k-shot: renders a window of the program to a PNG file, without a
// display (offscreen platform), for the README's pictures and for review.
//   q6k-shot --list
//   q6k-shot [--language N] WINDOW OUT.png
// --language N shows the window in display language N (0 English,
// 1 Japanese), with the module found next to q6k-shot.
#include "Windows.h"

#include "app/Language.h"
#include "ui/app/OptionDialog.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto& windows = ShotWindows();
    if (argc == 2 && QString(argv[1]) == "--list") {
        for (const auto& w : windows)
            std::printf("%s\n", w.name);
        return 0;
    }
    int language = -1;
    if (argc == 5 && QString(argv[1]) == "--language") {
        bool ok = false;
        language = QString(argv[2]).toInt(&ok);
        if (!ok || language < 0 || language >= kLanguageCount) {
            std::fprintf(stderr, "q6k-shot: no display language %s\n", argv[2]);
            return 2;
        }
        argv += 2;
        argc -= 2;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: q6k-shot --list | q6k-shot [--language N] WINDOW OUT.png\n");
        return 2;
    }
    if (language >= 0 && !LoadDisplayLanguage(language)) {
        std::fprintf(stderr, "q6k-shot: the module of display language %d cannot be loaded\n", language);
        return 1;
    }
    for (const auto& w : windows) {
        if (QString(argv[1]) != w.name)
            continue;
        std::unique_ptr<QWidget> widget = w.make();
        if (!widget) {
            std::fprintf(stderr, "q6k-shot: %s cannot be made\n", argv[1]);
            return 1;
        }
        if (!widget->testAttribute(Qt::WA_Resized)) // a window may set its own size
            widget->adjustSize();
        // Rendered, not shown: showing a window may start its work. A
        // window's title goes in a bar above it, as a frame would show it.
        // "[*]" marks where a window shows that it holds unsaved changes.
        QString title = widget->isWindow() ? widget->windowTitle() : QString();
        title.replace(QStringLiteral("[*]"), widget->isWindowModified() ? QStringLiteral("*") : QString());
        const int bar = title.isEmpty() ? 0 : widget->fontMetrics().height() + 10;
        QPixmap pixmap(widget->width(), widget->height() + bar);
        pixmap.fill(widget->palette().window().color());
        if (bar) {
            QPainter painter(&pixmap);
            painter.fillRect(0, 0, pixmap.width(), bar, QColor(70, 70, 80));
            QFont font = widget->font();
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(QRect(8, 0, pixmap.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, title);
        }
        widget->render(&pixmap, QPoint(0, bar));
        if (!pixmap.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
            std::fprintf(stderr, "q6k-shot: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "q6k-shot: no window named %s (see --list)\n", argv[1]);
    return 2;
}
