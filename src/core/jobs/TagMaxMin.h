#pragma once
// The monitor's two actions on the meter, each one open ... close of the
// link. The caller holds the monitor's link lock around them (from the read
// of the tag to its write, for the tag), so that they never meet a poll.
// Failures raise CPrivateException after the link was closed.

#include "model/RegisterMap.h"

#include <cstdint>
#include <string>
#include <string_view>

class CMeterHistory;
class CModbusInterface;

// Opens the link, reads the tag and closes the link. The text ends at the
// first zero register.
std::string ReadTag(CModbusInterface& modbus);

// Writes `tag` (UTF-8, at most 16 UTF-16 code units, padded with zero
// registers): 900 := 1, the 16 tag registers, 900 := 0. A text that is not
// valid or too long is refused with message 12303 before the link is opened.
void WriteTag(CModbusInterface& modbus, std::string_view tag);

// Opens the link, writes 801 := 1 and closes the link.
void ResetMaxMin(CModbusInterface& modbus);

// The same two actions, kept in the change log: on the same opening of the
// link the identity and the serial number are read first (and the tag before
// it is set), then the action is done, then the entry appended. Returns
// empty, or why the entry could not be written: the action was done all the
// same.
std::string WriteTag(CModbusInterface& modbus, std::string_view tag, CMeterHistory& history);
std::string ResetMaxMin(CModbusInterface& modbus, CMeterHistory& history);
