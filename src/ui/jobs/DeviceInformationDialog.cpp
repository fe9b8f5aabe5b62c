#include "ui/jobs/DeviceInformationDialog.h"

#include "app/MessageFormat.h"
#include "comm/ModbusInterface.h"
#include "files/FileStringIds.h"
#include "files/MeterHistory.h"
#include "jobs/TagMaxMin.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/FileDialogs.h"
#include "ui/common/UiText.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/LedIndicator.h"
#include "ui/jobs/TagDialog.h"
#include "ui/jobs/TrendView.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kValueColumns = 2;

// The area of the value table: the grid's two columns share its width.
class CValueTableArea : public QWidget
{
public:
    CValueTableArea(CDataGridView* grid, QWidget* parent) : QWidget(parent), m_grid(grid)
    {
        m_grid->setParent(this);
        for (int r = 0; r < CDeviceInformationDialog::kValueRows; ++r)
            m_header.push_back({static_cast<int>(monitortext::kFirstLabel) + r, 0, r});
        const QFontMetrics fm = fontMetrics();
        int widest = fm.horizontalAdvance(QString(20, QLatin1Char('0')));
        for (const CGridHeaderCell& cell : m_header)
            widest = std::max(widest, fm.horizontalAdvance(UiText(static_cast<unsigned>(cell.stringId))));
        m_minimumColumn = widest + 12;
        Layout(kValueColumns * m_minimumColumn + 1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize minimumSizeHint() const override
    {
        return QSize(kValueColumns * m_minimumColumn + 1, m_grid->sizeHint().height());
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        Layout(event->size().width());
    }

private:
    void Layout(int width)
    {
        m_grid->SetHeader(m_header, std::max((width - 1) / kValueColumns, 10), kValueColumns,
                          CDeviceInformationDialog::kValueRows);
        m_grid->move(0, 0);
    }

    CDataGridView* m_grid;
    std::vector<CGridHeaderCell> m_header;
    int m_minimumColumn = 0;
};

} // namespace

CDeviceInformationDialog::CDeviceInformationDialog(CModbusInterface& link, QWidget* parent)
    : CObserverDialog(parent), m_link(link), m_worker(std::make_unique<CBackThread>(link, m_measurands))
{
    m_clock.start();
    m_measurands.Attach(Observer());
    BuildControls();
}

CDeviceInformationDialog::~CDeviceInformationDialog()
{
    StopPolling();
}

int CDeviceInformationDialog::Run(QWidget* parent, CModbusInterface& link)
{
    CDeviceInformationDialog dialog(link, parent);
    return dialog.exec();
}

void CDeviceInformationDialog::BuildControls()
{
    setWindowTitle(UiText(monitortext::kTitle));
    setSizeGripEnabled(true);
    // Made in the order Tab goes through them.
    QLayout* top = BuildStatusLine();

    m_table = new CDataGridView;
    m_table->setObjectName(QStringLiteral("valueTable"));
    m_table->setAccessibleName(UiText(monitortext::kLiveValues));
    m_table->SetToolTipsEnabled(true);
    m_table->setFocusPolicy(Qt::NoFocus); // display only
    auto* tableArea = new CValueTableArea(m_table, this);

    auto* trendGroup = new QGroupBox(UiText(monitortext::kTrend), this);
    m_trendView = new CTrendView(m_trend, trendGroup);
    m_trendView->setAccessibleName(trendGroup->title());
    auto* trendLayout = new QVBoxLayout(trendGroup);
    trendLayout->addWidget(m_trendView);

    QLayout* actions = BuildActions();
    auto* values = new QVBoxLayout;
    values->addWidget(tableArea);
    values->addWidget(trendGroup, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(values, 1);
    body->addLayout(actions);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    connect(m_tag, &QPushButton::clicked, this, &CDeviceInformationDialog::OnTag);
    connect(m_maxMin, &QPushButton::clicked, this, &CDeviceInformationDialog::OnMaxMin);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_address, &QComboBox::activated, this, &CDeviceInformationDialog::OnAddressChosen);
    connect(m_record, &QPushButton::clicked, this, &CDeviceInformationDialog::OnRecord);
    connect(m_saveTrend, &QPushButton::clicked, this, &CDeviceInformationDialog::OnSaveTrend);
    PaintStatus();
}

QLayout* CDeviceInformationDialog::BuildStatusLine()
{
    const QFontMetrics fm = fontMetrics();
    m_lamp = new CLedIndicator(this);
    m_lamp->setObjectName(QStringLiteral("lamp"));
    m_lamp->setAccessibleName(UiText(monitortext::kLamp));
    m_lamp->setFixedSize(fm.height(), fm.height());
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("status"));
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setAutoFillBackground(true);
    m_statusLabel->setAlignment(Qt::AlignCenter);
    // As wide as the longer text, so that the line does not jump.
    m_statusLabel->setMinimumWidth(std::max(fm.horizontalAdvance(UiText(monitortext::kCommunicationError)),
                                            fm.horizontalAdvance(UiText(monitortext::kCommunicating))) +
                                   8);

    m_addressLabel = new QLabel(UiText(monitortext::kDeviceAddress), this);
    m_address = new QComboBox(this);
    m_address->setObjectName(QStringLiteral("deviceAddress"));
    for (int a = kLowestAddress; a <= kHighestAddress; ++a)
        m_address->addItem(QString::number(a));
    m_address->setCurrentIndex(std::clamp(m_link.Settings().Address, kLowestAddress, kHighestAddress) - kLowestAddress);
    m_addressLabel->setBuddy(m_address);
    m_address->setAccessibleName(m_addressLabel->text());
    // The infrared CONFIG port answers as unit 1 whatever the address.
    const bool infrared = m_link.Settings().Mode == kModeInfrared;
    m_addressLabel->setVisible(!infrared);
    m_address->setVisible(!infrared);

    // Beside the lamp: whether the polls are being recorded, and how many.
    m_recordLabel = new QLabel(this);
    m_recordLabel->setObjectName(QStringLiteral("recording"));
    m_recordLabel->setTextFormat(Qt::PlainText);
    m_recordLabel->setVisible(false);

    auto* top = new QHBoxLayout;
    top->addWidget(m_lamp);
    top->addWidget(m_statusLabel);
    top->addWidget(m_recordLabel);
    top->addStretch(1);
    top->addWidget(m_addressLabel);
    top->addWidget(m_address);
    return top;
}

QLayout* CDeviceInformationDialog::BuildActions()
{
    auto button = [this](unsigned id, const char* name) {
        auto* b = new QPushButton(CommandCaption(id), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_tag = button(monitortext::kTag, "tag");
    m_maxMin = button(monitortext::kMaxMin, "maxMin");
    m_close = button(monitortext::kClose, "close");
    m_record = button(monitortext::kRecord, "record");
    m_saveTrend = button(monitortext::kSaveTrend, "saveTrend");
    auto* utility = new QGroupBox(UiText(monitortext::kUtility), this);
    (new QVBoxLayout(utility))->addWidget(m_tag);
    auto* reset = new QGroupBox(UiText(monitortext::kReset), this);
    (new QVBoxLayout(reset))->addWidget(m_maxMin);

    auto* actions = new QVBoxLayout;
    actions->addWidget(utility);
    actions->addWidget(reset);
    actions->addWidget(m_record);
    actions->addWidget(m_saveTrend);
    actions->addStretch(1);
    actions->addWidget(m_close);
    return actions;
}

QPushButton* CDeviceInformationDialog::Button(unsigned captionId) const
{
    switch (captionId) {
    case monitortext::kTag: return m_tag;
    case monitortext::kMaxMin: return m_maxMin;
    case monitortext::kClose: return m_close;
    case monitortext::kRecord:
    case monitortext::kStopRecording: return m_record;
    case monitortext::kSaveTrend: return m_saveTrend;
    default: return nullptr;
    }
}

void CDeviceInformationDialog::showEvent(QShowEvent* event)
{
    CObserverDialog::showEvent(event);
    if (!m_started)
        StartPolling();
}

void CDeviceInformationDialog::StartPolling()
{
    m_started = true;
    m_worker->Start();
    m_worker->PostCommand(CBackThread::kPoll);
    m_error = false;
    m_timer = startTimer(kBlinkPeriodMs);
}

void CDeviceInformationDialog::StopPolling()
{
    if (m_timer) {
        killTimer(m_timer);
        m_timer = 0;
    }
    // Gives up a pending exchange at once and waits for the thread.
    m_worker->Stop();
}

void CDeviceInformationDialog::done(int result)
{
    StopPolling();
    StopRecording();
    CObserverDialog::done(result);
}

void CDeviceInformationDialog::OnObserverUpdate(CObservable*)
{
    // A result that arrives after the window began to close is not shown.
    if (!m_worker->Running())
        return;
    const bool error = m_worker->Error();
    ShowPoll(error, m_measurands);
    m_statusLabel->setToolTip(error ? UiMessage(m_worker->ErrorText()) : QString());
    RecordPoll(error);
    m_worker->PostCommand(CBackThread::kPoll);
}

void CDeviceInformationDialog::ShowPoll(bool error, const CMeasurands& values)
{
    ++m_pollsShown;
    if (error) {
        m_statusText = UiText(monitortext::kCommunicationError);
        m_error = true;
        m_trend.Pause();
    } else {
        m_table->ClearCells();
        for (int r = 0; r < kValueRows; ++r)
            m_table->SetCell(1, r,
                             QString::fromStdString(values.MeasurandText(kRowMeasurands[static_cast<std::size_t>(r)])));
        m_statusText = UiText(monitortext::kCommunicating);
        m_error = false;
        const bool wasSet = m_blink;
        m_blink = !m_blink;
        m_lamp->SetColor(wasSet ? QColor(100, 100, 255) : QColor(Qt::black));
        m_trend.AddReading(static_cast<double>(m_clock.elapsed()) / 1000.0, values);
    }
    m_trendView->update();
    PaintStatus(); // at once; the blink timer only toggles
}

void CDeviceInformationDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer)
        return CObserverDialog::timerEvent(event);
    if (m_error)
        m_blink = !m_blink;
    PaintStatus();
}

void CDeviceInformationDialog::PaintStatus()
{
    m_statusLabel->setText(m_statusText);
    QPalette pal = palette();
    if (!m_error) {
        pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    } else if (m_blink) {
        pal.setColor(QPalette::WindowText, QColor(Qt::white));
        pal.setColor(QPalette::Window, QColor(255, 0, 0));
    } else {
        pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    }
    m_statusLabel->setPalette(pal);
    if (m_error)
        m_lamp->SetColor(m_blink ? QColor(255, 0, 0) : QColor(Qt::black));
}

void CDeviceInformationDialog::OnAddressChosen(int index)
{
    // Applied at the next open, by whoever opens the link next.
    m_worker->SetDeviceAddress(kLowestAddress + index);
}

void CDeviceInformationDialog::OnTag()
{
    RunCommand(this, [this] {
        // Held from the read to the write: no poll comes between them.
        const auto lock = m_worker->LockLink();
        CTagDialog dialog(QString::fromStdString(ReadTag(m_link)), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        CMeterHistory history;
        if (const std::string warning = WriteTag(m_link, dialog.Tag().toStdString(), history); !warning.empty())
            ShowMessage(this, UiMessage(warning), MessageIcon::Warning);
    });
}

void CDeviceInformationDialog::OnMaxMin()
{
    if (!AskQuestion(this, UiText(monitortext::kAreYouSure)))
        return;
    RunCommand(this, [this] {
        const auto lock = m_worker->LockLink();
        CMeterHistory history;
        if (const std::string warning = ResetMaxMin(m_link, history); !warning.empty())
            ShowMessage(this, UiMessage(warning), MessageIcon::Warning);
    });
}

void CDeviceInformationDialog::OnRecord()
{
    if (m_log.IsOpen()) {
        StopRecording();
        return;
    }
    const QString path = AskFileName(EFileDialog::RecordCsv);
    if (path.isEmpty())
        return;
    RunCommand(this, [this, &path] {
        m_log.Open(path.toStdString());
        m_record->setText(CommandCaption(monitortext::kStopRecording));
        SayRecording(LoadMessage(monitortext::kRecordingRows, {0}));
        m_recordLabel->setVisible(true);
    });
}

void CDeviceInformationDialog::RecordPoll(bool error)
{
    if (!m_log.IsOpen())
        return;
    const bool written = RunCommand(this, [this, error] {
        m_log.AddPoll(CLiveValueLog::Clock::now(), error ? nullptr : &m_measurands, m_worker->ErrorText());
    });
    if (!written) {
        StopRecording(); // the record closed itself; the window says so
        return;
    }
    SayRecording(LoadMessage(monitortext::kRecordingRows, {m_log.Rows()}));
}

void CDeviceInformationDialog::StopRecording()
{
    if (m_log.Path().empty())
        return;
    m_log.Close();
    m_record->setText(CommandCaption(monitortext::kRecord));
    SayRecording(LoadMessage(monitortext::kRecordingStopped, {m_log.Rows(), m_log.Path()}));
}

void CDeviceInformationDialog::SayRecording(const std::string& text)
{
    m_recordLabel->setText(UiMessage(text));
    // The name is what a screen reader reads as the count changes.
    m_recordLabel->setAccessibleName(m_recordLabel->text());
}

void CDeviceInformationDialog::OnSaveTrend()
{
    const QString path = AskFileName(EFileDialog::TrendPng);
    if (!path.isEmpty())
        SaveTrend(path);
}

bool CDeviceInformationDialog::SaveTrend(const QString& path)
{
    // QImage::save tells no reason; the message names the file.
    if (m_trendView->grab().toImage().save(path, "PNG"))
        return true;
    ShowMessage(this,
                UiMessage(LoadMessage(monitortext::kTrendNotSaved, {QDir::toNativeSeparators(path).toStdString()})),
                MessageIcon::Error);
    return false;
}

QString CDeviceInformationDialog::AskFileName(EFileDialog kind)
{
    if (m_askFileName)
        return m_askFileName(this, kind);
    if (kind == EFileDialog::RecordCsv)
        return AskFilePath(this, file_ids::kCsvFileFilter, QStringLiteral("csv"), true);
    return AskFilePath(this, monitortext::kPngFileFilter, QStringLiteral("png"), true);
}
