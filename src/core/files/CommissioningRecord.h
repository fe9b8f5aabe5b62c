#pragma once
// The commissioning report's content without its pages: who made it, when,
// over which link, which meter, what it was compared with, the newest
// verified download of that meter in the history, and every parameter by
// group. The PDF and the printout (src/report) only lay this out.

#include "files/ParameterReport.h"

#include <optional>
#include <string>
#include <vector>

class CMeterHistory;
class CModbusInterface;

// Which meter the report is of. From a file only the model is known; the
// rest is read from the meter itself.
struct SMeterIdentity
{
    int modelCode = 0;
    std::string modelDescription;
    bool readFromMeter = false;
    std::string serial, hardwareVersion, firmwareVersion, tag; // empty unless read
};

// A download the change log holds as verified.
struct SVerifiedDownload
{
    std::string time; // as logged, UTC
    std::string file; // empty when the log names none
    std::string backup;
};

struct SCommissioningRecord
{
    std::string program; // name and version
    std::string time;    // local time of the report, with its zone
    std::string user;    // login name
    std::string technician;
    std::string link; // CMeterHistory::LinkText; empty: no meter was asked
    int address = 0;
    std::string workingTitle; // the file reported, empty for the window's settings

    SMeterIdentity meter;

    bool compared = false;
    std::string comparedWith; // "Device" or the file's name
    int mismatches = 0;
    std::string status; // the report's status line
    std::optional<SVerifiedDownload> download;

    struct SGroup
    {
        std::string name;
        std::vector<SReportRow> rows;
    };
    std::vector<SGroup> groups;
};

// The meter as the file (or a comparison image) names it: model only.
SMeterIdentity IdentityOfImage(const CRegisterImage& image);
// Reads model, versions, serial number and tag from the open link as the
// monitor does. Failures raise CPrivateException.
SMeterIdentity ReadMeterIdentity(CModbusInterface& link);

// The newest entry of the change log that is a verified download of this
// meter (model and serial); none for an empty serial, a missing log or no
// such entry. Lines that are not whole JSON objects are passed over.
std::optional<SVerifiedDownload> NewestVerifiedDownload(const CMeterHistory& history, int modelCode,
                                                        const std::string& serial);

// The header fields that do not come from the report: the time now, the
// login name, the program.
SCommissioningRecord RecordHeader(std::string technician, std::string link, int address);
// Fills the meter, result and rows of `record` from the report; the
// history's newest verified download when `history` is given and the serial
// is known.
void FillRecord(SCommissioningRecord& record, const CParameterReport& report, const SMeterIdentity& meter,
                const CMeterHistory* history);

// The technician's name the settings keep ("Settings", "Technician"); empty
// when none was given. Saving raises CPrivateException when the settings
// file cannot be written.
std::string StoredTechnician();
void StoreTechnician(const std::string& name);
