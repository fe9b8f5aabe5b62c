// The commissioning report's content: the newest verified download found in
// the change log, the parameters by group as the report has them, and the
// technician's name kept in the settings.
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "files/CommissioningRecord.h"
#include "files/MeterHistory.h"

#include <fstream>
#include <gtest/gtest.h>

using testsupport::TempConfigHome;

namespace {

CMeterHistory::SLogEntry Download(int model, const std::string& serial, std::optional<bool> verified,
                                  const std::string& time)
{
    CMeterHistory::SLogEntry e;
    e.time = time;
    e.link = "tcp 127.0.0.1:1502";
    e.address = 1;
    e.modelCode = model;
    e.serial = serial;
    e.action = "download";
    e.file = "/plant/" + time + ".cfg";
    e.verified = verified;
    e.backup = "/backups/" + time + ".cfg";
    return e;
}

CRegisterImage Model(int code)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    return image;
}

class CommissioningRecordTest : public ::testing::Test
{
protected:
    TempConfigHome m_home;
    CMeterHistory m_history{m_home.Dir() + "/history"};
};

} // namespace

TEST_F(CommissioningRecordTest, TheNewestVerifiedDownloadOfThatMeterIsFound)
{
    EXPECT_FALSE(NewestVerifiedDownload(m_history, 15, "S1")) << "no log yet";
    m_history.Append(Download(15, "S1", true, "2026-12-01T08:00:00.000Z"));
    m_history.Append(Download(15, "S1", true, "2026-12-02T08:00:00.000Z"));
    // None of these is a verified download of model 15, serial S1.
    m_history.Append(Download(15, "S1", false, "2026-12-03T08:00:00.000Z"));
    m_history.Append(Download(15, "S1", std::nullopt, "2026-12-04T08:00:00.000Z"));
    m_history.Append(Download(59, "S1", true, "2026-12-05T08:00:00.000Z"));
    m_history.Append(Download(15, "S2", true, "2026-12-06T08:00:00.000Z"));
    CMeterHistory::SLogEntry tag = Download(15, "S1", true, "2026-12-07T08:00:00.000Z");
    tag.action = "tag";
    m_history.Append(tag);
    // A line cut short by a crash is passed over.
    std::ofstream(m_history.LogPath(), std::ios::app) << "{\"action\":\"download\",\"serial\":\"S1\",\n";

    const auto found = NewestVerifiedDownload(m_history, 15, "S1");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->time, "2026-12-02T08:00:00.000Z");
    EXPECT_EQ(found->file, "/plant/2026-12-02T08:00:00.000Z.cfg");
    EXPECT_EQ(found->backup, "/backups/2026-12-02T08:00:00.000Z.cfg");
    EXPECT_EQ(NewestVerifiedDownload(m_history, 15, "S2")->time, "2026-12-06T08:00:00.000Z");
    EXPECT_FALSE(NewestVerifiedDownload(m_history, 15, "")) << "a meter not read has no history";
    EXPECT_FALSE(NewestVerifiedDownload(m_history, 15, "S3"));
}

TEST_F(CommissioningRecordTest, TheRecordHoldsTheModelsParametersByGroupAndTheComparison)
{
    CRegisterImage working = Model(15);
    CRegisterImage meter = working;
    meter.SetWord(image_words::kDeviceAddress, 9);
    CParameterReport report(working);
    report.SetComparison(meter, "Device");

    SMeterIdentity identity = IdentityOfImage(meter);
    identity.serial = "S1";
    m_history.Append(Download(15, "S1", true, "2026-12-02T08:00:00.000Z"));
    SCommissioningRecord record = RecordHeader("A. Tech", "tcp 127.0.0.1:1502", 9);
    FillRecord(record, report, identity, &m_history);

    EXPECT_EQ(record.technician, "A. Tech");
    EXPECT_EQ(record.user, LoginName());
    EXPECT_NE(record.program.find(Q6K_PRODUCT_VERSION), std::string::npos);
    EXPECT_EQ(record.meter.modelCode, 15);
    EXPECT_EQ(record.meter.modelDescription, CDeviceType::FromCode(15).ModelDescription());
    EXPECT_TRUE(record.compared);
    EXPECT_EQ(record.comparedWith, "Device");
    EXPECT_EQ(record.mismatches, 1);
    EXPECT_EQ(record.status, report.StatusText());
    ASSERT_TRUE(record.download);
    EXPECT_EQ(record.download->backup, "/backups/2026-12-02T08:00:00.000Z.cfg");

    // Every row the model has, once, in the report's order, under its group;
    // the rows of words the model lacks are left out.
    std::vector<int> inRecord, ofModel;
    int differing = 0;
    for (const SCommissioningRecord::SGroup& group : record.groups) {
        ASSERT_FALSE(group.rows.empty()) << group.name;
        for (const SReportRow& row : group.rows) {
            EXPECT_EQ(row.group, group.name);
            inRecord.push_back(row.parameter);
            differing += row.status == CParameterEnumerationInterface::COMPARE_DIFFERENT;
        }
    }
    for (const SReportRow& row : report.Rows())
        if (row.status != CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE)
            ofModel.push_back(row.parameter);
    EXPECT_EQ(inRecord, ofModel);
    EXPECT_LT(inRecord.size(), report.Rows().size()) << "model 15 lacks some parameters";
    EXPECT_EQ(differing, 1);
    for (std::size_t i = 1; i < record.groups.size(); ++i)
        EXPECT_NE(record.groups[i].name, record.groups[i - 1].name) << "a group is one block";

    // Without a serial number (the file's identity) no download is named.
    FillRecord(record, CParameterReport(working), IdentityOfImage(working), &m_history);
    EXPECT_FALSE(record.download);
    EXPECT_FALSE(record.compared);
    EXPECT_FALSE(record.meter.readFromMeter);
}

TEST_F(CommissioningRecordTest, TheTechniciansNameIsKeptAndABadOneIsNotUsed)
{
    EXPECT_EQ(StoredTechnician(), "");
    StoreTechnician("山田 太郎");
    EXPECT_EQ(StoredTechnician(), "山田 太郎");
    CSettingsStore::Write("Settings", {{"Technician", std::string("A\x01") + "B"}});
    CSettingsStore::TakeWarnings();
    EXPECT_EQ(StoredTechnician(), "");
    EXPECT_FALSE(CSettingsStore::TakeWarnings().empty()) << "the value not used is named";
}
