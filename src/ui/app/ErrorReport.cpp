#include "ui/app/ErrorReport.h"

#include "app/PrivateException.h"
#include "ui/app/UiText.h"

#include <QMessageBox>

namespace {
CMessageCapture* g_capture = nullptr; // windows live on one thread only

QString Shown(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}
} // namespace

CMessageCapture::CMessageCapture() : m_previous(g_capture)
{
    g_capture = this;
}

CMessageCapture::~CMessageCapture()
{
    g_capture = m_previous;
}

void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon)
{
    const QString shown = Shown(text);
    if (g_capture) {
        g_capture->m_messages.push_back({shown, icon});
        return;
    }
    QMessageBox::Icon boxIcon = QMessageBox::Critical;
    switch (icon) {
    case MessageIcon::Stop:
    case MessageIcon::Error: boxIcon = QMessageBox::Critical; break;
    case MessageIcon::Warning: boxIcon = QMessageBox::Warning; break;
    case MessageIcon::Information: boxIcon = QMessageBox::Information; break;
    case MessageIcon::Question: boxIcon = QMessageBox::Question; break;
    }
    QMessageBox box(boxIcon, UiText(uitext::kAppCaption), shown, QMessageBox::Ok, parent);
    box.exec();
}

bool AskQuestion(QWidget* parent, const QString& text)
{
    const QString shown = Shown(text);
    if (g_capture) {
        g_capture->m_messages.push_back({shown, MessageIcon::Question});
        return g_capture->m_answer;
    }
    QMessageBox box(QMessageBox::Question, UiText(uitext::kAppCaption), shown, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool RunCommand(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const CPrivateException& e) {
        ShowMessage(parent, QString::fromStdString(e.Text()), MessageIcon::Stop);
    } catch (const std::exception& e) {
        ShowMessage(parent, QString::fromStdString(e.what()), MessageIcon::Stop);
    }
    return false;
}
