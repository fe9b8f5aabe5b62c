#pragma once
// The thermocouple input page.

#include "ui/editors/pages/InputTemperaturePage.h"

class CInputTPage : public CInputTemperaturePage
{
    Q_OBJECT
public:
    explicit CInputTPage(QWidget* parent = nullptr);
    EInputKind Kind() const override { return EInputKind::TC; }
};
