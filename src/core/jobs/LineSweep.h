#pragma once
// A look for a meter whose line settings and address nobody knows: the bus
// scan is run once for every line setting a meter offers, the link reopened
// at each, until a meter answers. Only on an RS-485 line: the infrared port
// has one line setting and one address, and behind a Modbus TCP gateway the
// gateway's own line settings decide, which the client cannot change.

#include "jobs/BusScan.h"

#include <functional>
#include <vector>

class CModbusInterface;
struct ComSettings;

namespace sweep_ids {
inline constexpr unsigned kRs485Only = 12630;
} // namespace sweep_ids

// One line setting, as ComSettings indexes it.
struct SLineSetting
{
    int baudrate = 0; // index into kBaudRates
    int parity = 0;   // 0 none, 1 odd, 2 even
    int stop = 0;     // 0 one stop bit, 1 two

    unsigned BaudRate() const;
    int StopBits() const { return stop + 1; }
    // "none", "odd" or "even": the words of the command line's --parity.
    const char* ParityWord() const;
    bool operator==(const SLineSetting& other) const
    {
        return baudrate == other.baudrate && parity == other.parity && stop == other.stop;
    }
};

// Every line setting a meter offers, in the order they are tried: the
// fastest speed first and the factory setting (that of a new ComSettings)
// first at every speed, then the other parities with the factory stop bit,
// then the other stop bit.
std::vector<SLineSetting> SweepOrder();
// `settings` with the line setting in place of its own.
void ApplyLineSetting(ComSettings& settings, const SLineSetting& setting);

// A meter and the line setting it answered at.
struct SSweepFinding
{
    SLineSetting setting;
    SScanFinding meter;
};

struct SSweepOptions
{
    int from = kFirstDeviceAddress;
    int to = kLastDeviceAddress;
    bool all = false;       // every setting and address, not just up to the first meter
    unsigned timeoutMs = 0; // 0: ScanTimeout of each setting
};

// Where the sweep is, before each address is asked.
struct SSweepProgress
{
    SLineSetting setting;
    int settingNumber = 0; // 1 ... settingCount
    int settingCount = 0;
    int address = 0;
    double fraction = 0; // of the whole sweep, 0 ... 1
};

struct SSweepResult
{
    TransferResult result = TransferResult::Completed;
    // In the order found; with `all`, an address that answered as a meter
    // at one setting is not reported again at a later one (a real line often
    // takes a stop bit more or less).
    std::vector<SSweepFinding> meters;
};

// Runs the scan of `options` at every setting of SweepOrder() on the link's
// port; the link's own line settings and address are back in place at the
// end. Only devices that identify as a meter of a known model count: at a
// wrong speed a meter's answer may come as noise. `progress` returning false,
// an Abort or the cancel descriptor ends the sweep as Cancelled with what was
// found until then. Raises CPrivateException for a link that is not RS-485
// and for failures of the port itself.
SSweepResult SweepLine(CModbusInterface& link, const SSweepOptions& options,
                       const std::function<bool(const SSweepProgress&)>& progress,
                       const std::function<void(const SSweepFinding&)>& found);

// How long a sweep of `options` takes at most when nothing answers, in
// milliseconds: every address at every setting waits out its time-out.
unsigned long SweepWorstCaseMs(const SSweepOptions& options);
