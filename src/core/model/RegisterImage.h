#pragma once
// The whole configurable state of one meter: 211 parameter words and the
// identity of the model they belong to. A plain value type, copied whole; a
// new image holds the factory values and the identity of model code 0.
// 32-bit parameters take two words, low-order word first, two's complement.

#include "model/DeviceType.h"
#include "model/RegisterMap.h"

#include <array>
#include <cstdint>
#include <span>

class CRegisterImage
{
public:
    static constexpr int kWordCount = 211;
    static constexpr int kBankCount = 8;

    // Alarm trip points in the order the alarm grid shows them.
    enum TripPoint { TripHH = 0, TripH = 1, TripP = 2, TripL = 3, TripLL = 4 };

    CRegisterImage();

    // Copies the words and the identity.
    void Assign(const CRegisterImage& source) { *this = source; }

    // Index 0 ... 210; std::out_of_range otherwise.
    std::uint16_t GetWord(int index) const;
    void SetWord(int index, std::uint16_t value);
    // The pair index, index + 1 (index 0 ... 209).
    std::int32_t GetLong(int index) const;
    void SetLong(int index, std::int32_t value);

    std::span<std::uint16_t, kWordCount> Words() { return m_words; }
    std::span<const std::uint16_t, kWordCount> Words() const { return m_words; }

    const CDeviceType& Identity() const { return m_identity; }
    CDeviceType& Identity() { return m_identity; }
    void SetIdentity(const CDeviceType& identity) { m_identity = identity; }

    // Flags of the identity; 0 when it names no model.
    std::uint32_t CapabilityFlags() const { return m_identity.CapabilityFlags(); }

    // Bank No. (word 86) when Bank switching (word 85) is 1, otherwise 1. A
    // bank number outside 1 ... 8 (from a file or a meter) counts as bank 1.
    int CurrentBank() const;

    // Offset of the trip point's detail block from word 183.
    static int DetailBlockOffset(TripPoint tripPoint);
    // First word of the trip point's detail block (trip action / direction,
    // deadband, ON delay, OFF delay, one-shot time, coil at alarm). P has no
    // trip action and deadband: only the last four words of its block are P's.
    static int DetailBlockWord(TripPoint tripPoint)
    {
        return image_words::kFirstDetailWord + DetailBlockOffset(tripPoint);
    }
    // Enable word and first setpoint word of a trip point in bank 1 ... 8.
    // P has no bank entry: std::out_of_range, as for a bank outside 1 ... 8.
    static int BankEnableWord(int bank, TripPoint tripPoint);
    static int BankSetpointWord(int bank, TripPoint tripPoint) { return BankEnableWord(bank, tripPoint) + 1; }

    // Sets the identity to model `code`. When the input kind changes, or
    // `force` is true, the words go back to the factory values plus the
    // defaults of the new model's input kind; otherwise they stay.
    void ResetForModel(int code, bool force);

    friend bool operator==(const CRegisterImage& a, const CRegisterImage& b)
    {
        return a.m_words == b.m_words && a.m_identity == b.m_identity;
    }

private:
    void ApplyModelDefaults();
    // Bargraph and analog output pairs always; the scaling pairs when asked.
    void SetPairs(bool inputScaling, bool displayScaling, std::int32_t zero, std::int32_t span);
    void SetAlarms(std::int32_t h, std::int32_t l, std::int32_t hh, std::int32_t ll);

    std::array<std::uint16_t, kWordCount> m_words{};
    CDeviceType m_identity;
};
