#include "ui/common/ErrorReport.h"

#include "app/PrivateException.h"
#include "ui/common/UiText.h"

#include <QMessageBox>
#include <QPushButton>

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

int AskChoice(QWidget* parent, const QString& text, const std::vector<ChoiceButton>& buttons, int escapeIndex,
              MessageIcon icon)
{
    const QString shown = Shown(text);
    if (g_capture) {
        g_capture->m_messages.push_back({shown, icon});
        int choice = -1;
        if (!g_capture->m_choices.empty()) {
            choice = g_capture->m_choices.front();
            // The last answer stays for every further question.
            if (g_capture->m_choices.size() > 1)
                g_capture->m_choices.erase(g_capture->m_choices.begin());
        }
        return choice >= 0 && choice < static_cast<int>(buttons.size()) ? choice : escapeIndex;
    }
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Question,
                    UiText(uitext::kAppCaption), shown, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> added;
    for (const ChoiceButton& b : buttons) {
        if (b.standard)
            added.push_back(box.addButton(static_cast<QMessageBox::StandardButton>(b.standard)));
        else
            added.push_back(box.addButton(b.text, QMessageBox::ActionRole));
    }
    if (!added.empty())
        box.setDefaultButton(qobject_cast<QPushButton*>(added.front()));
    if (escapeIndex >= 0 && escapeIndex < static_cast<int>(added.size()))
        box.setEscapeButton(added[static_cast<std::size_t>(escapeIndex)]);
    box.exec();
    for (std::size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            return static_cast<int>(i);
    return escapeIndex;
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
