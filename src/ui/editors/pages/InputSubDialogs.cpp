// The input pages' buttons and the dialogs they open.
#include "ui/editors/dialogs/InputDialogs.h"
#include "ui/editors/pages/InputPageInterface.h"

namespace {
template <typename TDialog>
bool Run(QWidget* parent, CRegisterImage& image)
{
    TDialog dialog(parent);
    return RunSettingDialog(dialog, image);
}
} // namespace

bool RunInputSubDialog(QWidget* parent, EInputSubDialog kind, CRegisterImage& image)
{
    switch (kind) {
    case EInputSubDialog::DecimalPoint: return Run<CDecimalPointDialog>(parent, image);
    case EInputSubDialog::LowEndCut: return Run<CZeroLimitDialog>(parent, image);
    case EInputSubDialog::Filter: return Run<CFilterDialog>(parent, image);
    case EInputSubDialog::ForcedZero: return Run<CForceZeroDialog>(parent, image);
    case EInputSubDialog::Adjust: return Run<CAdjustDialog>(parent, image);
    case EInputSubDialog::Burnout: return Run<CBurnoutDialog>(parent, image);
    case EInputSubDialog::ColdJunction: return Run<CCJCDialog>(parent, image);
    }
    return false;
}
