#pragma once
// The RTD input page.

#include "ui/editors/pages/InputTemperaturePage.h"

class CInputRPage : public CInputTemperaturePage
{
    Q_OBJECT
public:
    explicit CInputRPage(QWidget* parent = nullptr);
    EInputKind Kind() const override { return EInputKind::RTD; }

protected:
    void AfterStore() override;
};
