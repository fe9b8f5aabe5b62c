#include "ui/editors/pages/InputRPage.h"

namespace {
constexpr int kTemperatureUnitWord = image_words::kTemperatureUnit;
constexpr int kDecimalFractionsWord = image_words::kDecimalFractions;
} // namespace

// "JPt100 (JIS'89)" ... "Pt1000"
CInputRPage::CInputRPage(QWidget* parent) : CInputTemperaturePage(parent) {}

void CInputRPage::AfterStore()
{
    // An RTD reading in degF shows one decimal place at most.
    if (m_image->GetWord(kTemperatureUnitWord) == 1 && m_image->GetWord(kDecimalFractionsWord) == 2)
        m_image->SetWord(kDecimalFractionsWord, 1);
}
