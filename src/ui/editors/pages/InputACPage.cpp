#include "ui/editors/pages/InputACPage.h"

namespace {
constexpr int kLowEndCutoutWord = image_words::kLowEndCutout;
constexpr int kCutBelowWord = image_words::kCutBelow;
} // namespace

// "0.0000 to 0.2000 Vac" ... and "0.0000 to 0.2000 mAac" ...
CInputACPage::CInputACPage(QWidget* parent) : CInputScalingPage(parent) {}

void CInputACPage::AfterTypeChange()
{
    // A cut-off set for one range means nothing in another: back to "OFF".
    m_image->SetWord(kLowEndCutoutWord, 0);
    m_image->SetWord(kCutBelowWord, 0);
}
