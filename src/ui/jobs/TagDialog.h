#pragma once
// "Tag Setting": the meter's tag in one text box of at most 16 characters
// (one register per UTF-16 code unit).

#include <QDialog>

class QLineEdit;
class QPushButton;

class CTagDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CTagDialog(const QString& tag, QWidget* parent = nullptr);

    QString Tag() const;
    QLineEdit* TagEdit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QLineEdit* m_edit;
    QPushButton* m_ok;
};
