#pragma once
// The enable flag and setpoint of a trip point in the bank the meter uses
// now ("Bank No." when "Bank switching" is 1, otherwise bank 1).

#include "model/RegisterImage.h"

#include <cstdint>

class CAlarmSettingsInterface
{
public:
    explicit CAlarmSettingsInterface(CRegisterImage& image) : m_image(image) {}
    virtual ~CAlarmSettingsInterface() = default;

    // P has no bank entry: std::out_of_range.
    std::uint16_t GetEnable(CRegisterImage::TripPoint tripPoint) const
    {
        return m_image.GetWord(CRegisterImage::BankEnableWord(m_image.CurrentBank(), tripPoint));
    }
    void SetEnable(CRegisterImage::TripPoint tripPoint, std::uint16_t value)
    {
        m_image.SetWord(CRegisterImage::BankEnableWord(m_image.CurrentBank(), tripPoint), value);
    }
    std::int32_t GetSetpoint(CRegisterImage::TripPoint tripPoint) const
    {
        return m_image.GetLong(CRegisterImage::BankSetpointWord(m_image.CurrentBank(), tripPoint));
    }
    void SetSetpoint(CRegisterImage::TripPoint tripPoint, std::int32_t value)
    {
        m_image.SetLong(CRegisterImage::BankSetpointWord(m_image.CurrentBank(), tripPoint), value);
    }

private:
    CRegisterImage& m_image;
};
