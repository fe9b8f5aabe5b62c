#pragma once
// A look along one line for the meters on it: every address of a range is
// asked for its identity once, with a short time-out, so that the addresses
// where nothing answers cost little. Over Modbus TCP the same is done with
// the unit identifiers of one gateway.

#include "comm/AddressList.h"
#include "jobs/TransferJobs.h"
#include "model/DeviceType.h"

#include <functional>
#include <string>

class CModbusInterface;
struct ComSettings;

// What answered at one address.
struct SScanFinding
{
    int address = 0;
    // The identity registers answered; `identity` holds the pair.
    bool identityRead = false;
    CDeviceType identity;
    // Empty for a meter of a known model; otherwise why the device that
    // answered is not taken for one (an unknown pair, an exception answer,
    // an answer that could not be read).
    std::string message;

    bool IsMeter() const { return message.empty(); }
};

struct SScanOptions
{
    int from = kFirstDeviceAddress;
    int to = kLastDeviceAddress;
    unsigned timeoutMs = 0; // 0: ScanTimeout of the link's settings
};

// The response time-out of one identity request on this line: on RTU the
// request's and the answer's time on the wire, the meter's turnaround and a
// margin for the adapter and the system; on TCP what a gateway needs to
// relay the request to its line and the answer back.
unsigned ScanTimeout(const ComSettings& settings);

// Opens the link, asks every address from `options.from` to `options.to`
// in turn and closes the link again. `progress` hears of each address before
// it is asked (false stops the scan: Cancelled); `found` hears of each
// device that answered, in address order. An abort of the link ends the scan
// as Cancelled too. Failures of the link itself (a port that cannot be
// opened or is lost, a gateway that cannot be reached) raise
// CPrivateException. Not for the infrared port, whose unit is always 1.
TransferResult ScanBus(CModbusInterface& link, const SScanOptions& options,
                       const std::function<bool(int address)>& progress,
                       const std::function<void(const SScanFinding&)>& found);
