#pragma once
// The download every user-facing write of settings goes through (the
// window's Download, the command line's download, each meter of a line):
// read the meter's whole set, keep it in the history, write only when
// something differs, read it back and compare. Two stages, each run with the
// link open; between them the window closes the link and shows a preview,
// the command line keeps it open.

#include "comm/ComSettings.h"
#include "jobs/TransferJobs.h"
#include "model/RegisterImage.h"

#include <string>
#include <vector>

class CMeterHistory;
class CModbusInterface;

// One parameter, as the report shows it.
struct SParameterChange
{
    int parameter = 0; // first image word
    std::string group, name;
    std::string meterValue; // what the meter holds (before the write; in a verification: now)
    std::string newValue;   // what is (was) written
};

struct SSafeDownloadOptions
{
    bool keepLink = false;  // the meter's own words 70-73 are written back unchanged
    bool backup = true;     // false: no backup of the meter's settings is kept
    bool verify = true;     // false: nothing is read back
    std::string sourceFile; // the file downloaded, for the change log (empty: the window's settings)
};

class CSafeDownload
{
public:
    // `history` keeps the backup and the change log; nullptr keeps neither.
    CSafeDownload(const CRegisterImage& image, const SSafeDownloadOptions& options, CMeterHistory* history);

    // Stage 1: the identity first (9600/9601: a meter of another model is
    // refused with a message naming both, and nothing else is read; an
    // unknown pair gives "This device is not supported..."), the serial
    // number (9605-9612), then the whole set as the upload reads it (7006
    // and every block of the model). Computes what will be written and the
    // changes. Progress 0 ... 100. Failures of the link raise
    // CPrivateException in the communication error wrapper; a call that
    // failed because `report` asked to cancel ends as Cancelled.
    TransferResult ReadMeter(CModbusInterface& link, const ProgressReport& report);

    const CRegisterImage& MeterBefore() const { return m_before; } // what the meter held
    const CRegisterImage& ToWrite() const { return m_toWrite; }    // with the meter's link words when keepLink
    const std::string& Serial() const { return m_serial; }
    const std::vector<SParameterChange>& Changes() const
    {
        return m_changes;
    } // report rows that differ, in report order
    // Every word of every block of the model already equal.
    bool UpToDate() const;
    // Empty, or "After this download the meter answers at address 5, 9600
    // bit/s, even parity, 1 stop bit." when ToWrite's words 70-73 differ
    // from the meter's.
    std::string LinkChangeText() const;
    // What stage 1 found out about the meter, also when it failed.
    const SMeterFindings& Findings() const { return m_findings; }

    // Stage 2: (a) the same meter must answer (identity and serial number
    // again), (b) the meter's previous settings are kept in the history
    // unless options.backup is false, before anything is written (a failure
    // raises CPrivateException with the reason, and nothing is sent), (c) the
    // write as DownloadJob makes it (900 := 1, every block of the model in
    // table order, 900 := 0), (d) unless options.verify is false, the whole
    // set is read back and compared with ToWrite(): when the link words
    // changed, at the new settings first (address; on RS-485 also baud,
    // parity and stop bit), then at the old; (e) one entry of the change log.
    // Progress: writing 0 ... 50, verifying 50 ... 100 (writing 0 ... 100
    // without verification). A failure or cancel after the first write of
    // settings says that the meter may now hold a mix of its previous and
    // the new settings and where the previous ones are kept (the exception's
    // text, or InterruptedText() for a cancel). The link keeps the settings
    // it came with.
    TransferResult WriteAndVerify(CModbusInterface& link, const ProgressReport& report);

    const std::string& BackupPath() const { return m_backupPath; } // empty when none was kept
    enum class EVerification { NotRun, Verified, Mismatch };
    EVerification Verification() const { return m_verification; }
    // After a mismatch: meterValue is what the meter holds now.
    const std::vector<SParameterChange>& NotHeld() const { return m_notHeld; }
    // What the verification read back (a factory image before it ran).
    const CRegisterImage& MeterAfter() const { return m_after; }
    // The link settings the meter answered at last.
    ComSettings AnsweredAt() const { return m_answeredAt; }
    // For "may hold a mix".
    bool AnyWriteSent() const { return m_anySent; }
    std::string InterruptedText() const;
    // Empty, or why the change log could not be written (the meter was
    // written all the same).
    const std::string& LogWarning() const { return m_logWarning; }

private:
    TransferResult ReadSteps(CModbusInterface& link, const ProgressReport& report);
    // The link settings at which the meter answers after a write of ToWrite().
    ComSettings SettingsAfterWrite(const ComSettings& now) const;
    // Reads the whole set back into `after`, at the new settings first.
    TransferResult ReadBack(CModbusInterface& link, const ComSettings& original, CRegisterImage& after,
                            const ProgressReport& report);
    // `reason` with the sentence on the meter's state after a partial write.
    std::string MixText(const std::string& reason) const;
    void Log(const ComSettings& settings, const std::string& message);
    // The meter read before answers again (its identity and serial number);
    // returns its word order.
    bool ConfirmSameMeter(CModbusInterface& link) const;
    // The write as DownloadJob makes it, then (unless not asked) the read
    // back; a cancel is logged here, a failure left to the caller.
    TransferResult WriteThenReadBack(CModbusInterface& link, const ComSettings& original, bool swap,
                                     const ProgressReport& tracked);

    CRegisterImage m_image;
    SSafeDownloadOptions m_options;
    CMeterHistory* m_history;
    bool m_read = false;
    CRegisterImage m_before;
    CRegisterImage m_toWrite;
    std::string m_serial;
    std::vector<SParameterChange> m_changes;
    SMeterFindings m_findings;
    std::string m_backupPath;
    EVerification m_verification = EVerification::NotRun;
    std::vector<SParameterChange> m_notHeld;
    CRegisterImage m_after;
    ComSettings m_answeredAt{ComSettings::NoLoad{}};
    bool m_anySent = false;
    std::string m_logWarning;
};

// The rows of `wanted` compared with `held` that differ, in report order:
// meterValue from `held`, newValue from `wanted`.
std::vector<SParameterChange> ParameterChanges(const CRegisterImage& held, const CRegisterImage& wanted);
// Every word of every block of `a`'s model equal in `b`.
bool SameSettings(const CRegisterImage& a, const CRegisterImage& b);
