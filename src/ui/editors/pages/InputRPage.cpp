#include "ui/editors/pages/InputRPage.h"

// "JPt100 (JIS'89)" ... "Pt1000"
CInputRPage::CInputRPage(QWidget* parent) : CInputTemperaturePage(parent) {}

void CInputRPage::AfterStore()
{
    // An RTD reading in degF shows one decimal place at most.
    if (m_image->GetWord(image_words::kTemperatureUnit) == 1 && m_image->GetWord(image_words::kDecimalFractions) == 2)
        m_image->SetWord(image_words::kDecimalFractions, 1);
}
