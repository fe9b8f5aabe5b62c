#pragma once
// Texts the meter keeps in registers. The tag holds one UTF-16 code unit per
// register; the model text and the serial number hold two 8-bit characters
// per register, the first in the low-order byte. A text ends at its first
// zero character or after its last register. Texts here are UTF-8.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// UTF-16 code units up to the first zero; a lone surrogate becomes U+FFFD.
std::string TextFromUtf16Registers(std::span<const std::uint16_t> registers);

// Two 8-bit characters per register, low byte first, read in the Windows
// Western code page (cp1252) the meter's texts were written for.
std::string TextFromByteRegisters(std::span<const std::uint16_t> registers);

// `text` as UTF-16 code units padded with zeros to `registerCount`; nothing
// when the text is not valid UTF-8 or needs more than `registerCount` units.
std::optional<std::vector<std::uint16_t>> Utf16RegistersFromText(std::string_view text, std::size_t registerCount);
