#pragma once
// Numeric text boxes: a stored integer shown divided by its scale, and typed
// text read back with the range check. A rejected text leaves the box focused
// with its whole text selected before the range message is thrown, so the
// user sees the message and then corrects the value in place.

#include <QString>
#include <cstdint>

class QLineEdit;

// FormatScaled of `value` with `divisor`, as text of `edit`.
void SetScaledText(QLineEdit* edit, std::int32_t value, std::int32_t divisor);

// ParseScaled of the text of `edit`. On failure focuses `edit`, selects all
// of it and throws CPrivateException with message 11000 (naming string
// `nameId` and the limits).
std::int32_t ReadScaledText(QLineEdit* edit, std::int32_t minimum, std::int32_t maximum, std::int32_t divisor,
                            unsigned nameId);

// While one lives, a rejected text throws without touching the focus or the
// selection: the window tries its fields after each edit, and a value still
// being typed must not pull the focus back while the user moves on.
class CQuietValidation
{
public:
    CQuietValidation();
    ~CQuietValidation();
    CQuietValidation(const CQuietValidation&) = delete;
    CQuietValidation& operator=(const CQuietValidation&) = delete;
    static bool Active();
};
