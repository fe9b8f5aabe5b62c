#pragma once
// "Meters on the Line": scans one line (RS-485, a serial device server or a
// Modbus TCP gateway) for the meters on it and lists them, then acts on the
// meters selected: Open (upload one into the main window), Download the main
// window's settings to each (one preview for all, then the safe download
// meter by meter, each keeping its own address and line settings), Compare
// each with them, move one to another address, export the list as CSV. The
// work runs on a worker thread, one meter after the other; Stop aborts the
// exchange in progress, and the meters not reached are left as they were.
//
// The window is modal: what it downloads and compares are the main window's
// settings, which must not change between the preview and the last write.

#include "comm/ComSettings.h"
#include "comm/ModbusInterface.h"
#include "jobs/BusScan.h"
#include "jobs/MeterLine.h"
#include "model/RegisterImage.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

class CMeterHistory;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace linetext {
inline constexpr unsigned kLine = 17100;
inline constexpr unsigned kTitle = 17101;
inline constexpr unsigned kFrom = 17102;
inline constexpr unsigned kTo = 17103;
inline constexpr unsigned kScan = 17104;
inline constexpr unsigned kStop = 17105;
inline constexpr unsigned kCompare = 17106;
inline constexpr unsigned kSetAddress = 17107;
inline constexpr unsigned kNewAddress = 17108;
inline constexpr unsigned kMetersFound = 17109;
inline constexpr unsigned kFirstColumn = 17110; // Address ... Result
inline constexpr unsigned kMetersColumn = 17117;
inline constexpr unsigned kOpen = 14052;
inline constexpr unsigned kDownload = 12851;
inline constexpr unsigned kExportCsv = 12951;
inline constexpr unsigned kClose = 12955;
} // namespace linetext

class CLineWindow : public QDialog
{
    Q_OBJECT
public:
    enum EColumn { kAddress, kModel, kDescription, kTag, kSerial, kFirmware, kResult, kColumnCount };
    using CsvNameAsker = std::function<QString(QWidget* parent)>;

    // `settings`: the main window's, read by every Download and Compare;
    // `link`: the line as the Connect dialog chose it.
    CLineWindow(const CRegisterImage& settings, const ComSettings& link, QWidget* parent = nullptr);
    ~CLineWindow() override; // stops the worker

    // The commands, as their buttons run them (failures are shown).
    void OnScan();
    void OnStop();
    void OnOpen();
    void OnDownload();
    void OnCompare();
    void OnSetAddress();
    void OnExportCsv();

    bool Busy() const { return m_worker.joinable(); }
    void SetCsvNameAsker(CsvNameAsker asker) { m_askCsvName = std::move(asker); }
    QPushButton* Button(unsigned captionId) const;
    QTableView* List() const { return m_view; }
    QStandardItemModel* Model() const { return m_model; }
    QLineEdit* FromBox() const { return m_from; }
    QLineEdit* ToBox() const { return m_to; }
    QLineEdit* NewAddressBox() const { return m_newAddress; }
    QProgressBar* Bar() const { return m_bar; }
    QLabel* StatusLine() const { return m_status; }
    // The row of the meter at `address`, or -1.
    int RowOf(int address) const;
    QString ResultOf(int address) const;
    // The list as CSV: a header line, then a line a row, as shown.
    std::string CsvText() const;

public slots:
    void reject() override; // stops the worker first

signals:
    // Open: upload the meter reached by `link` into the main window.
    void openRequested(const ComSettings& link);
    // A scan or an action has ended (also when stopped).
    void workFinished();

private:
    // One meter of an action, the worker's: its address, then what became of it.
    struct SMeterJob
    {
        int address = 0;
        std::unique_ptr<CSafeDownload> download;
        DownloadEnd end = DownloadEnd::Cancelled;
    };

    void Build();
    QPushButton* AddButton(QLayout* layout, unsigned captionId, void (CLineWindow::*handler)());
    void SetBusy(bool busy);
    // Runs `body` on the worker; `then` on this thread once it has ended.
    void StartWork(std::function<void()> body, std::function<void()> then = {});
    void OnWorkEnded();
    void Tick();
    // From the worker: queued to this thread.
    void Post(std::function<void()> update);
    void PostResult(int address, const QString& result);
    void FitColumns();
    void AddMeter(const SScanFinding& finding);
    void SetDetails(const SLineMeter& meter);
    void ScanBody(const SScanOptions& options);
    // The selected meters' addresses in list order; empty (and said) when none.
    std::vector<int> Selected(bool exactlyOne);
    // Runs `each` for every address in turn on the worker, with the result
    // cells of those not reached saying so; `each` returns the result text.
    void ForEachMeter(const std::vector<int>& addresses, std::function<QString(int index, int address)> each,
                      std::function<void()> then = {});
    ProgressReport MeterProgress(int index, int count);
    QString FailureText(const std::string& error, const SMeterFindings& findings) const;
    QString DownloadResult(const CSafeDownload& job, DownloadEnd end) const;
    void ReadForDownload(std::vector<int> addresses);
    void ConfirmAndWrite();
    QString CompareOne(int index, int address);
    void MoveMeter(int from, int to);
    void OnDoubleClick(int row);

    CRegisterImage const& m_settings;
    CModbusInterface m_link;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<double> m_progress{0};
    std::atomic<int> m_scanAddress{0};
    std::function<void()> m_then;
    int m_meterCount = 1; // of the action running
    int m_timer = 0;
    std::vector<std::unique_ptr<SMeterJob>> m_jobs;
    std::unique_ptr<CMeterHistory> m_history; // the backups and change log of a download
    std::map<int, CRegisterImage> m_compared; // address: what the meter held at its Compare
    CsvNameAsker m_askCsvName;

    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QLineEdit* m_newAddress = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_status = nullptr;
    QTableView* m_view = nullptr;
    QStandardItemModel* m_model = nullptr;
    std::vector<QPushButton*> m_actions; // disabled while the worker runs
    QPushButton* m_stop = nullptr;

protected:
    void timerEvent(QTimerEvent* event) override;
};
