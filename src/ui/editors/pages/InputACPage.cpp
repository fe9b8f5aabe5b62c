#include "ui/editors/pages/InputACPage.h"

// "0.0000 to 0.2000 Vac" ... and "0.0000 to 0.2000 mAac" ...
CInputACPage::CInputACPage(QWidget* parent) : CInputScalingPage(parent) {}

void CInputACPage::AfterTypeChange()
{
    // A cut-off set for one range means nothing in another: back to "OFF".
    m_image->SetWord(image_words::kLowEndCutout, 0);
    m_image->SetWord(image_words::kCutBelow, 0);
}
