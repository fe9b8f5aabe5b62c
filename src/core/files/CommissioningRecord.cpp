#include "files/CommissioningRecord.h"

#include "app/AppSettings.h"
#include "comm/ModbusInterface.h"
#include "files/MeterHistory.h"
#include "model/Measurands.h"

#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kTechnicianKey = "Technician";

std::string LocalTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[64] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", &tm);
    return text;
}

std::string TextField(const nlohmann::json& entry, const char* name)
{
    auto it = entry.find(name);
    return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

SMeterIdentity IdentityOfImage(const CRegisterImage& image)
{
    SMeterIdentity meter;
    meter.modelCode = image.Identity().Code();
    meter.modelDescription = image.Identity().ModelDescription();
    return meter;
}

SMeterIdentity ReadMeterIdentity(CModbusInterface& link)
{
    CMeasurands values;
    values.ReadAll(link);
    SMeterIdentity meter;
    meter.modelCode = values.Identity().Code();
    meter.modelDescription = values.Identity().ModelDescription();
    meter.readFromMeter = true;
    meter.serial = values.MeasurandText(CMeasurands::kSerialNumber);
    meter.hardwareVersion = values.MeasurandText(CMeasurands::kHardwareVersion);
    meter.firmwareVersion = values.MeasurandText(CMeasurands::kFirmwareVersion);
    meter.tag = values.MeasurandText(CMeasurands::kTag);
    return meter;
}

std::optional<SVerifiedDownload> NewestVerifiedDownload(const CMeterHistory& history, int modelCode,
                                                        const std::string& serial)
{
    if (serial.empty())
        return std::nullopt;
    std::optional<SVerifiedDownload> newest;
    std::ifstream in(history.LogPath());
    std::string line;
    // The log is appended to, so the last matching line is the newest.
    while (std::getline(in, line)) {
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_discarded() || !entry.is_object() || TextField(entry, "action") != "download" ||
            TextField(entry, "serial") != serial)
            continue;
        auto model = entry.find("model");
        auto verified = entry.find("verified");
        if (model == entry.end() || !model->is_number_integer() || model->get<int>() != modelCode ||
            verified == entry.end() || !verified->is_boolean() || !verified->get<bool>())
            continue;
        newest = SVerifiedDownload{TextField(entry, "time"), TextField(entry, "file"), TextField(entry, "backup")};
    }
    return newest;
}

SCommissioningRecord RecordHeader(std::string technician, std::string link, int address)
{
    SCommissioningRecord record;
    record.program = std::string(Q6K_PRODUCT_NAME) + " " + Q6K_PRODUCT_VERSION;
    record.time = LocalTimeText();
    record.user = LoginName();
    record.technician = std::move(technician);
    record.link = std::move(link);
    record.address = address;
    return record;
}

void FillRecord(SCommissioningRecord& record, const CParameterReport& report, const SMeterIdentity& meter,
                const CMeterHistory* history)
{
    record.meter = meter;
    record.compared = report.IsCompared();
    record.comparedWith = report.ComparisonTitle();
    record.mismatches = report.MismatchCount();
    record.status = report.StatusText();
    record.download.reset();
    if (history)
        record.download = NewestVerifiedDownload(*history, meter.modelCode, meter.serial);
    record.groups.clear();
    int ordinal = 0;
    for (const SReportRow& row : report.Rows()) {
        // A parameter the model does not have is no setting of this meter.
        if (row.status == CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE)
            continue;
        if (record.groups.empty() || row.groupOrdinal != ordinal)
            record.groups.push_back({row.group, {}});
        ordinal = row.groupOrdinal;
        record.groups.back().rows.push_back(row);
    }
}

std::string StoredTechnician()
{
    return CSettingsStore::ValidText(CSettingsStore::Snapshot(), kSection, kTechnicianKey, "",
                                     CSettingsStore::IsPlainText);
}

void StoreTechnician(const std::string& name)
{
    if (name != StoredTechnician())
        CSettingsStore::Write(kSection, {{kTechnicianKey, name}});
}
