#include "ui/editors/pages/InputTemperaturePage.h"

#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/editors/SettingDialog.h"

#include <QComboBox>

namespace {
constexpr int kInputTypeWord = 0;
constexpr int kTemperatureUnitWord = 1;
constexpr int kBargraphLowerWord = 32;
constexpr int kBargraphUpperWord = 34;
constexpr int kAnalogZeroWord = 62;
constexpr int kAnalogSpanWord = 64;
constexpr unsigned kUnitOptions = 3000; // "degC", "degF"
} // namespace

CInputTemperaturePage::CInputTemperaturePage(unsigned typeBase, int typeCount, QWidget* parent)
    : CInputPage(parent), m_typeBase(typeBase), m_typeCount(typeCount)
{
    m_type = AddList(0, pagetext::kType, 1008);
    m_unit = AddList(1, pagetext::kTemperatureUnit, 1019);
    AddSubDialogButton(pagetext::kFilter, 1015, EInputSubDialog::Filter);
    AddSubDialogButton(pagetext::kBurnout, 1016, EInputSubDialog::Burnout);
    AddSubDialogButton(pagetext::kAdjust, 1017, EInputSubDialog::Adjust);
    AddSubDialogButton(pagetext::kLowEndCut, 1014, EInputSubDialog::LowEndCut);
    connect(m_type, &QComboBox::activated, this, &CInputTemperaturePage::OnTypeChosen);
}

void CInputTemperaturePage::Load()
{
    m_type->clear();
    FillOptionList(m_type, m_typeBase, m_typeCount);
    m_type->setCurrentIndex(ShownOptionIndex(m_image->GetWord(kInputTypeWord), m_typeCount, EOptionRule::Clamped));
    m_unit->clear();
    FillOptionList(m_unit, kUnitOptions, 2);
    m_unit->setCurrentIndex(ShownOptionIndex(m_image->GetWord(kTemperatureUnitWord), 2, EOptionRule::TwoWay));
}

void CInputTemperaturePage::Store()
{
    if (m_type->currentIndex() >= 0)
        m_image->SetWord(kInputTypeWord, static_cast<std::uint16_t>(m_type->currentIndex()));
    if (m_unit->currentIndex() >= 0)
        m_image->SetWord(kTemperatureUnitWord, static_cast<std::uint16_t>(m_unit->currentIndex()));
    AfterStore();
}

void CInputTemperaturePage::OnTypeChosen(int index)
{
    if (!m_image || index < 0)
        return;
    RunCommand(this, [this, index] {
        m_image->SetWord(kInputTypeWord, static_cast<std::uint16_t>(index));
        // The sensor's range becomes the bar graph's and the analog output's.
        const CScalingParameterResolver scaling(*m_image);
        m_image->SetLong(kBargraphLowerWord, scaling.InputRangeMinimum());
        m_image->SetLong(kBargraphUpperWord, scaling.InputRangeMaximum());
        m_image->SetLong(kAnalogZeroWord, scaling.InputRangeMinimum());
        m_image->SetLong(kAnalogSpanWord, scaling.InputRangeMaximum());
        Ask(kRefresh);
    });
}
