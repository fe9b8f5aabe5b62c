#pragma once
// The DC voltage and current input page.

#include "ui/editors/pages/InputScalingPage.h"

class CInputVPage : public CInputScalingPage
{
    Q_OBJECT
public:
    explicit CInputVPage(QWidget* parent = nullptr);
    EInputKind Kind() const override { return EInputKind::DC; }
};
