#include "ui/jobs/ProgressDialog.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/Trace.h"
#include "comm/ModbusInterface.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <thread>

namespace {

constexpr int kTimerPeriodMs = 500;
// How often a stopping worker's link is aborted again.
constexpr int kStopPeriodMs = 50;

std::chrono::milliseconds g_stopLimit{10000};

} // namespace

std::chrono::milliseconds CProgressDialog::StopLimit()
{
    return g_stopLimit;
}

void CProgressDialog::SetStopLimit(std::chrono::milliseconds limit)
{
    g_stopLimit = limit;
}

// The four link quality icons: 0 to 3 lit bars of a signal meter.
QPixmap CProgressDialog::QualityPixmap(int level)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    for (int bar = 0; bar < 3; ++bar) {
        const int height = 5 + bar * 4;
        const QRect r(1 + bar * 5, 15 - height, 4, height);
        const QColor lit = level == 1 ? QColor(220, 60, 40) : level == 2 ? QColor(230, 170, 20) : QColor(40, 160, 60);
        p.fillRect(r, bar < level ? lit : QColor(190, 190, 190));
        p.setPen(QColor(90, 90, 90));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    return pixmap;
}

CProgressDialog::CProgressDialog(CModbusInterface& link, CProgressThread::Kind kind, QWidget* parent)
    : CObserverDialog(parent), m_link(link), m_kind(kind), m_infrared(link.Settings().Mode == kModeInfrared)
{
    Build(kind == CProgressThread::kUpload ? uitext::kUploadingNow : uitext::kDownloadingNow);
}

CProgressDialog::CProgressDialog(CModbusInterface& link, LinkJob job, unsigned captionId, QWidget* parent)
    : CObserverDialog(parent), m_link(link), m_kind(CProgressThread::kDownload), m_job(std::move(job)),
      m_infrared(link.Settings().Mode == kModeInfrared)
{
    Build(captionId);
}

void CProgressDialog::Build(unsigned captionId)
{
    setWindowTitle(UiText(uitext::kProcessing));
    setModal(true);
    m_caption = new QLabel(this);
    m_caption->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(UiText(uitext::kCancel), this);
    m_percent = new QLabel(this);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(16, 16);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_cancel);
    bottom->addStretch(1);
    bottom->addWidget(m_percent);
    bottom->addWidget(m_icon);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addWidget(m_bar);
    layout->addLayout(bottom);
    setMinimumWidth(320);

    m_caption->setText(UiText(captionId));
    m_percent->setVisible(m_infrared);
    m_icon->setVisible(m_infrared);
    if (m_infrared)
        for (int level = 0; level < 4; ++level)
            m_qualityIcons[level] = QualityPixmap(level);
    connect(m_cancel, &QPushButton::clicked, this, &CProgressDialog::OnCancel);
}

CProgressDialog::~CProgressDialog()
{
    // The dialog only ends after the worker reported done; this covers a
    // dialog destroyed without having been run to its end.
    if (!m_worker)
        return;
    m_worker->RequestCancel();
    QElapsedTimer clock;
    clock.start();
    while (!m_worker->Done()) {
        m_link.Abort();
        if (clock.elapsed() >= g_stopLimit.count()) {
            ReportStuckWorker();
            break; // and wait: the worker still uses the link and the image
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kStopPeriodMs / 5));
    }
    m_worker->Join();
}

void CProgressDialog::ReportStuckWorker()
{
    if (m_stuckReported)
        return;
    m_stuckReported = true;
    const long long seconds = std::max<long long>(1, (g_stopLimit.count() + 999) / 1000);
    const std::string text = LoadMessage(uitext::kTransferDidNotStop, {seconds});
    CTrace::Write("%s\n", {text});
    ShowMessage(this, UiMessage(text), MessageIcon::Error);
}

void CProgressDialog::showEvent(QShowEvent* event)
{
    CObserverDialog::showEvent(event);
    if (!m_worker)
        StartWorker();
}

void CProgressDialog::StartWorker()
{
    m_worker = m_job ? std::make_unique<CProgressThread>(m_job, m_link)
                     : std::make_unique<CProgressThread>(m_kind, m_link, m_image);
    m_worker->Attach(Observer());
    m_worker->Start();
    m_timer = startTimer(kTimerPeriodMs);
}

int CProgressDialog::QualityLevel(double quality)
{
    return quality >= 80 ? 3 : quality >= 40 ? 2 : quality > 0 ? 1 : 0;
}

void CProgressDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_stopTimer)
        return StopTick();
    if (event->timerId() != m_timer)
        return CObserverDialog::timerEvent(event);
    const double quality = m_link.LinkQuality();
    m_percent->setText(QString::asprintf("%.1f", quality));
    if (m_infrared)
        m_icon->setPixmap(m_qualityIcons[QualityLevel(quality)]);
}

void CProgressDialog::OnObserverUpdate(CObservable*)
{
    if (!m_worker)
        return;
    if (!m_worker->Done()) {
        m_bar->setValue(static_cast<int>(m_worker->Progress()));
        if (m_detail)
            m_detail->setText(m_detailText());
        return;
    }
    for (int* timer : {&m_timer, &m_stopTimer}) {
        if (*timer) {
            killTimer(*timer);
            *timer = 0;
        }
    }
    const bool cancelled = m_worker->CancelRequested();
    m_error = m_worker->ErrorText();
    m_findings = m_worker->Findings();
    m_completed = m_worker->Completed();
    m_worker->Join();
    m_worker.reset();
    if (cancelled)
        QDialog::reject();
    else
        QDialog::accept();
}

void CProgressDialog::OnCancel()
{
    if (!m_worker)
        return;
    m_worker->RequestCancel();
    m_link.Abort();
    if (!m_stopTimer) {
        m_stopClock.start();
        m_stopTimer = startTimer(kStopPeriodMs);
    }
}

void CProgressDialog::StopTick()
{
    if (!m_worker || m_worker->Done())
        return; // its done report is on its way
    m_link.Abort();
    if (m_stopClock.elapsed() >= g_stopLimit.count())
        ReportStuckWorker(); // the window stays until the worker reports done
}

void CProgressDialog::reject()
{
    OnCancel(); // the window closes when the worker reports done
}

bool CProgressDialog::RunUpload(QWidget* parent, CModbusInterface& link, CRegisterImage& image,
                                SMeterFindings* findings)
{
    CProgressDialog dialog(link, CProgressThread::kUpload, parent); // its image starts as a factory image
    const int result = dialog.exec();
    if (findings)
        *findings = dialog.Findings();
    if (result != QDialog::Accepted)
        return false;
    if (!dialog.ErrorText().empty())
        throw CPrivateException(dialog.ErrorText());
    image.Assign(dialog.Image());
    return true;
}

bool CProgressDialog::RunDownload(QWidget* parent, CModbusInterface& link, const CRegisterImage& image)
{
    CProgressDialog dialog(link, CProgressThread::kDownload, parent);
    dialog.Image().Assign(image);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!dialog.ErrorText().empty())
        throw CPrivateException(dialog.ErrorText());
    return true;
}

bool CProgressDialog::RunJob(QWidget* parent, CModbusInterface& link, unsigned captionId, LinkJob job,
                             DetailText detail)
{
    CProgressDialog dialog(link, std::move(job), captionId, parent);
    if (detail) {
        dialog.m_detail = new QLabel(&dialog);
        dialog.m_detail->setTextFormat(Qt::PlainText);
        dialog.m_detail->setAlignment(Qt::AlignCenter);
        static_cast<QVBoxLayout*>(dialog.layout())->insertWidget(2, dialog.m_detail);
        dialog.m_detailText = std::move(detail);
        const QString first = dialog.m_detailText();
        dialog.m_detail->setText(first);
        // Room for the text to grow by a few digits without being cut.
        dialog.m_detail->setMinimumWidth(
            dialog.m_detail->fontMetrics().horizontalAdvance(first + QStringLiteral("0000")));
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!dialog.ErrorText().empty())
        throw CPrivateException(dialog.ErrorText());
    return dialog.m_completed;
}
