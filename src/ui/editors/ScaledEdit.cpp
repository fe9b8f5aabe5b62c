#include "ui/editors/ScaledEdit.h"

#include "app/PrivateException.h"
#include "model/ScalingParameterResolver.h"

#include <QLineEdit>

namespace {
int g_quiet = 0; // windows live on one thread only
} // namespace

CQuietValidation::CQuietValidation()
{
    ++g_quiet;
}

CQuietValidation::~CQuietValidation()
{
    --g_quiet;
}

bool CQuietValidation::Active()
{
    return g_quiet > 0;
}

void SetScaledText(QLineEdit* edit, std::int32_t value, std::int32_t divisor)
{
    edit->setText(QString::fromStdString(CScalingParameterResolver::FormatScaled(value, divisor)));
}

std::int32_t ReadScaledText(QLineEdit* edit, std::int32_t minimum, std::int32_t maximum, std::int32_t divisor,
                            unsigned nameId)
{
    try {
        return CScalingParameterResolver::ParseScaled(edit->text().toStdString(), minimum, maximum, divisor, nameId);
    } catch (const CPrivateException&) {
        if (CQuietValidation::Active())
            throw;
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll(); // leaves the caret at the end, scrolled into view
        throw;
    }
}
