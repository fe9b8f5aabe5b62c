#include "jobs/MeterLine.h"

#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/FileStringIds.h"
#include "model/Measurands.h"
#include "model/RegisterMap.h"
#include "model/TextRegisters.h"

#include <algorithm>
#include <array>

namespace {

// Closes the link on every way out.
struct OpenLink
{
    explicit OpenLink(CModbusInterface& l) : link(l) { link.Open(); }
    ~OpenLink() { link.Close(); }
    OpenLink(const OpenLink&) = delete;
    OpenLink& operator=(const OpenLink&) = delete;
    CModbusInterface& link;
};

// `report` over the part `from` ... `to` of the whole.
ProgressReport Stage(const ProgressReport& report, double from, double to)
{
    return [&report, from, to](double percent) { return !report || report(from + (to - from) * percent / 100.0); };
}

DownloadEnd WriteStage(CModbusInterface& link, CSafeDownload& job, const ProgressReport& report)
{
    if (job.WriteAndVerify(link, report) == TransferResult::Cancelled)
        return DownloadEnd::Cancelled;
    switch (job.Verification()) {
    case CSafeDownload::EVerification::Verified: return DownloadEnd::Verified;
    case CSafeDownload::EVerification::Mismatch: return DownloadEnd::Mismatch;
    case CSafeDownload::EVerification::NotRun: break;
    }
    return DownloadEnd::NotVerified;
}

} // namespace

void ReadMeterDetails(CModbusInterface& link, SLineMeter& meter)
{
    OpenLink open(link);
    std::array<std::uint16_t, meter_registers::kTagLength> tag{};
    link.ReadHoldingRegisters(meter_registers::kTag, meter_registers::kTagLength, tag.data());
    meter.tag = TextFromUtf16Registers(tag);
    meter.serial = ReadSerialNumber(link);
    std::uint16_t version = 0;
    link.ReadHoldingRegisters(meter_registers::kFirmwareVersion, 1, &version);
    meter.firmware = VersionText(version);
}

bool UnknownMeter(const SMeterFindings& f)
{
    return f.identityRead && !f.identity.IsKnown();
}

bool OtherModel(const SMeterFindings& f, const CRegisterImage& image)
{
    return UnknownMeter(f) || (f.identityRead && !(f.identity == image.Identity()));
}

DownloadEnd RunSafeDownload(CModbusInterface& link, CSafeDownload& job, bool readOnly, const ProgressReport& report)
{
    OpenLink open(link);
    // Reading is a third of the work of a download that writes and reads back.
    const double readEnd = readOnly ? 100 : 33;
    const ProgressReport reading = Stage(report, 0, readEnd);
    if (job.ReadMeter(link, reading) == TransferResult::Cancelled || (report && !report(readEnd)))
        return DownloadEnd::Cancelled;
    if (job.UpToDate())
        return DownloadEnd::AlreadyHeld;
    if (readOnly)
        return DownloadEnd::WouldChange;
    return WriteStage(link, job, Stage(report, readEnd, 100));
}

DownloadEnd FinishSafeDownload(CModbusInterface& link, CSafeDownload& job, const ProgressReport& report)
{
    OpenLink open(link);
    return WriteStage(link, job, report);
}

std::vector<SLineChange> LineChanges(const std::vector<const CSafeDownload*>& jobs)
{
    std::vector<SLineChange> all;
    for (const CSafeDownload* job : jobs)
        for (const SParameterChange& c : job->Changes()) {
            auto same = std::find_if(all.begin(), all.end(), [&c](const SLineChange& l) {
                return l.change.parameter == c.parameter && l.change.name == c.name;
            });
            if (same == all.end())
                same = all.insert(all.end(), SLineChange{c, 0});
            ++same->meters;
        }
    return all;
}

std::optional<SMeterComparison> CompareMeter(CModbusInterface& link, const CRegisterImage& settings, bool keepLink,
                                             const ProgressReport& report, const std::atomic<bool>* cancel,
                                             SMeterFindings* findings)
{
    SMeterComparison c;
    if (!RunUpload(link, c.meter, report, cancel, findings))
        return std::nullopt;
    if (!(c.meter.Identity() == settings.Identity())) {
        c.otherModel = true;
        return c;
    }
    c.settings = settings;
    if (keepLink)
        CopyLinkSettings(c.meter, c.settings);
    CParameterReport compared(c.settings);
    compared.SetComparison(c.meter, CStringTable::Get(file_ids::kColumnDevice));
    c.mismatches = compared.MismatchCount();
    c.statusText = compared.StatusText();
    for (const SReportRow& row : compared.Rows())
        if (row.status == CParameterEnumerationInterface::COMPARE_DIFFERENT)
            c.differences.push_back(row);
    return c;
}

CRegisterImage MovedTo(const CRegisterImage& meter, int newAddress)
{
    CRegisterImage moved(meter);
    moved.SetWord(image_words::kDeviceAddress, static_cast<std::uint16_t>(newAddress));
    return moved;
}
