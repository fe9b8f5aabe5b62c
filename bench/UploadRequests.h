#pragma once
// The reads of a whole-meter upload, for the reference clients.

#include "model/BlockTable.h"

#include <cstdint>
#include <vector>

namespace bench {

struct Request
{
    int reg;
    int count;
};

// What an upload reads: the word order, the identity, the serial number,
// then every block the model has.
inline std::vector<Request> UploadRequests(std::uint32_t flags)
{
    std::vector<Request> out{{7006, 1}, {9600, 1}, {9601, 1}, {9605, 8}};
    for (const SRegisterBlock& b : kBlockTable)
        if (BlockApplies(b, flags))
            out.push_back({b.reg, RegisterCount(b)});
    return out;
}

} // namespace bench
