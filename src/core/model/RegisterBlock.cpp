#include "model/RegisterBlock.h"

#include "model/RegisterImage.h"

#include <stdexcept>

namespace {

void CheckBlock(const SRegisterBlock& block)
{
    if (block.count < 0 || block.firstWord < 0 || block.firstWord + RegisterCount(block) > CRegisterImage::kWordCount)
        throw std::out_of_range("register block outside the image");
}

// Swapping is only ever about the two halves of one 32-bit value.
bool Swaps(const SRegisterBlock& block, bool wordSwap)
{
    return wordSwap && block.width == kW32;
}

} // namespace

void StoreBlockRegisters(CRegisterImage& image, const SRegisterBlock& block, bool wordSwap,
                         const std::uint16_t* registers)
{
    CheckBlock(block);
    auto words = image.Words().subspan(static_cast<std::size_t>(block.firstWord),
                                       static_cast<std::size_t>(RegisterCount(block)));
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = registers[Swaps(block, wordSwap) ? i ^ 1u : i];
}

void LoadBlockRegisters(const CRegisterImage& image, const SRegisterBlock& block, bool wordSwap,
                        std::uint16_t* registers)
{
    CheckBlock(block);
    auto words = image.Words().subspan(static_cast<std::size_t>(block.firstWord),
                                       static_cast<std::size_t>(RegisterCount(block)));
    for (std::size_t i = 0; i < words.size(); ++i)
        registers[Swaps(block, wordSwap) ? i ^ 1u : i] = words[i];
}
