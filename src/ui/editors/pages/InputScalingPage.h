#pragma once
// The DC and AC pages: input type, input and display scaling, and the
// decimal point, low-end cut, filter and forced zero buttons.

#include "ui/editors/pages/InputPageInterface.h"

class CInputScalingPage : public CInputPage
{
    Q_OBJECT
public:
    void Load() override;
    void Store() override;

    QComboBox* TypeList() const { return m_type; }
    QLineEdit* InputZero() const { return m_inputZero; }
    QLineEdit* InputSpan() const { return m_inputSpan; }
    QLineEdit* DisplayZero() const { return m_displayZero; }
    QLineEdit* DisplaySpan() const { return m_displaySpan; }

protected:
    // The type texts are the model's input types (voltage or current).
    explicit CInputScalingPage(QWidget* parent);
    // What a confirmed type change does beyond the common steps.
    virtual void AfterTypeChange() {}

private:
    void OnTypeChosen(int index);

    QComboBox* m_type;
    QLineEdit* m_inputZero;
    QLineEdit* m_inputSpan;
    QLineEdit* m_displayZero;
    QLineEdit* m_displaySpan;
};
