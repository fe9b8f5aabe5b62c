#include "ui/editors/pages/InputTPage.h"

// "(PR)", "K(CA) 1" ... "L"
CInputTPage::CInputTPage(QWidget* parent) : CInputTemperaturePage(parent)
{
    AddSubDialogButton(pagetext::kColdJunction, 1018, EInputSubDialog::ColdJunction);
}
