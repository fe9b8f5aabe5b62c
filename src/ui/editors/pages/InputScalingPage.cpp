#include "ui/editors/pages/InputScalingPage.h"

#include "model/CapabilityFlags.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/ScaledEdit.h"
#include "ui/editors/SettingDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {
constexpr int kTypeCount = 4;
constexpr int kInputTypeWord = 0;
constexpr int kInputZeroWord = 2;
constexpr int kInputSpanWord = 4;
constexpr int kDisplayZeroWord = 6;
constexpr int kDisplaySpanWord = 8;
constexpr int kAnalogFunctionWord = 61;
constexpr int kAnalogZeroWord = 62;
constexpr int kAnalogSpanWord = 64;
} // namespace

CInputScalingPage::CInputScalingPage(unsigned voltageBase, unsigned currentBase, QWidget* parent)
    : CInputPage(parent), m_voltageBase(voltageBase), m_currentBase(currentBase)
{
    m_type = AddList(0, pagetext::kType, 1008);
    Grid()->addWidget(new QLabel(UiText(pagetext::kZero), this), 1, 1);
    Grid()->addWidget(new QLabel(UiText(pagetext::kSpan), this), 1, 2);
    auto* input = new QLabel(UiText(pagetext::kInputScaling), this);
    auto* display = new QLabel(UiText(pagetext::kDisplayScaling), this);
    m_inputZero = MakeEdit(1009, pagetext::kInputZeroName);
    m_inputSpan = MakeEdit(1011, pagetext::kInputSpanName);
    m_displayZero = MakeEdit(1010, pagetext::kDisplayZeroName);
    m_displaySpan = MakeEdit(1012, pagetext::kDisplaySpanName);
    input->setBuddy(m_inputZero);
    display->setBuddy(m_displayZero);
    Grid()->addWidget(input, 2, 0);
    Grid()->addWidget(m_inputZero, 2, 1);
    Grid()->addWidget(m_inputSpan, 2, 2);
    Grid()->addWidget(display, 3, 0);
    Grid()->addWidget(m_displayZero, 3, 1);
    Grid()->addWidget(m_displaySpan, 3, 2);
    AddDecimalPointButton();
    AddSubDialogButton(pagetext::kLowEndCut, 1014, EInputSubDialog::LowEndCut);
    AddSubDialogButton(pagetext::kFilter, 1015, EInputSubDialog::Filter);
    AddSubDialogButton(pagetext::kForcedZero, 1016, EInputSubDialog::ForcedZero);
    connect(m_type, &QComboBox::activated, this, &CInputScalingPage::OnTypeChosen);
}

void CInputScalingPage::FillTypeList()
{
    m_type->clear();
    const bool current = (m_image->CapabilityFlags() & CAP_CURRENT_INPUT) != 0;
    FillOptionList(m_type, current ? m_currentBase : m_voltageBase, kTypeCount);
    m_type->setCurrentIndex(ShownOptionIndex(m_image->GetWord(kInputTypeWord), kTypeCount, EOptionRule::Clamped));
}

void CInputScalingPage::Load()
{
    FillTypeList();
    const CScalingParameterResolver scaling(*m_image);
    SetScaledText(m_inputZero, m_image->GetLong(kInputZeroWord), scaling.InputScale());
    SetScaledText(m_inputSpan, m_image->GetLong(kInputSpanWord), scaling.InputScale());
    SetScaledText(m_displayZero, m_image->GetLong(kDisplayZeroWord), scaling.DisplayScale());
    SetScaledText(m_displaySpan, m_image->GetLong(kDisplaySpanWord), scaling.DisplayScale());
}

void CInputScalingPage::Store()
{
    const CScalingParameterResolver scaling(*m_image);
    const auto inputMin = scaling.InputRangeMinimum(), inputMax = scaling.InputRangeMaximum();
    const auto displayMin = scaling.DisplayValueMinimum(), displayMax = scaling.DisplayValueMaximum();
    // Read in this order, so the first rejected value is the one reported.
    m_image->SetLong(kInputZeroWord, ReadScaledText(m_inputZero, inputMin, inputMax, scaling.InputScale(),
                                                    pagetext::kInputZeroName));
    m_image->SetLong(kInputSpanWord, ReadScaledText(m_inputSpan, inputMin, inputMax, scaling.InputScale(),
                                                    pagetext::kInputSpanName));
    m_image->SetLong(kDisplayZeroWord, ReadScaledText(m_displayZero, displayMin, displayMax,
                                                      scaling.DisplayScale(), pagetext::kDisplayZeroName));
    m_image->SetLong(kDisplaySpanWord, ReadScaledText(m_displaySpan, displayMin, displayMax,
                                                      scaling.DisplayScale(), pagetext::kDisplaySpanName));
    if (m_type->currentIndex() >= 0)
        m_image->SetWord(kInputTypeWord, static_cast<std::uint16_t>(m_type->currentIndex()));
}

void CInputScalingPage::OnTypeChosen(int index)
{
    if (!m_image || index < 0)
        return;
    const bool done = RunCommand(this, [this, index] {
        m_image->SetWord(kInputTypeWord, static_cast<std::uint16_t>(index));
        // The new type's range goes into the input scaling edits only; the
        // image takes them at the next store.
        const CScalingParameterResolver scaling(*m_image);
        SetScaledText(m_inputZero, scaling.InputRangeMinimum(), scaling.InputScale());
        SetScaledText(m_inputSpan, scaling.InputRangeMaximum(), scaling.InputScale());
        if (m_image->GetWord(kAnalogFunctionWord) == 1) {
            m_image->SetLong(kAnalogZeroWord, scaling.InputRangeMinimum());
            m_image->SetLong(kAnalogSpanWord, scaling.InputRangeMaximum());
        }
        AfterTypeChange();
    });
    if (!done)
        FillTypeList();
}
