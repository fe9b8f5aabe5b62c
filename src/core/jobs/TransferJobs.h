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

// Reads every block of the connected meter's model into `image` (which the
// caller starts as a factory image). Failures come wrapped in the
// communication error text; the link must be open.
TransferResult UploadJob(CModbusInterface& link, CRegisterImage& image, const ProgressReport& report);
// Writes `image` into the meter, refusing a meter of another model.
TransferResult DownloadJob(CModbusInterface& link, const CRegisterImage& image, const ProgressReport& report);

class CProgressThread : public CObservable
{
public:
    enum Kind { kUpload = 0, kDownload = 1 };

    // `link` and `image` are not owned and must outlive the worker.
    CProgressThread(Kind kind, CModbusInterface& link, CRegisterImage& image);
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

private:
    bool Report(double percent);

    Kind m_kind;
    CModbusInterface& m_link;
    CRegisterImage& m_image;
    std::atomic<double> m_progress{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_cancel{false};
    bool m_completed = false;
    std::string m_error;
    std::thread m_thread;
};

// The whole upload as a caller wants it: on success the result replaces
// `image` and true is returned; on cancel `image` is untouched and false is
// returned; a failure raises CPrivateException (image untouched).
bool RunUpload(CModbusInterface& link, CRegisterImage& image, const ProgressReport& report,
               const std::atomic<bool>* cancel = nullptr);
// Returns false on cancel; a failure raises CPrivateException.
bool RunDownload(CModbusInterface& link, const CRegisterImage& image, const ProgressReport& report,
                 const std::atomic<bool>* cancel = nullptr);
