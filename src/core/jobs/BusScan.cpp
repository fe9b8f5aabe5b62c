#include "jobs/BusScan.h"

#include "app/PrivateException.h"
#include "comm/ComSettings.h"
#include "comm/ModbusInterface.h"
#include "model/RegisterMap.h"

namespace {

constexpr unsigned kIdentityRegister = meter_registers::kDeviceId; // and the extension id after it
static_assert(meter_registers::kExtensionId == kIdentityRegister + 1);
// What a meter may take to start its answer once the request has ended, and
// what a USB adapter's latency and a busy system add on top (an FTDI
// adapter, for one, holds received bytes up to 16 ms by default).
constexpr unsigned kMeterTurnaroundMs = 20;
constexpr unsigned kAdapterMarginMs = 20;
// A gateway relays to its own line, whose speed we do not know: enough for
// the identity request at 9600 bit/s and a slow network.
constexpr unsigned kGatewayTimeoutMs = 300;
// "Gateway path unavailable" and "gateway target device failed to respond":
// a gateway saying that nothing answers at that unit.
constexpr int kGatewayPathUnavailable = 0x0A;
constexpr int kGatewayTargetFailed = 0x0B;

using AttemptEnd = CModbusInterface::AttemptEnd;

// The link's call policy for the time of the scan, then the old one again.
class PolicyScope
{
public:
    PolicyScope(CModbusInterface& link, const CModbusInterface::SCallPolicy& policy)
        : m_link(link), m_old(link.CallPolicy())
    {
        link.SetCallPolicy(policy);
    }
    ~PolicyScope() { m_link.SetCallPolicy(m_old); }
    PolicyScope(const PolicyScope&) = delete;
    PolicyScope& operator=(const PolicyScope&) = delete;

private:
    CModbusInterface& m_link;
    CModbusInterface::SCallPolicy m_old;
};

struct Cancelled
{};

// Takes the pair as the finding's identity.
void TakeIdentity(SScanFinding& finding, std::uint16_t deviceId, std::uint16_t extensionId)
{
    finding.identityRead = true;
    try {
        finding.identity.IdentifyFrom(deviceId, extensionId);
    } catch (const CPrivateException& e) {
        finding.message = e.Text(); // answers as a meter, but of no model we know
    }
}

// Asks one address. False when nothing is there.
bool Probe(CModbusInterface& link, int address, SScanFinding& finding)
{
    finding = SScanFinding{};
    finding.address = address;
    link.SetAddress(address);
    std::uint16_t ids[2] = {};
    // Both identity registers in one request: half the time at every silent
    // address. The second look follows an answer that could not be read
    // (the client waits for the line to be quiet first).
    for (int look = 0; look < 2; ++look) {
        try {
            link.ReadHoldingRegisters(kIdentityRegister, 2, ids);
            finding.message.clear();
            TakeIdentity(finding, ids[0], ids[1]);
            return true;
        } catch (const CCancelled&) {
            throw Cancelled{}; // the scan stops there
        } catch (const CLinkFailure& e) {
            switch (e.End()) {
            case AttemptEnd::NoAnswer: return false;
            case AttemptEnd::LinkFailure:
            case AttemptEnd::Answered: // (not after a failure)
                throw;
            case AttemptEnd::ExceptionAnswer:
                if (e.ExceptionCode() == kGatewayPathUnavailable || e.ExceptionCode() == kGatewayTargetFailed)
                    return false;
                // A device that takes the identity registers one at a time
                // only, as every job reads them.
                try {
                    link.ReadHoldingRegisters(kIdentityRegister, 1, &ids[0]);
                    link.ReadHoldingRegisters(kIdentityRegister + 1, 1, &ids[1]);
                    TakeIdentity(finding, ids[0], ids[1]);
                } catch (const CCancelled&) {
                    throw Cancelled{};
                } catch (const CLinkFailure& again) {
                    if (again.End() == AttemptEnd::LinkFailure)
                        throw;
                    finding.message = again.Text();
                }
                return true;
            case AttemptEnd::BadAnswer: finding.message = e.Text(); break; // looked at once more
            }
        }
    }
    return true;
}

} // namespace

unsigned ScanTimeout(const ComSettings& settings)
{
    if (settings.Mode == kModeTcp)
        return kGatewayTimeoutMs;
    // The request of 6 bytes and the answer of 7 (two registers), each with
    // its CRC, and the silence that ends the request (through a serial
    // device server, its network allowance as well).
    return CModbusInterface::ComputeResponseTimeout(settings, kMeterTurnaroundMs + kAdapterMarginMs, 6, 7);
}

TransferResult ScanBus(CModbusInterface& link, const SScanOptions& options,
                       const std::function<bool(int address)>& progress,
                       const std::function<void(const SScanFinding&)>& found)
{
    CModbusInterface::SCallPolicy policy;
    policy.attempts = 1;
    policy.timeoutMs = options.timeoutMs > 0 ? options.timeoutMs : ScanTimeout(link.Settings());
    policy.noQuietAfterSilence = true;
    const int oldAddress = link.Settings().Address;
    PolicyScope scope(link, policy);
    TransferResult result = TransferResult::Completed;
    try {
        link.Open();
        for (int address = options.from; address <= options.to; ++address) {
            if (progress && !progress(address)) {
                result = TransferResult::Cancelled;
                break;
            }
            SScanFinding finding;
            if (Probe(link, address, finding) && found)
                found(finding);
        }
    } catch (const Cancelled&) {
        result = TransferResult::Cancelled;
    } catch (...) {
        link.Close();
        link.SetAddress(oldAddress);
        throw;
    }
    link.Close();
    link.SetAddress(oldAddress);
    return result;
}
