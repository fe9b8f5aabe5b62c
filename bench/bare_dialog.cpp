// The reference of the start-up benchmark: a bare Qt dialog with three
// widgets, started the way v6uvuv is, saying when it has been painted.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace {
class CBareDialog : public QDialog
{
protected:
    void paintEvent(QPaintEvent* event) override
    {
        QDialog::paintEvent(event);
        if (!m_painted) {
            m_painted = true;
            std::fputs("painted\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
        }
    }

private:
    bool m_painted = false;
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CBareDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Label"), &dialog));
    layout->addWidget(new QLineEdit(&dialog));
    layout->addWidget(new QPushButton(QStringLiteral("OK"), &dialog));
    dialog.show();
    return app.exec();
}
