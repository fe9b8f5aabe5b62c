#include "model/RegisterImage.h"

#include "model/CapabilityFlags.h"
#include "model/RegisterBlock.h"

#include <stdexcept>

namespace {

using namespace image_words;

constexpr int kWordsPerBank = 12;

// Detail block offsets and in-bank offsets by trip point (HH, H, P, L, LL).
constexpr int kDetailOffset[] = {18, 12, 22, 6, 0};
constexpr int kBankOffset[] = {9, 6, -1, 3, 0};

void CheckIndex(int index, int words)
{
    if (index < 0 || index + words > CRegisterImage::kWordCount)
        throw std::out_of_range("register image word index out of range");
}

void CheckTripPoint(int tripPoint)
{
    if (tripPoint < CRegisterImage::TripHH || tripPoint > CRegisterImage::TripLL)
        throw std::out_of_range("trip point out of range");
}

} // namespace

CRegisterImage::CRegisterImage()
{
    SetLong(kInputScalingZero, 10000);
    SetLong(kInputScalingSpan, 50000);
    SetLong(kDisplayScalingZero, -20000);
    SetLong(kDisplayScalingSpan, 20000);
    SetWord(kDecimalPoint, 3);
    SetWord(kBurnout, 1);
    SetWord(kColdJunction, 1);
    SetWord(kAveragingMode, 1);
    SetWord(kBargraphType, 1);
    SetLong(kBargraphLower, -20000);
    SetLong(kBargraphUpper, 20000);
    SetWord(kAutoReturnTime, 15);
    SetWord(kLockoutTransitionTime, 5);
    SetWord(kBacklight, 2);
    SetWord(kLcdContrast, 5);
    SetWord(kAlarmLockout, 1);
    SetWord(kAdvancedLockout, 1);
    for (int w = kBcdLogicFirst; w <= kBcdLogicLast; ++w)
        SetWord(w, 1);
    SetWord(kAnalogOutputType, 4);
    SetLong(kAnalogOutput0, -20000);
    SetLong(kAnalogOutput100, 20000);
    SetLong(kAnalogOutput100Adjust, 100000);
    SetWord(kDeviceAddress, 1);
    SetWord(kBaudRate, 5);
    SetWord(kParity, 1);
    SetWord(kT15Timer, 15);
    SetWord(kT35Timer, 35);
    SetWord(kTripAtOverRange, 1);
    SetWord(kBankNo, 1);
    SetWord(DetailBlockWord(TripLL), 1);     // LL trip action
    SetWord(DetailBlockWord(TripLL) + 1, 1); // LL deadband
    SetWord(DetailBlockWord(TripL), 1);      // L trip action
    SetWord(DetailBlockWord(TripL) + 1, 1);  // L deadband
    SetWord(DetailBlockWord(TripH) + 1, 1);  // H deadband
    SetWord(DetailBlockWord(TripHH) + 1, 1); // HH deadband
    m_identity.SetByCode(0);
}

std::uint16_t CRegisterImage::GetWord(int index) const
{
    CheckIndex(index, 1);
    return m_words[static_cast<std::size_t>(index)];
}

void CRegisterImage::SetWord(int index, std::uint16_t value)
{
    CheckIndex(index, 1);
    m_words[static_cast<std::size_t>(index)] = value;
}

std::int32_t CRegisterImage::GetLong(int index) const
{
    CheckIndex(index, 2);
    std::uint32_t low = m_words[static_cast<std::size_t>(index)];
    std::uint32_t high = m_words[static_cast<std::size_t>(index) + 1];
    return static_cast<std::int32_t>(low | (high << 16));
}

void CRegisterImage::SetLong(int index, std::int32_t value)
{
    CheckIndex(index, 2);
    auto bits = static_cast<std::uint32_t>(value);
    m_words[static_cast<std::size_t>(index)] = static_cast<std::uint16_t>(bits & 0xFFFFu);
    m_words[static_cast<std::size_t>(index) + 1] = static_cast<std::uint16_t>(bits >> 16);
}

int CRegisterImage::CurrentBank() const
{
    if (m_words[kBankSwitching] != 1)
        return 1;
    int bank = m_words[kBankNo];
    // A meter or file may hold any value here; bank 1 keeps the alarm words
    // inside the image.
    return bank >= 1 && bank <= kBankCount ? bank : 1;
}

int CRegisterImage::DetailBlockOffset(TripPoint tripPoint)
{
    CheckTripPoint(tripPoint);
    return kDetailOffset[tripPoint];
}

int CRegisterImage::BankEnableWord(int bank, TripPoint tripPoint)
{
    CheckTripPoint(tripPoint);
    if (tripPoint == TripP || bank < 1 || bank > kBankCount)
        throw std::out_of_range("trip point has no word in this bank");
    return kFirstBankWord + kWordsPerBank * (bank - 1) + kBankOffset[tripPoint];
}

void CRegisterImage::ResetForModel(int code, bool force)
{
    const unsigned previousKind = m_identity.InputKindTextId();
    m_identity.SetByCode(code);
    if (m_identity.InputKindTextId() == previousKind && !force)
        return;
    Assign(CRegisterImage());
    m_identity.SetByCode(code);
    ApplyModelDefaults();
}

void CRegisterImage::SetPairs(bool inputScaling, bool displayScaling, std::int32_t zero, std::int32_t span)
{
    if (inputScaling) {
        SetLong(kInputScalingZero, zero);
        SetLong(kInputScalingSpan, span);
    }
    if (displayScaling) {
        SetLong(kDisplayScalingZero, zero);
        SetLong(kDisplayScalingSpan, span);
    }
    SetLong(kBargraphLower, zero);
    SetLong(kBargraphUpper, span);
    SetLong(kAnalogOutput0, zero);
    SetLong(kAnalogOutput100, span);
}

void CRegisterImage::SetAlarms(std::int32_t h, std::int32_t l, std::int32_t hh, std::int32_t ll)
{
    const std::uint32_t flags = CapabilityFlags();
    const int bank = CurrentBank();
    auto set = [&](TripPoint tp, std::int32_t setpoint) {
        SetWord(BankEnableWord(bank, tp), 1);
        SetLong(BankSetpointWord(bank, tp), setpoint);
    };
    if (flags & (CAP_ALARMS | CAP_BCD_OUTPUT)) {
        set(TripH, h);
        set(TripL, l);
    }
    if (flags & (CAP_FOUR_ALARMS | CAP_BCD_OUTPUT)) {
        set(TripHH, hh);
        set(TripLL, ll);
    }
}

void CRegisterImage::ApplyModelDefaults()
{
    const std::uint32_t flags = CapabilityFlags();
    if (flags & CAP_DC_INPUT) {
        SetWord(kInputType, 0);
        if (flags & CAP_CURRENT_INPUT) {
            SetPairs(true, true, 4000, 20000);
            SetWord(kDecimalPoint, 3);
            SetAlarms(15200, 8800, 18400, 5600);
        } else {
            SetPairs(true, true, 10000, 50000);
            SetWord(kDecimalPoint, 4);
            SetAlarms(38000, 22000, 46000, 14000);
        }
    }
    if (flags & CAP_TC_INPUT) {
        SetWord(kInputType, 1);
        SetLong(kInputAdjustXB, 100000);
    }
    if (flags & CAP_RTD_INPUT) {
        SetWord(kInputType, 2);
        SetLong(kInputAdjustXB, 80000);
    }
    if (flags & (CAP_TC_INPUT | CAP_RTD_INPUT)) {
        SetPairs(false, false, 0, 10000);
        SetLong(kInputAdjustXA, 0);
        SetWord(kDecimalFractions, 1);
        SetAlarms(7000, 3000, 8000, 2000);
    }
    if (flags & CAP_PTM_INPUT) {
        SetPairs(false, true, -10000, 10000);
        SetWord(kDecimalPoint, 2);
        SetAlarms(4000, -4000, 8000, -8000);
    }
    if (flags & CAP_AC_INPUT) {
        SetWord(kInputType, 3);
        SetPairs(true, true, 0, 20000);
        SetWord(kDecimalPoint, 2);
        SetAlarms(14000, 6000, 18000, 2000);
    }
}
