#include "ui/editors/pages/InputVPage.h"

// "1.0000 to 5.0000 Vdc" ... and "4.000 to 20.000 mAdc" ...
CInputVPage::CInputVPage(QWidget* parent) : CInputScalingPage(parent) {}
