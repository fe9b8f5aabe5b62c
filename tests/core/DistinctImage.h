#pragma once
// Settings a meter cannot have come by chance: every word of every row the
// model has gets a value of its own, base + word × step.

#include "model/BlockTable.h"
#include "model/RegisterImage.h"

#include <cstdint>

namespace testsupport {

inline CRegisterImage DistinctImage(int code, unsigned base, unsigned step)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    for (const SRegisterBlock& b : kBlockTable)
        if (BlockApplies(b, image.CapabilityFlags()))
            for (int w = 0; w < RegisterCount(b); ++w)
                image.SetWord(b.firstWord + w, static_cast<std::uint16_t>(base + (b.firstWord + w) * step));
    return image;
}

} // namespace testsupport
