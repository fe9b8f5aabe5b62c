#pragma once
// One row of the meter's register map and the word order rule that moves a
// row between the register image and the registers on the wire.

#include <cstdint>

class CRegisterImage;

struct SRegisterBlock
{
    std::int32_t reg;       // first zero-based register address
    std::int32_t count;     // number of values
    std::int32_t firstWord; // image word receiving the first value
    std::int32_t width;     // kW16: one register per value; kW32: two
    std::uint8_t flush;     // a download sends what it collected up to this row
    std::uint32_t mask;     // row exists when mask AND the model's flags is not 0
};

inline constexpr std::int32_t kW16 = 0;
inline constexpr std::int32_t kW32 = 1;

// Registers (and image words) the row occupies.
constexpr int RegisterCount(const SRegisterBlock& block)
{
    return block.count * (block.width == kW32 ? 2 : 1);
}

constexpr bool BlockApplies(const SRegisterBlock& block, std::uint32_t flags)
{
    return (block.mask & flags) != 0;
}

// Stores RegisterCount(block) register values read from the meter into the
// image. With word swap on (Long register = 1) the meter sends the high word
// of a 32-bit value first; the image always holds the low word first.
void StoreBlockRegisters(CRegisterImage& image, const SRegisterBlock& block, bool wordSwap,
                         const std::uint16_t* registers);

// Fills RegisterCount(block) register values to write to the meter, in the
// meter's word order.
void LoadBlockRegisters(const CRegisterImage& image, const SRegisterBlock& block, bool wordSwap,
                        std::uint16_t* registers);
