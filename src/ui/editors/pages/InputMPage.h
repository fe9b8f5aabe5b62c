#pragma once
// The potentiometer input page: display scaling and the decimal point, low-end
// cut, filter and forced zero buttons.

#include "ui/editors/pages/InputPageInterface.h"

class CInputMPage : public CInputPage
{
    Q_OBJECT
public:
    explicit CInputMPage(QWidget* parent = nullptr);
    EInputKind Kind() const override { return EInputKind::PTM; }
    void Load() override;
    void Store() override;

    QLineEdit* DisplayZero() const { return m_displayZero; }
    QLineEdit* DisplaySpan() const { return m_displaySpan; }

private:
    QLineEdit* m_displayZero;
    QLineEdit* m_displaySpan;
};
