#include "ui/editors/pages/InputMPage.h"

#include "ui/common/UiText.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CInputMPage::CInputMPage(QWidget* parent) : CInputPage(parent)
{
    Grid()->addWidget(new QLabel(UiText(pagetext::kPotentiometer), this), 0, 0, 1, 3);
    Grid()->addWidget(new QLabel(UiText(pagetext::kZero), this), 1, 1);
    Grid()->addWidget(new QLabel(UiText(pagetext::kSpan), this), 1, 2);
    auto* display = new QLabel(UiText(pagetext::kDisplayScaling), this);
    m_displayZero = MakeEdit(1010, pagetext::kDisplayZeroName);
    m_displaySpan = MakeEdit(1012, pagetext::kDisplaySpanName);
    display->setBuddy(m_displayZero);
    Grid()->addWidget(display, 2, 0);
    Grid()->addWidget(m_displayZero, 2, 1);
    Grid()->addWidget(m_displaySpan, 2, 2);
    m_binder.BindNumber(m_displayZero, image_words::kDisplayScalingZero, LimitsDisplayValue());
    m_binder.BindNumber(m_displaySpan, image_words::kDisplayScalingSpan, LimitsDisplayValue());
    AddDecimalPointButton();
    AddSubDialogButton(pagetext::kLowEndCut, 1014, EInputSubDialog::LowEndCut);
    AddSubDialogButton(pagetext::kFilter, 1015, EInputSubDialog::Filter);
    AddSubDialogButton(pagetext::kForcedZero, 1016, EInputSubDialog::ForcedZero);
}

void CInputMPage::Load()
{
    m_binder.Load();
}

void CInputMPage::Store()
{
    m_binder.Store();
}
