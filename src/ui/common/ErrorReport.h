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

// A button of a question: one of QMessageBox's standard buttons (Save,
// Discard, Cancel, ... in the language of Qt's translations), or a text of
// our own when `standard` is 0.
struct ChoiceButton
{
    int standard = 0; // QMessageBox::StandardButton
    QString text;
};

// Asks `text` with the buttons given, the first one the default; returns
// the index of the button chosen, or `escapeIndex` when the box is closed.
int AskChoice(QWidget* parent, const QString& text, const std::vector<ChoiceButton>& buttons, int escapeIndex,
              MessageIcon icon = MessageIcon::Question);

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
    // The button chosen in AskChoice questions; -1 (the default) answers as
    // closing the box would. A queue answers one question after the other.
    void SetChoice(int index) { m_choices = {index}; }
    void SetChoices(std::vector<int> indexes) { m_choices = std::move(indexes); }

private:
    friend void ShowMessage(QWidget*, const QString&, MessageIcon);
    friend bool AskQuestion(QWidget*, const QString&);
    friend int AskChoice(QWidget*, const QString&, const std::vector<ChoiceButton>&, int, MessageIcon);
    std::vector<ShownMessage> m_messages;
    bool m_answer = false;
    std::vector<int> m_choices;
    CMessageCapture* m_previous;
};
