#pragma once
// The work done for several meters of one line, shared by the command line's
// fleet commands and the window's line of meters: what a found meter says of
// itself, the safe download of one meter run through both stages, the
// comparison of a meter with a set of settings, and the move of a meter to
// another address.

#include "files/ParameterReport.h"
#include "jobs/SafeDownload.h"
#include "jobs/TransferJobs.h"

#include <optional>
#include <string>
#include <vector>

class CModbusInterface;

// What a meter found on the line says of itself.
struct SLineMeter
{
    int address = 0;
    CDeviceType identity;
    std::string tag, serial;
    std::string firmware; // "1.23"
};

// Reads the tag (9631-9646), the serial number (9605-9612) and the firmware
// version (9604) of the meter at the link's address into `meter`; opens and
// closes the link. Failures raise CPrivateException.
void ReadMeterDetails(CModbusInterface& link, SLineMeter& meter);

// A meter whose identity names no model is refused by every job.
bool UnknownMeter(const SMeterFindings& findings);
// ... and one of another model than `image` by a download or a comparison.
bool OtherModel(const SMeterFindings& findings, const CRegisterImage& image);

// How a safe download of one meter ended, when it did not fail.
enum class DownloadEnd { AlreadyHeld, WouldChange, Verified, NotVerified, Mismatch, Cancelled };

// Opens the link, reads the meter and, unless it already holds the settings
// or `readOnly`, writes and verifies; closes the link. `report` runs over
// both stages (false cancels). Failures raise CPrivateException.
DownloadEnd RunSafeDownload(CModbusInterface& link, CSafeDownload& job, bool readOnly, const ProgressReport& report);
// Stage 2 alone, on a job whose meter was read: opens the link, writes and
// verifies, closes the link.
DownloadEnd FinishSafeDownload(CModbusInterface& link, CSafeDownload& job, const ProgressReport& report);

// One parameter that a download to several meters changes, with the value
// written and on how many of them it changes.
struct SLineChange
{
    SParameterChange change; // meterValue: that of the first meter it changes on
    int meters = 0;
};
// The changes of every job, each parameter once, in the order of the first
// job that changes it.
std::vector<SLineChange> LineChanges(const std::vector<const CSafeDownload*>& jobs);

// A meter compared with a set of settings as a download that keeps the
// meter's link would write them.
struct SMeterComparison
{
    CRegisterImage meter;    // what the meter holds
    CRegisterImage settings; // as compared: with the meter's link words when they were kept
    bool otherModel = false;
    int mismatches = 0;
    std::string statusText;
    std::vector<SReportRow> differences;
};

// Uploads the meter and compares; nullopt when cancelled. Failures raise
// CPrivateException; `findings` as the upload found them.
std::optional<SMeterComparison> CompareMeter(CModbusInterface& link, const CRegisterImage& settings, bool keepLink,
                                             const ProgressReport& report, const std::atomic<bool>* cancel,
                                             SMeterFindings* findings);

// The meter's own settings with word 70 set to `newAddress`: a safe download
// of them moves the meter and verifies it at its new address.
CRegisterImage MovedTo(const CRegisterImage& meter, int newAddress);
