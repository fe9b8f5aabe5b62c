#include "ui/jobs/LineWindow.h"

#include "app/DecimalInteger.h"
#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/FileStringIds.h"
#include "files/IniFile.h"
#include "files/MeterHistory.h"
#include "files/ParameterReport.h"
#include "jobs/BusScan.h"
#include "model/RegisterMap.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/FileDialogs.h"
#include "ui/common/UiText.h"
#include "ui/files/CompareDialog.h"
#include "ui/jobs/DownloadPreviewDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace text = linetext;

namespace {

inline constexpr unsigned kRangeInvalid = 17120;
inline constexpr unsigned kScanning = 17121;
inline constexpr unsigned kScanDone = 17122;
inline constexpr unsigned kScanStopped = 17123;
inline constexpr unsigned kSelectSome = 17124;
inline constexpr unsigned kSelectOne = 17125;
inline constexpr unsigned kVerified = 17127;
inline constexpr unsigned kNotVerified = 17128;
inline constexpr unsigned kAlreadyHeld = 17129;
inline constexpr unsigned kOtherModel = 17130;
inline constexpr unsigned kFailed = 17131;
inline constexpr unsigned kNotDone = 17132;
inline constexpr unsigned kStopped = 17133;
inline constexpr unsigned kDifferences = 17134;
inline constexpr unsigned kNotHeld = 17135;
inline constexpr unsigned kAddressInvalid = 17136;
inline constexpr unsigned kAddressInUse = 17137;
inline constexpr unsigned kMoved = 17138;
inline constexpr unsigned kWorking = 17139;
inline constexpr unsigned kActionDone = 17140;
inline constexpr unsigned kActionStopped = 17141;
inline constexpr unsigned kNoScanOnInfrared = 17142;
inline constexpr unsigned kNotAMeter = 17143;
inline constexpr unsigned kNotRead = 17144;
inline constexpr unsigned kCompareFirst = 17146;

QString StoppedText()
{
    return UiMessage(LoadMessage(kStopped, {std::string()}));
}

// A whole number from the box within `first` ... `last`, or nothing.
std::optional<int> AddressIn(const QLineEdit* box, int first, int last)
{
    const auto n = ParseDecimalInteger(box->text().trimmed().toStdString());
    if (!n || *n < first || *n > last)
        return std::nullopt;
    return static_cast<int>(*n);
}

QLineEdit* AddressBox(const QString& value, unsigned captionId, QWidget* parent)
{
    auto* box = new QLineEdit(value, parent);
    box->setAccessibleName(UiText(captionId));
    box->setMaxLength(3);
    box->setMaximumWidth(60);
    return box;
}

} // namespace

CLineWindow::CLineWindow(const CRegisterImage& settings, const ComSettings& link, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_link(link)
{
    Build();
}

CLineWindow::~CLineWindow()
{
    m_cancel = true;
    m_link.Abort();
    // Abort ends the exchange in progress; one that starts after it would
    // not see it, so the worker's own check of m_cancel ends the rest.
    if (m_worker.joinable())
        m_worker.join();
}

void CLineWindow::Build()
{
    setWindowTitle(UiText(text::kTitle));
    setSizeGripEnabled(true);
    auto* range = new QHBoxLayout;
    m_from = AddressBox(QString::number(kFirstDeviceAddress), text::kFrom, this);
    m_to = AddressBox(QString::number(kLastDeviceAddress), text::kTo, this);
    for (auto [captionId, box] : {std::pair{text::kFrom, m_from}, std::pair{text::kTo, m_to}}) {
        auto* label = new QLabel(UiText(captionId), this);
        label->setBuddy(box);
        range->addWidget(label);
        range->addWidget(box);
    }
    m_actions.push_back(AddButton(range, text::kScan, &CLineWindow::OnScan));
    m_stop = AddButton(range, text::kStop, nullptr);
    connect(m_stop, &QPushButton::clicked, this, [this] { OnStop(); });
    m_bar = new QProgressBar(this);
    m_bar->setAccessibleName(UiText(text::kScan));
    range->addWidget(m_bar, 1);

    m_model = new QStandardItemModel(0, kColumnCount, this);
    for (int c = 0; c < kColumnCount; ++c)
        m_model->setHeaderData(c, Qt::Horizontal, UiText(text::kFirstColumn + static_cast<unsigned>(c)));
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->setAccessibleName(UiText(text::kMetersFound));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setWordWrap(false);
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { OnDoubleClick(i.row()); });

    auto* commands = new QHBoxLayout;
    m_actions.push_back(AddButton(commands, text::kOpen, &CLineWindow::OnOpen));
    m_actions.push_back(AddButton(commands, text::kDownload, &CLineWindow::OnDownload));
    m_actions.push_back(AddButton(commands, text::kCompare, &CLineWindow::OnCompare));
    m_newAddress = AddressBox(QString(), text::kNewAddress, this);
    auto* newLabel = new QLabel(UiText(text::kNewAddress), this);
    newLabel->setBuddy(m_newAddress);
    commands->addWidget(newLabel);
    commands->addWidget(m_newAddress);
    m_actions.push_back(AddButton(commands, text::kSetAddress, &CLineWindow::OnSetAddress));
    m_actions.push_back(AddButton(commands, text::kExportCsv, &CLineWindow::OnExportCsv));
    commands->addStretch(1);
    connect(AddButton(commands, text::kClose, nullptr), &QPushButton::clicked, this, &QDialog::reject);

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAccessibleName(UiText(text::kFirstColumn + kResult));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(m_view, 1);
    layout->addLayout(commands);
    layout->addWidget(m_status);
    SetBusy(false);
    resize(1120, 420);
}

QPushButton* CLineWindow::AddButton(QLayout* layout, unsigned captionId, void (CLineWindow::*handler)())
{
    auto* button = new QPushButton(CommandCaption(captionId), this);
    button->setProperty("captionId", captionId);
    button->setAutoDefault(false);
    layout->addWidget(button);
    if (handler)
        connect(button, &QPushButton::clicked, this,
                [this, handler] { RunCommand(this, [&] { (this->*handler)(); }); });
    return button;
}

QPushButton* CLineWindow::Button(unsigned captionId) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->property("captionId").toUInt() == captionId)
            return b;
    return nullptr;
}

void CLineWindow::SetBusy(bool busy)
{
    for (QPushButton* b : m_actions)
        b->setEnabled(!busy);
    m_stop->setEnabled(busy);
    m_from->setEnabled(!busy);
    m_to->setEnabled(!busy);
}

void CLineWindow::StartWork(std::function<void()> body, std::function<void()> then)
{
    m_cancel = false;
    m_progress = 0;
    m_scanAddress = 0;
    m_then = std::move(then);
    SetBusy(true);
    m_bar->setValue(0);
    // The bar follows the worker on a timer: a scan of every address is no
    // storm of repaints, and Stop stays within reach.
    m_timer = startTimer(50);
    m_worker = std::thread([this, body = std::move(body)] {
        try {
            body();
        } catch (const std::exception& e) {
            // A failure of the link itself (a port that cannot be opened, a
            // gateway out of reach) ends the whole command; a stopped one is
            // no failure.
            if (!m_cancel) {
                const QString text = UiMessage(e.what());
                Post([this, text] {
                    m_status->setText(text);
                    ShowMessage(this, text, MessageIcon::Stop);
                });
            }
        }
        Post([this] { OnWorkEnded(); });
    });
}

void CLineWindow::OnWorkEnded()
{
    if (m_worker.joinable())
        m_worker.join();
    if (m_timer)
        killTimer(m_timer);
    m_timer = 0;
    Tick();
    SetBusy(false);
    if (auto then = std::exchange(m_then, {}); then && !m_cancel)
        RunCommand(this, then);
    if (!Busy())
        emit workFinished();
}

void CLineWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer)
        return QDialog::timerEvent(event);
    Tick();
}

void CLineWindow::Tick()
{
    m_bar->setValue(static_cast<int>(m_progress.load()));
    // Most addresses of a line are empty: the address being asked is told
    // here, not only when a meter answers.
    if (const int address = m_scanAddress.load(); address > 0)
        m_status->setText(UiMessage(LoadMessage(kScanning, {address})));
    // A Stop that fell between two exchanges would be lost: abort again
    // until the worker has seen it.
    if (m_cancel && Busy())
        m_link.Abort();
}

void CLineWindow::Post(std::function<void()> update)
{
    QMetaObject::invokeMethod(this, std::move(update), Qt::QueuedConnection);
}

void CLineWindow::PostResult(int address, const QString& result)
{
    Post([this, address, result] {
        const int row = RowOf(address);
        if (row >= 0)
            m_model->setData(m_model->index(row, kResult), result);
    });
}

void CLineWindow::OnStop()
{
    m_cancel = true;
    m_link.Abort();
}

void CLineWindow::reject()
{
    OnStop();
    if (m_worker.joinable())
        m_worker.join();
    m_then = {};
    QDialog::reject();
}

int CLineWindow::RowOf(int address) const
{
    for (int r = 0; r < m_model->rowCount(); ++r)
        if (m_model->data(m_model->index(r, kAddress)).toInt() == address)
            return r;
    return -1;
}

QString CLineWindow::ResultOf(int address) const
{
    const int row = RowOf(address);
    return row < 0 ? QString() : m_model->data(m_model->index(row, kResult)).toString();
}

void CLineWindow::OnScan()
{
    if (m_link.Settings().Mode == kModeInfrared)
        throw CPrivateException(CStringTable::Get(kNoScanOnInfrared));
    const std::optional<int> from = AddressIn(m_from, kFirstDeviceAddress, kLastDeviceAddress);
    const std::optional<int> to = AddressIn(m_to, kFirstDeviceAddress, kLastDeviceAddress);
    if (!from || !to || *to < *from) {
        (from ? m_to : m_from)->setFocus();
        throw CPrivateException(LoadMessage(kRangeInvalid, {kFirstDeviceAddress, kLastDeviceAddress}));
    }
    m_model->removeRows(0, m_model->rowCount());
    m_compared.clear();
    SScanOptions options;
    options.from = *from;
    options.to = *to;
    StartWork([this, options] { ScanBody(options); });
}

void CLineWindow::ScanBody(const SScanOptions& options)
{
    std::vector<int> meters;
    const double span = options.to - options.from + 1;
    auto progress = [&](int address) {
        m_scanAddress = address;
        m_progress = (address - options.from) / span * 100.0;
        return !m_cancel;
    };
    auto found = [&](const SScanFinding& f) {
        if (f.IsMeter())
            meters.push_back(f.address);
        Post([this, f] { AddMeter(f); });
    };
    const bool whole = ScanBus(m_link, options, progress, found) == TransferResult::Completed && !m_cancel;
    m_scanAddress = 0;
    // What each meter says of itself, once the line has been walked: the scan
    // asks every address once, quickly, and these are a few more requests.
    for (int address : meters) {
        if (m_cancel)
            break;
        SLineMeter meter;
        meter.address = address;
        m_link.SetAddress(address);
        try {
            ReadMeterDetails(m_link, meter);
            Post([this, meter] { SetDetails(meter); });
        } catch (const CPrivateException& e) {
            if (!m_cancel)
                PostResult(address, UiMessage(LoadMessage(kNotRead, {CommunicationErrorDetail(e.Text())})));
        }
    }
    const int count = static_cast<int>(meters.size());
    const QString said = UiMessage(whole && !m_cancel ? LoadMessage(kScanDone, {count, options.from, options.to})
                                                      : LoadMessage(kScanStopped, {count}));
    m_progress = 100;
    Post([this, said] {
        m_status->setText(said);
        FitColumns();
    });
}

void CLineWindow::FitColumns()
{
    // Every column to its contents but the result, which takes the rest.
    for (int c = 0; c < kResult; ++c)
        m_view->resizeColumnToContents(c);
}

void CLineWindow::AddMeter(const SScanFinding& f)
{
    QList<QStandardItem*> row;
    for (int c = 0; c < kColumnCount; ++c)
        row << new QStandardItem;
    row[kAddress]->setData(f.address, Qt::DisplayRole);
    if (f.identityRead && f.identity.IsKnown()) {
        row[kModel]->setData(f.identity.Code(), Qt::DisplayRole);
        row[kDescription]->setText(QString::fromStdString(f.identity.ModelDescription()));
    }
    if (!f.IsMeter())
        row[kResult]->setText(UiMessage(f.message));
    m_model->appendRow(row);
    FitColumns();
}

void CLineWindow::SetDetails(const SLineMeter& meter)
{
    const int row = RowOf(meter.address);
    if (row < 0)
        return;
    m_model->setData(m_model->index(row, kTag), QString::fromStdString(meter.tag));
    m_model->setData(m_model->index(row, kSerial), QString::fromStdString(meter.serial));
    m_model->setData(m_model->index(row, kFirmware), QString::fromStdString(meter.firmware));
    FitColumns();
}

std::vector<int> CLineWindow::Selected(bool exactlyOne)
{
    std::vector<int> addresses;
    for (const QModelIndex& i : m_view->selectionModel()->selectedRows(kAddress))
        addresses.push_back(i.data().toInt());
    std::sort(addresses.begin(), addresses.end(), [this](int a, int b) { return RowOf(a) < RowOf(b); });
    if (addresses.empty() || (exactlyOne && addresses.size() != 1))
        throw CPrivateException(CStringTable::Get(exactlyOne ? kSelectOne : kSelectSome));
    return addresses;
}

ProgressReport CLineWindow::MeterProgress(int index, int count)
{
    return [this, index, count](double percent) {
        m_progress = (index + percent / 100.0) / count * 100.0;
        return !m_cancel;
    };
}

void CLineWindow::ForEachMeter(const std::vector<int>& addresses, std::function<QString(int index, int address)> each,
                               std::function<void()> then)
{
    for (int address : addresses)
        m_model->setData(m_model->index(RowOf(address), kResult), UiText(kNotDone));
    m_meterCount = static_cast<int>(addresses.size());
    StartWork(
        [this, addresses, each = std::move(each)] {
            const int count = static_cast<int>(addresses.size());
            for (int i = 0; i < count && !m_cancel; ++i) {
                const QString working = UiMessage(LoadMessage(kWorking, {i + 1, count, addresses[i]}));
                Post([this, working] { m_status->setText(working); });
                m_link.SetAddress(addresses[i]);
                PostResult(addresses[i], each(i, addresses[i]));
            }
            const QString said = m_cancel ? UiText(kActionStopped) : UiMessage(LoadMessage(kActionDone, {count}));
            Post([this, said] { m_status->setText(said); });
        },
        std::move(then));
}

QString CLineWindow::FailureText(const std::string& error, const SMeterFindings& findings) const
{
    if (findings.identityRead && !findings.identity.IsKnown())
        return UiText(kNotAMeter);
    if (OtherModel(findings, m_settings))
        return UiMessage(LoadMessage(kOtherModel, {findings.identity.Code(), findings.identity.ModelDescription(),
                                                   m_settings.Identity().Code()}));
    return UiMessage(LoadMessage(kFailed, {CommunicationErrorDetail(error)}));
}

void CLineWindow::OnOpen()
{
    ComSettings link = m_link.Settings();
    link.Address = Selected(true).front();
    emit openRequested(link);
}

QString CLineWindow::DownloadResult(const CSafeDownload& job, DownloadEnd end) const
{
    const int changed = static_cast<int>(job.Changes().size());
    switch (end) {
    case DownloadEnd::AlreadyHeld: return UiText(kAlreadyHeld);
    case DownloadEnd::Verified: return UiMessage(LoadMessage(kVerified, {changed}));
    case DownloadEnd::NotVerified: return UiMessage(LoadMessage(kNotVerified, {changed}));
    case DownloadEnd::Mismatch: return UiMessage(LoadMessage(kNotHeld, {static_cast<int>(job.NotHeld().size())}));
    case DownloadEnd::WouldChange: return UiText(kNotDone);
    case DownloadEnd::Cancelled: break;
    }
    return UiMessage(LoadMessage(kStopped, {job.AnyWriteSent() ? job.InterruptedText() : std::string()}));
}

void CLineWindow::OnDownload()
{
    ReadForDownload(Selected(false));
}

// Every meter is read first, each as its own safe download; the preview then
// covers those that would change, and only after it is anything written.
void CLineWindow::ReadForDownload(std::vector<int> addresses)
{
    m_jobs.clear();
    m_history = std::make_unique<CMeterHistory>();
    for (int address : addresses) {
        m_jobs.push_back(std::make_unique<SMeterJob>());
        m_jobs.back()->address = address;
    }
    auto read = [this](int index, int) {
        SMeterJob& m = *m_jobs[static_cast<std::size_t>(index)];
        SSafeDownloadOptions options;
        options.keepLink = true; // each meter stays at its own address and speed
        m.download = std::make_unique<CSafeDownload>(m_settings, options, m_history.get());
        try {
            m.end = RunSafeDownload(m_link, *m.download, true, MeterProgress(index, static_cast<int>(m_jobs.size())));
        } catch (const CPrivateException& e) {
            m.end = DownloadEnd::Cancelled;
            if (!m_cancel)
                return FailureText(e.Text(), m.download->Findings());
        }
        return m.end == DownloadEnd::WouldChange ? UiText(kNotDone) : DownloadResult(*m.download, m.end);
    };
    ForEachMeter(addresses, read, [this] { ConfirmAndWrite(); });
}

void CLineWindow::ConfirmAndWrite()
{
    std::vector<const CSafeDownload*> changing;
    std::vector<int> addresses;
    for (const auto& m : m_jobs)
        if (m->end == DownloadEnd::WouldChange) {
            changing.push_back(m->download.get());
            addresses.push_back(m->address);
        }
    if (changing.empty() || !CDownloadPreviewDialog::ConfirmLine(this, changing))
        return;
    auto write = [this, count = static_cast<int>(addresses.size())](int index, int address) {
        SMeterJob* m = nullptr;
        for (const auto& j : m_jobs)
            if (j->address == address)
                m = j.get();
        CSafeDownload& job = *m->download;
        try {
            m->end = FinishSafeDownload(m_link, job, MeterProgress(index, count));
        } catch (const CPrivateException& e) {
            return m_cancel ? DownloadResult(job, DownloadEnd::Cancelled) : FailureText(e.Text(), job.Findings());
        }
        return DownloadResult(job, m->end);
    };
    ForEachMeter(addresses, write);
}

void CLineWindow::OnCompare()
{
    auto compare = [this](int index, int address) { return CompareOne(index, address); };
    ForEachMeter(Selected(false), compare);
}

QString CLineWindow::CompareOne(int index, int address)
{
    SMeterFindings findings;
    std::optional<SMeterComparison> c;
    try {
        c = CompareMeter(m_link, m_settings, true, MeterProgress(index, m_meterCount), &m_cancel, &findings);
    } catch (const CPrivateException& e) {
        return m_cancel ? StoppedText() : FailureText(e.Text(), findings);
    }
    if (!c)
        return StoppedText();
    if (c->otherModel)
        return FailureText(std::string(), findings);
    Post([this, address, meter = c->meter] { m_compared[address] = meter; });
    return UiMessage(LoadMessage(kDifferences, {c->mismatches}));
}

void CLineWindow::OnDoubleClick(int row)
{
    const int address = m_model->data(m_model->index(row, kAddress)).toInt();
    const auto compared = m_compared.find(address);
    if (compared == m_compared.end()) {
        ShowMessage(this, UiText(kCompareFirst), MessageIcon::Information);
        return;
    }
    // The settings as the download to this meter would write them.
    CRegisterImage working(m_settings);
    CopyLinkSettings(compared->second, working);
    CCompareDialog report(working, this);
    report.CompareWith(compared->second, UiText(reporttext::kDevice));
    report.exec();
}

void CLineWindow::OnSetAddress()
{
    const int from = Selected(true).front();
    const std::optional<int> to = AddressIn(m_newAddress, kFirstDeviceAddress, kLastDeviceAddress);
    if (!to) {
        m_newAddress->setFocus();
        throw CPrivateException(LoadMessage(kAddressInvalid, {kFirstDeviceAddress, kLastDeviceAddress}));
    }
    if (RowOf(*to) >= 0) {
        m_newAddress->setFocus();
        throw CPrivateException(LoadMessage(kAddressInUse, {*to}));
    }
    m_history = std::make_unique<CMeterHistory>();
    auto move = [this, to = *to](int, int address) {
        SMeterFindings findings;
        try {
            CRegisterImage meter;
            if (!RunUpload(m_link, meter, MeterProgress(0, 2), &m_cancel, &findings))
                return StoppedText();
            // The meter's own settings, but for its address: the safe
            // download writes them and reads them back at the new address.
            CSafeDownload job(MovedTo(meter, to), {}, m_history.get());
            const DownloadEnd end = RunSafeDownload(m_link, job, false, MeterProgress(1, 2));
            if (end != DownloadEnd::Verified)
                return DownloadResult(job, end);
            // The row moves with the meter, its result with it.
            const QString moved = UiMessage(LoadMessage(kMoved, {address, to}));
            Post([this, address, to, moved] {
                const int row = RowOf(address);
                m_model->setData(m_model->index(row, kAddress), to);
                m_model->setData(m_model->index(row, kResult), moved);
                m_compared.erase(address);
            });
            return moved;
        } catch (const CPrivateException& e) {
            return m_cancel ? StoppedText() : FailureText(e.Text(), findings);
        }
    };
    ForEachMeter({from}, move);
}

std::string CLineWindow::CsvText() const
{
    std::string csv;
    for (int r = -1; r < m_model->rowCount(); ++r) {
        for (int c = 0; c < kColumnCount; ++c) {
            const QVariant v = r < 0 ? m_model->headerData(c, Qt::Horizontal) : m_model->data(m_model->index(r, c));
            csv += (c ? "," : "") + CParameterReport::CsvField(v.toString().toStdString());
        }
        csv += "\r\n";
    }
    return csv;
}

void CLineWindow::OnExportCsv()
{
    const QString path =
        m_askCsvName ? m_askCsvName(this) : AskFilePath(this, file_ids::kCsvFileFilter, QStringLiteral("csv"), true);
    if (path.isEmpty())
        return;
    if (int err = WriteFileAtomically(path.toStdString(), CsvText()))
        throw CPrivateException(file_ids::kCsvWriteError, err);
}
