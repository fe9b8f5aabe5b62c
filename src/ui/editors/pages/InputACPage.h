#pragma once
// The AC voltage and current input page.

#include "ui/editors/pages/InputScalingPage.h"

class CInputACPage : public CInputScalingPage
{
    Q_OBJECT
public:
    explicit CInputACPage(QWidget* parent = nullptr);
    EInputKind Kind() const override { return EInputKind::AC; }

protected:
    void AfterTypeChange() override;
};
