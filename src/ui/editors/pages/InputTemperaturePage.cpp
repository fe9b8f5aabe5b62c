#include "ui/editors/pages/InputTemperaturePage.h"

#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/editors/SettingDialog.h"

#include <QComboBox>

CInputTemperaturePage::CInputTemperaturePage(QWidget* parent) : CInputPage(parent)
{
    m_type = AddList(0, pagetext::kType, 1008);
    m_unit = AddList(1, pagetext::kTemperatureUnit, 1019);
    m_binder.BindOptionList(m_type, image_words::kInputType, EOptionRule::Clamped);
    m_binder.BindOptionList(m_unit, image_words::kTemperatureUnit, EOptionRule::TwoWay); // "degC", "degF"
    AddSubDialogButton(pagetext::kFilter, 1015, EInputSubDialog::Filter);
    AddSubDialogButton(pagetext::kBurnout, 1016, EInputSubDialog::Burnout);
    AddSubDialogButton(pagetext::kAdjust, 1017, EInputSubDialog::Adjust);
    AddSubDialogButton(pagetext::kLowEndCut, 1014, EInputSubDialog::LowEndCut);
    connect(m_type, &QComboBox::activated, this, &CInputTemperaturePage::OnTypeChosen);
}

void CInputTemperaturePage::Load()
{
    m_binder.Load();
}

void CInputTemperaturePage::Store()
{
    m_binder.Store();
    AfterStore();
}

void CInputTemperaturePage::OnTypeChosen(int index)
{
    if (!m_image || index < 0)
        return;
    RunCommand(this, [this, index] {
        m_image->SetWord(image_words::kInputType, static_cast<std::uint16_t>(index));
        // The sensor's range becomes the bar graph's and the analog output's.
        const CScalingParameterResolver scaling(*m_image);
        m_image->SetLong(image_words::kBargraphLower, scaling.InputRangeMinimum());
        m_image->SetLong(image_words::kBargraphUpper, scaling.InputRangeMaximum());
        m_image->SetLong(image_words::kAnalogOutput0, scaling.InputRangeMinimum());
        m_image->SetLong(image_words::kAnalogOutput100, scaling.InputRangeMaximum());
        emit typeChanged();
    });
}
