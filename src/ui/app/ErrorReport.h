#pragma once
// The one way a failure reaches the user: every command handler runs inside
// RunCommand, which shows a CPrivateException (or any std::exception) in a
// message box with the stop icon. Tests install a sink and read what the
// user would have seen, instead of a modal box; the same sink answers the
// questions a command asks.

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

// Asks `text` with Yes and No buttons and the question icon; true for Yes.
bool AskQuestion(QWidget* parent, const QString& text);

// Runs `command`; an exception is shown with the stop icon and false is
// returned. Exceptions never cross Qt's event loop.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

// While alive, messages are collected here instead of being shown, and
// questions are collected (icon Question) and answered with Answer().
class CMessageCapture
{
public:
    CMessageCapture();
    ~CMessageCapture();
    CMessageCapture(const CMessageCapture&) = delete;
    CMessageCapture& operator=(const CMessageCapture&) = delete;

    const std::vector<ShownMessage>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }
    // The answer to questions: No unless told otherwise.
    void SetAnswer(bool yes) { m_answer = yes; }
    bool Answer() const { return m_answer; }

private:
    friend void ShowMessage(QWidget*, const QString&, MessageIcon);
    friend bool AskQuestion(QWidget*, const QString&);
    std::vector<ShownMessage> m_messages;
    bool m_answer = false;
    CMessageCapture* m_previous;
};
