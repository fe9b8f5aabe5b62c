#include "ui/app/ErrorReport.h"

#include "app/PrivateException.h"
#include "ui/app/UiText.h"

#include <QMessageBox>

namespace {
CMessageCapture* g_capture = nullptr; // windows live on one thread only
}

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
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (g_capture) {
        const_cast<std::vector<ShownMessage>&>(g_capture->Messages()).push_back({shown, icon});
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
