#include "jobs/SafeDownload.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/MeterHistory.h"
#include "files/ParameterReport.h"
#include "model/BlockTable.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

namespace text {
inline constexpr unsigned kOtherModel = 12510;    // %1 %2 the meter's model, %3 %4 the settings'
inline constexpr unsigned kAnotherMeter = 12511;  // %1 %2 now, %3 %4 before
inline constexpr unsigned kLinkChange = 12512;    // %1 address, %2 speed, %3 parity, %4 stop bits
inline constexpr unsigned kBitsPerSecond = 12513; // %1 rate
inline constexpr unsigned kParity = 12514;        // none, odd, even
inline constexpr unsigned kStopBits = 12517;      // one, two
inline constexpr unsigned kMixKept = 12519;       // %1 reason, %2 backup
inline constexpr unsigned kMixNotKept = 12520;    // %1 reason
inline constexpr unsigned kCancelled = 12521;
inline constexpr unsigned kNothingWritten = 12522; // %1 reason
} // namespace text

// Progress of a part of a stage, from `from` to `to`.
ProgressReport Part(const ProgressReport& report, double from, double to)
{
    return [&report, from, to](double percent) { return !report || report(from + (to - from) * percent / 100.0); };
}

bool Go(const ProgressReport& report, double percent)
{
    return !report || report(percent);
}

// Passes progress on and keeps the last percentage, so that a failure can
// ask whether a cancel caused it: a write given up on request fails as any
// other call.
class CProgress
{
public:
    explicit CProgress(const ProgressReport& report) : m_report(report) {}
    bool operator()(double percent)
    {
        m_reached = percent;
        return Go(m_report, percent);
    }
    bool CancelledBy(const CPrivateException& e) const { return IsCancellation(e) || !Go(m_report, m_reached); }

private:
    const ProgressReport& m_report;
    double m_reached = 0;
};

// A link action whose failure is the link's; a cancel stays a cancel.
template <class Action>
auto OnLink(Action&& action)
{
    try {
        return action();
    } catch (const CPrivateException& e) {
        if (IsCancellation(e))
            throw;
        throw CPrivateException(CommunicationErrorText(e.Text()));
    }
}

// The identity, a failed read wrapped as every link failure of the jobs is,
// an unknown pair refused with its own text.
CDeviceType ReadIdentity(CModbusInterface& link, SMeterFindings& findings)
{
    try {
        return IdentifyMeter(link, &findings);
    } catch (const CPrivateException& e) {
        if (findings.identityRead || IsCancellation(e))
            throw;
        throw CPrivateException(CommunicationErrorText(e.Text()));
    }
}

bool SameLine(const ComSettings& a, const ComSettings& b)
{
    return a.Baudrate == b.Baudrate && a.Parity == b.Parity && a.Stop == b.Stop && a.Character == b.Character;
}

// Takes `settings` on the open link: the address at once, a line setting by
// opening the port again.
void Apply(CModbusInterface& link, const ComSettings& settings)
{
    if (SameLine(link.Settings(), settings)) {
        link.SetSettings(settings);
        return;
    }
    link.Close();
    link.SetSettings(settings);
    link.Open();
}

// The settings the link came with, for whoever uses it next; a port that
// will not open again fails that user's first request, not this job.
void Restore(CModbusInterface& link, const ComSettings& original)
{
    if (link.Settings().Address == original.Address && SameLine(link.Settings(), original))
        return;
    try {
        Apply(link, original);
    } catch (const CPrivateException&) {
    }
}

} // namespace

std::vector<SParameterChange> ParameterChanges(const CRegisterImage& held, const CRegisterImage& wanted)
{
    CParameterReport report(wanted);
    report.SetComparison(held, std::string());
    std::vector<SParameterChange> changes;
    for (const SReportRow& row : report.Rows())
        if (row.status == CParameterEnumerationInterface::COMPARE_DIFFERENT)
            changes.push_back({row.parameter, row.group, row.name, row.comparisonValue, row.value});
    return changes;
}

bool SameSettings(const CRegisterImage& a, const CRegisterImage& b)
{
    if (!(a.Identity() == b.Identity()))
        return false;
    const std::uint32_t flags = a.CapabilityFlags();
    for (const SRegisterBlock& block : kBlockTable) {
        if (!BlockApplies(block, flags))
            continue;
        for (int w = block.firstWord; w < block.firstWord + RegisterCount(block); ++w)
            if (a.GetWord(w) != b.GetWord(w))
                return false;
    }
    return true;
}

CSafeDownload::CSafeDownload(const CRegisterImage& image, const SSafeDownloadOptions& options, CMeterHistory* history)
    : m_image(image), m_options(options), m_history(history)
{}

TransferResult CSafeDownload::ReadMeter(CModbusInterface& link, const ProgressReport& report)
{
    CProgress progress(report);
    try {
        return ReadSteps(link, std::ref(progress));
    } catch (const CPrivateException& e) {
        if (progress.CancelledBy(e))
            return TransferResult::Cancelled;
        throw;
    }
}

TransferResult CSafeDownload::ReadSteps(CModbusInterface& link, const ProgressReport& report)
{
    m_read = false;
    m_findings = SMeterFindings();
    m_changes.clear();
    const CDeviceType meter = ReadIdentity(link, m_findings);
    const CDeviceType& wanted = m_image.Identity();
    if (!(meter == wanted))
        throw CPrivateException(LoadMessage(
            text::kOtherModel, {meter.Code(), meter.ModelDescription(), wanted.Code(), wanted.ModelDescription()}));
    m_serial = OnLink([&] { return ReadSerialNumber(link); });
    m_findings.serial = m_serial;
    const bool swap = OnLink([&] { return ReadWordSwap(link); });
    if (!Go(report, 3))
        return TransferResult::Cancelled;

    CRegisterImage before; // rows the model lacks keep their factory values, as an upload's
    before.SetIdentity(meter);
    if (OnLink([&] { return ReadModelBlocks(link, before, swap, Part(report, 3, 100)); }) == TransferResult::Cancelled)
        return TransferResult::Cancelled;
    m_before = before;
    m_toWrite = m_image;
    if (m_options.keepLink && HasLinkWords(m_toWrite.CapabilityFlags()))
        CopyLinkSettings(m_before, m_toWrite);
    m_changes = ParameterChanges(m_before, m_toWrite);
    m_read = true;
    Go(report, 100);
    return TransferResult::Completed;
}

bool CSafeDownload::UpToDate() const
{
    return m_read && SameSettings(m_toWrite, m_before);
}

std::string CSafeDownload::LinkChangeText() const
{
    if (!m_read || !HasLinkWords(m_toWrite.CapabilityFlags()))
        return std::string();
    bool changed = false;
    for (int w = kLinkFirstWord; w < kLinkFirstWord + kLinkWordCount; ++w)
        changed = changed || m_toWrite.GetWord(w) != m_before.GetWord(w);
    if (!changed)
        return std::string();
    const int baud = m_toWrite.GetWord(kLinkFirstWord + 1);
    const int parity = std::min<int>(m_toWrite.GetWord(kLinkFirstWord + 2), 2);
    const int stop = std::min<int>(m_toWrite.GetWord(kLinkFirstWord + 3), 1);
    return LoadMessage(text::kLinkChange, {m_toWrite.GetWord(kLinkFirstWord),
                                           LoadMessage(text::kBitsPerSecond, {ComSettings::BaudRateOf(baud)}),
                                           CStringTable::Get(text::kParity + static_cast<unsigned>(parity)),
                                           CStringTable::Get(text::kStopBits + static_cast<unsigned>(stop))});
}

ComSettings CSafeDownload::SettingsAfterWrite(const ComSettings& now) const
{
    ComSettings after = now;
    // The infrared port answers at unit 1 whatever the words say.
    if (now.Mode == kModeInfrared || !HasLinkWords(m_toWrite.CapabilityFlags()))
        return after;
    // Only what the download changes: the words of a meter reached through a
    // converter need not match the line as this side sets it up.
    auto changed = [&](int offset) {
        return m_toWrite.GetWord(kLinkFirstWord + offset) != m_before.GetWord(kLinkFirstWord + offset);
    };
    if (changed(0))
        after.Address = m_toWrite.GetWord(kLinkFirstWord);
    if (now.Mode == kModeRs485) {
        if (changed(1))
            after.Baudrate = m_toWrite.GetWord(kLinkFirstWord + 1);
        if (changed(2))
            after.Parity = m_toWrite.GetWord(kLinkFirstWord + 2);
        if (changed(3))
            after.Stop = m_toWrite.GetWord(kLinkFirstWord + 3);
    }
    return after;
}

TransferResult CSafeDownload::ReadBack(CModbusInterface& link, const ComSettings& original, CRegisterImage& after,
                                       const ProgressReport& report)
{
    const ComSettings moved = SettingsAfterWrite(original);
    bool swap = false;
    try {
        Apply(link, moved);
        swap = ReadWordSwap(link);
    } catch (const CPrivateException& e) {
        if (IsCancellation(e) || !Go(report, 0))
            throw; // cancelled
        const bool same = moved.Address == original.Address && SameLine(moved, original);
        if (same)
            throw;
        // The meter did not take the new settings (or not yet): where it was.
        try {
            Apply(link, original);
            swap = ReadWordSwap(link);
        } catch (const CPrivateException&) {
            throw e;
        }
    }
    m_answeredAt = link.Settings();
    after.SetIdentity(m_toWrite.Identity());
    return ReadModelBlocks(link, after, swap, report);
}

std::string CSafeDownload::MixText(const std::string& reason) const
{
    return m_backupPath.empty() ? LoadMessage(text::kMixNotKept, {reason})
                                : LoadMessage(text::kMixKept, {reason, m_backupPath});
}

std::string CSafeDownload::InterruptedText() const
{
    const std::string cancelled = CStringTable::Get(text::kCancelled);
    return m_anySent ? MixText(cancelled) : cancelled;
}

void CSafeDownload::Log(const ComSettings& settings, const std::string& message)
{
    if (!m_history)
        return;
    CMeterHistory::SLogEntry entry;
    entry.link = CMeterHistory::LinkText(settings);
    entry.address = settings.Mode == kModeInfrared ? 1 : settings.Address;
    entry.modelCode = m_before.Identity().Code();
    entry.modelDescription = m_before.Identity().ModelDescription();
    entry.serial = m_serial;
    entry.action = "download";
    entry.file = m_options.sourceFile;
    for (const SParameterChange& c : m_changes)
        entry.changes.push_back({c.group, c.name, c.meterValue, c.newValue});
    if (m_verification != EVerification::NotRun)
        entry.verified = m_verification == EVerification::Verified;
    entry.backup = m_backupPath;
    entry.message = message;
    try {
        m_history->Append(entry);
    } catch (const CPrivateException& e) {
        m_logWarning = e.Text();
    }
}

bool CSafeDownload::ConfirmSameMeter(CModbusInterface& link) const
{
    SMeterFindings again;
    const CDeviceType meter = ReadIdentity(link, again);
    const std::string serial = OnLink([&] { return ReadSerialNumber(link); });
    if (!(meter == m_before.Identity()) || serial != m_serial)
        throw CPrivateException(LoadMessage(
            text::kNothingWritten,
            {LoadMessage(text::kAnotherMeter, {meter.Code(), serial, m_before.Identity().Code(), m_serial})}));
    return OnLink([&] { return ReadWordSwap(link); });
}

TransferResult CSafeDownload::WriteThenReadBack(CModbusInterface& link, const ComSettings& original, bool swap,
                                                const ProgressReport& tracked)
{
    const double writeEnd = m_options.verify ? 50 : 100;
    // (c) As DownloadJob writes.
    WriteDownloadFlag(link, 1);
    if (WriteModelBlocks(link, m_toWrite, swap, Part(tracked, 0, writeEnd), &m_anySent) == TransferResult::Cancelled) {
        Log(original, InterruptedText());
        return TransferResult::Cancelled;
    }
    WriteDownloadFlag(link, 0);
    if (!tracked(writeEnd)) {
        Log(original, InterruptedText());
        return TransferResult::Cancelled;
    }

    // (d) Read back where the meter now answers.
    if (m_options.verify) {
        CRegisterImage after;
        const TransferResult read = ReadBack(link, original, after, Part(tracked, 50, 100));
        if (read == TransferResult::Cancelled) {
            Restore(link, original);
            Log(original, InterruptedText());
            return TransferResult::Cancelled;
        }
        m_after = after;
        const bool held = SameSettings(m_toWrite, after);
        m_verification = held ? EVerification::Verified : EVerification::Mismatch;
        if (!held)
            m_notHeld = ParameterChanges(after, m_toWrite);
    }
    return TransferResult::Completed;
}

TransferResult CSafeDownload::WriteAndVerify(CModbusInterface& link, const ProgressReport& report)
{
    if (!m_read)
        throw std::logic_error("WriteAndVerify before ReadMeter");
    m_backupPath.clear();
    m_verification = EVerification::NotRun;
    m_notHeld.clear();
    m_anySent = false;
    m_logWarning.clear();
    const ComSettings original = link.Settings();
    m_answeredAt = original;

    CProgress progress(report);
    const ProgressReport tracked = std::ref(progress);

    // (a) The link may have been opened again since: the same meter?
    bool swap = false;
    try {
        swap = ConfirmSameMeter(link);
    } catch (const CPrivateException& e) {
        if (progress.CancelledBy(e))
            return TransferResult::Cancelled;
        throw;
    }

    // (b) Nothing is written unless the meter's settings are kept.
    if (m_options.backup && m_history) {
        try {
            m_backupPath = m_history->KeepBackup(m_before, m_serial);
        } catch (const CPrivateException& e) {
            throw CPrivateException(LoadMessage(text::kNothingWritten, {e.Text()}));
        }
    }

    try {
        if (WriteThenReadBack(link, original, swap, tracked) == TransferResult::Cancelled)
            return TransferResult::Cancelled;
    } catch (const CPrivateException& e) {
        Restore(link, original);
        if (progress.CancelledBy(e)) {
            Log(original, InterruptedText());
            return TransferResult::Cancelled;
        }
        const std::string reason = CommunicationErrorText(e.Text());
        const std::string text = m_anySent ? MixText(reason) : reason;
        Log(original, text);
        throw CPrivateException(text);
    }
    Restore(link, original);
    // (e)
    Log(original, std::string());
    Go(report, 100);
    return TransferResult::Completed;
}
