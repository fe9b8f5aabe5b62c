#include "ui/editors/pages/InputScalingPage.h"

#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/ScaledEdit.h"
#include "ui/editors/SettingDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CInputScalingPage::CInputScalingPage(QWidget* parent) : CInputPage(parent)
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
    // Read in this order, so the first rejected value is the one reported.
    m_binder.BindNumber(m_inputZero, image_words::kInputScalingZero, LimitsInputRange());
    m_binder.BindNumber(m_inputSpan, image_words::kInputScalingSpan, LimitsInputRange());
    m_binder.BindNumber(m_displayZero, image_words::kDisplayScalingZero, LimitsDisplayValue());
    m_binder.BindNumber(m_displaySpan, image_words::kDisplayScalingSpan, LimitsDisplayValue());
    m_binder.BindOptionList(m_type, image_words::kInputType, EOptionRule::Clamped);
    AddDecimalPointButton();
    AddSubDialogButton(pagetext::kLowEndCut, 1014, EInputSubDialog::LowEndCut);
    AddSubDialogButton(pagetext::kFilter, 1015, EInputSubDialog::Filter);
    AddSubDialogButton(pagetext::kForcedZero, 1016, EInputSubDialog::ForcedZero);
    connect(m_type, &QComboBox::activated, this, &CInputScalingPage::OnTypeChosen);
}

void CInputScalingPage::Load()
{
    m_binder.Load();
}

void CInputScalingPage::Store()
{
    m_binder.Store();
}

void CInputScalingPage::OnTypeChosen(int index)
{
    if (!m_image || index < 0)
        return;
    const bool done = RunCommand(this, [this, index] {
        m_image->SetWord(image_words::kInputType, static_cast<std::uint16_t>(index));
        // The new type's range goes into the input scaling edits only; the
        // image takes them at the next store.
        const CScalingParameterResolver scaling(*m_image);
        SetScaledText(m_inputZero, scaling.InputRangeMinimum(), scaling.InputScale());
        SetScaledText(m_inputSpan, scaling.InputRangeMaximum(), scaling.InputScale());
        if (m_image->GetWord(image_words::kAnalogFunction) == 1) {
            m_image->SetLong(image_words::kAnalogOutput0, scaling.InputRangeMinimum());
            m_image->SetLong(image_words::kAnalogOutput100, scaling.InputRangeMaximum());
        }
        AfterTypeChange();
    });
    if (!done)
        m_binder.Load(m_type);
}
