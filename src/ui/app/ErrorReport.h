#pragma once
// The one way a failure reaches the user: every command handler runs inside
// RunCommand, which shows a CPrivateException (or any std::exception) in a
// message box with the stop icon. Tests install a sink and read what the
// user would have seen, instead of a modal box.

#include <QString>
#include <functional>
#include <vector>

class QWidget;

enum class MessageIcon { Stop, Error, Warning, Information, Question };

struct ShownMessage
{
    QString text;
    MessageIcon icon;
};

// Shows `text` (message-table text, "\r" breaks allowed) in a message box.
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon);

// Runs `command`; an exception is shown with the stop icon and false is
// returned. Exceptions never cross Qt's event loop.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

// While alive, messages are collected here instead of being shown.
class CMessageCapture
{
public:
    CMessageCapture();
    ~CMessageCapture();
    CMessageCapture(const CMessageCapture&) = delete;
    CMessageCapture& operator=(const CMessageCapture&) = delete;

    const std::vector<ShownMessage>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }

private:
    std::vector<ShownMessage> m_messages;
    CMessageCapture* m_previous;
};
