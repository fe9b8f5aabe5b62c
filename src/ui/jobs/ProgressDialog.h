#pragma once
// "Processing...": runs an upload or download on a worker thread, shows its
// progress (and, on the infrared port, the link quality), and ends only
// when the worker is done. Cancel asks the worker to stop and aborts the
// pending exchange, again and again until the worker has stopped: an Abort
// that falls between two requests would otherwise be lost. The link's Abort
// ends any of its waits, so a worker still running after StopLimit() is a
// fault: the user is told, and the window still waits for it, since the
// worker uses the link and the image until it ends.

#include "jobs/TransferJobs.h"
#include "model/RegisterImage.h"
#include "ui/jobs/ObserverDialog.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <array>
#include <chrono>
#include <functional>
#include <memory>

class CModbusInterface;
class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDialog : public CObserverDialog
{
    Q_OBJECT
public:
    CProgressDialog(CModbusInterface& link, CProgressThread::Kind kind, QWidget* parent = nullptr);
    // Runs `job` on the link, under the caption of string `captionId`.
    CProgressDialog(CModbusInterface& link, LinkJob job, unsigned captionId, QWidget* parent = nullptr);
    ~CProgressDialog() override;

    CRegisterImage& Image() { return m_image; }
    const std::string& ErrorText() const { return m_error; }
    const SMeterFindings& Findings() const { return m_findings; }

    // Reads the meter into `image`: true on success (image replaced), false
    // on Cancel (image untouched); a failure raises CPrivateException.
    // `findings`, when given, receives what the upload found out about the
    // meter.
    static bool RunUpload(QWidget* parent, CModbusInterface& link, CRegisterImage& image,
                          SMeterFindings* findings = nullptr);
    // Writes `image` into the meter: false on Cancel; a failure raises.
    static bool RunDownload(QWidget* parent, CModbusInterface& link, const CRegisterImage& image);
    // A line under the bar that says what the job is at, read on the
    // window's thread each time the bar moves (the job keeps it in atomics).
    using DetailText = std::function<QString()>;
    // Runs `job` (a stage of a safe download, a search): true when it
    // completed, false on Cancel; a failure raises CPrivateException with the
    // job's text.
    static bool RunJob(QWidget* parent, CModbusInterface& link, unsigned captionId, LinkJob job,
                       DetailText detail = {});
    QLabel* DetailLabel() const { return m_detail; }

    // The quality icon level for a link quality in percent (0 ... 3), and
    // the icon of a level.
    static int QualityLevel(double quality);
    static QPixmap QualityPixmap(int level);

    // How long after Cancel (or the window's end) the worker may take before
    // it is reported; 10 seconds unless set.
    static std::chrono::milliseconds StopLimit();
    static void SetStopLimit(std::chrono::milliseconds limit);

    QProgressBar* ProgressBar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }
    QLabel* QualityText() const { return m_percent; }
    QLabel* QualityIcon() const { return m_icon; }

public slots:
    void reject() override; // Escape and the close box count as Cancel

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void OnObserverUpdate(CObservable* observable) override;

private:
    void Build(unsigned captionId);
    void StartWorker();
    void OnCancel();
    void StopTick();
    void ReportStuckWorker();

    CModbusInterface& m_link;
    CProgressThread::Kind m_kind;
    LinkJob m_job;
    CRegisterImage m_image;
    std::string m_error;
    SMeterFindings m_findings;
    bool m_completed = false;
    std::unique_ptr<CProgressThread> m_worker;
    bool m_infrared;
    int m_timer = 0;
    int m_stopTimer = 0;
    QElapsedTimer m_stopClock;
    bool m_stuckReported = false;
    QLabel* m_caption;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QLabel* m_percent;
    QLabel* m_detail = nullptr;
    DetailText m_detailText;
    QLabel* m_icon;
    std::array<QPixmap, 4> m_qualityIcons;
};
