#pragma once
// Upload and download of a meter's whole parameter set, and the worker that
// runs one of them: open the link, run the job, keep the error text, close.
// The command line runs the worker directly; the progress window runs it on
// a thread and observes it.

#include "model/Observer.h"
#include "model/RegisterImage.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class CModbusInterface;

// Stores the percentage and says whether to go on (false: cancel requested).
using ProgressReport = std::function<bool(double percent)>;

enum class TransferResult { Completed, Cancelled };

// Words 70-73: device address, baud rate, parity and stop bit, the settings
// by which a meter is reached on its line. Meters sharing one line each keep
// their own.
inline constexpr int kLinkFirstWord = image_words::kDeviceAddress;
inline constexpr int kLinkWordCount = 4;
// Lays the link words of `from` over `to`.
void CopyLinkSettings(const CRegisterImage& from, CRegisterImage& to);
// True when a model with these capability flags holds the link words (the
// Modbus option).
bool HasLinkWords(std::uint32_t flags);

struct SDownloadOptions
{
    // Reads the meter's link words first and writes them back unchanged, so
    // that the meter stays at its address and speed whatever the image says.
    bool keepLink = false;
};

// What a job found out about the meter, also when it then failed: once the
// identity registers were read, the pair they gave (which may name no
// model). A refusal of the meter is told apart from a link failure by it.
struct SMeterFindings
{
    bool identityRead = false;
    CDeviceType identity;
    std::string serial; // once read (an upload reads it after the identity)
};

// Reads the word order, the identity, the serial number and every block of
// the connected meter's model into `image` (which the caller starts as a
// factory image). Failures come wrapped in the
// communication error text; the link must be open.
TransferResult UploadJob(CModbusInterface& link, CRegisterImage& image, const ProgressReport& report,
                         SMeterFindings* findings = nullptr);
// Writes `image` into the meter, refusing a meter of another model.
TransferResult DownloadJob(CModbusInterface& link, const CRegisterImage& image, const ProgressReport& report,
                           const SDownloadOptions& options = {}, SMeterFindings* findings = nullptr);

// The steps the jobs are made of, for a job that puts them together its own
// way (the safe download). Failures pass through unwrapped.
// Registers 9600-9601, the pair noted in `findings` (when given) as soon as
// it is read; an unknown pair is refused with message 11023.
CDeviceType IdentifyMeter(CModbusInterface& link, SMeterFindings* findings);
// Register 7006: true when the meter sends a 32-bit value high word first.
bool ReadWordSwap(CModbusInterface& link);
// Registers 9605-9612: the serial number.
std::string ReadSerialNumber(CModbusInterface& link);
// Register 900: 1 before a write of settings, 0 after it.
void WriteDownloadFlag(CModbusInterface& link, std::uint16_t value);
// Reads every block of the image's model into `image`, one request a block,
// in table order; progress 0 ... 100 (100 not reported).
TransferResult ReadModelBlocks(CModbusInterface& link, CRegisterImage& image, bool swap, const ProgressReport& report);
// Writes every block of the image's model, one request a block, in table
// order (without register 900); progress 0 ... 100 (100 not reported).
// `sent` becomes true once the first write went out.
TransferResult WriteModelBlocks(CModbusInterface& link, const CRegisterImage& image, bool swap,
                                const ProgressReport& report, bool* sent = nullptr);

// `detail` inside the communication error wrapper, as the jobs report a
// failure of the link.
std::string CommunicationErrorText(const std::string& detail);
// The text inside a job's communication error wrapper (the text itself when
// it has none), for a line of its own per meter.
std::string CommunicationErrorDetail(const std::string& text);

// Any work on an open link, as a worker runs it (the stages of a safe
// download): Completed, or Cancelled; a failure raises CPrivateException.
using LinkJob = std::function<TransferResult(CModbusInterface& link, const ProgressReport& report)>;

class CProgressThread : public CObservable
{
public:
    enum Kind { kUpload = 0, kDownload = 1 };

    // `link` and `image` are not owned and must outlive the worker.
    CProgressThread(Kind kind, CModbusInterface& link, CRegisterImage& image);
    // Runs `job` between the link's open and close instead (kind kDownload);
    // its error text is kept whole, since it may name where settings are kept.
    CProgressThread(LinkJob job, CModbusInterface& link);
    // Before Start or Run.
    void SetDownloadOptions(const SDownloadOptions& options) { m_options = options; }
    ~CProgressThread() override;

    // The body on a new thread, or on the calling one.
    void Start();
    void Run();
    void Join();

    // From any thread: the job stops after the block in progress. The
    // caller also aborts the link so that a pending exchange gives up.
    void RequestCancel() { m_cancel = true; }

    Kind JobKind() const { return m_kind; }
    double Progress() const { return m_progress; }
    bool Done() const { return m_done; }
    bool CancelRequested() const { return m_cancel; }
    bool Completed() const { return m_completed; }
    // Set once Done(); empty on success and on cancel without a failure.
    const std::string& ErrorText() const { return m_error; }
    // True when a call of the job was given up (the link was aborted or its
    // cancel descriptor became readable): no error, and no text.
    bool LinkCancelled() const { return m_linkCancelled; }
    // Read once Done().
    const SMeterFindings& Findings() const { return m_findings; }

private:
    bool Report(double percent);

    Kind m_kind;
    CModbusInterface& m_link;
    CRegisterImage m_noImage; // what m_image names for a LinkJob
    CRegisterImage& m_image;
    LinkJob m_job;
    std::atomic<double> m_progress{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_cancel{false};
    bool m_completed = false;
    std::string m_error;
    bool m_linkCancelled = false;
    SDownloadOptions m_options;
    SMeterFindings m_findings;
    std::thread m_thread;
};

// The whole upload as a caller wants it: on success the result replaces
// `image` and true is returned; on cancel `image` is untouched and false is
// returned; a failure raises CPrivateException (image untouched).
// `findings`, when given, receives what the job found out about the meter.
bool RunUpload(CModbusInterface& link, CRegisterImage& image, const ProgressReport& report,
               const std::atomic<bool>* cancel = nullptr, SMeterFindings* findings = nullptr);
// Returns false on cancel; a failure raises CPrivateException.
bool RunDownload(CModbusInterface& link, const CRegisterImage& image, const ProgressReport& report,
                 const std::atomic<bool>* cancel = nullptr, const SDownloadOptions& options = {},
                 SMeterFindings* findings = nullptr);
