#pragma once
// "Device Information", the Monitor command's window: polls the meter on a
// CBackThread back to back and shows its identity and live values in the
// value table, the state of the link in a status text beside a lamp (both
// blinking on a communication error, without a message box), and a trend of
// the display value under the table. "Tag" edits the meter's tag, "Max/Min"
// resets its held maximum and minimum, the device address list changes the
// address of the next poll (not stored). "Record..." writes every poll to a
// CSV file until "Stop recording" (CLiveValueLog; the count of rows shows
// beside the lamp), "Save Trend..." saves the trend as a PNG picture. Closing
// the window ends a poll in progress at once and closes the record.

#include "files/LiveValueLog.h"
#include "jobs/BackThread.h"
#include "jobs/TrendRecord.h"
#include "model/Measurands.h"
#include "ui/jobs/ObserverDialog.h"

#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class CDataGridView;
class CLedIndicator;
class CModbusInterface;
class CTrendView;
class QComboBox;
class QLabel;
class QPushButton;

// Caption numbers of the window's controls.
namespace monitortext {
inline constexpr unsigned kTitle = 12960;
inline constexpr unsigned kCommunicating = 12961;
inline constexpr unsigned kCommunicationError = 12962;
inline constexpr unsigned kUtility = 12963;
inline constexpr unsigned kTag = 12964;
inline constexpr unsigned kReset = 12965;
inline constexpr unsigned kMaxMin = 12966;
inline constexpr unsigned kTagSetting = 12967;
inline constexpr unsigned kTagNo = 12968;
inline constexpr unsigned kAreYouSure = 12969;
inline constexpr unsigned kLiveValues = 12970;
inline constexpr unsigned kTrend = 12971;
inline constexpr unsigned kTrendPaused = 12972;
inline constexpr unsigned kLamp = 12973;
inline constexpr unsigned kClose = 12955;
inline constexpr unsigned kDeviceAddress = 12651;
inline constexpr unsigned kRecord = 17300;
inline constexpr unsigned kStopRecording = 17301;
inline constexpr unsigned kRecordingRows = 17302; // %1 rows
inline constexpr unsigned kSaveTrend = 17303;
inline constexpr unsigned kTrendNotSaved = 17304; // %1 path
inline constexpr unsigned kPngFileFilter = 17313;
inline constexpr unsigned kRecordingStopped = 17314; // %1 rows, %2 path
// The value table's labels, top to bottom: "Tag name" ... "Firmware version".
inline constexpr unsigned kFirstLabel = 13020;
inline constexpr unsigned kLabelDisplayValue = 13021;
inline constexpr unsigned kLabelMaxValue = 13022;
inline constexpr unsigned kLabelMinValue = 13023;
} // namespace monitortext

class CDeviceInformationDialog : public CObserverDialog
{
    Q_OBJECT
public:
    static constexpr int kValueRows = CMeasurands::kMeasurandCount;
    // Measurand numbers of the value table's rows, top to bottom.
    static constexpr std::array<int, kValueRows> kRowMeasurands = CLiveValueLog::kColumnMeasurands;
    static constexpr int kBlinkPeriodMs = 500;
    static constexpr int kLowestAddress = kFirstDeviceAddress;
    static constexpr int kHighestAddress = kLastDeviceAddress;

    // Asks for a file name to save; tests stand in for the system's file
    // dialog. An empty name means the user cancelled.
    enum class EFileDialog { RecordCsv, TrendPng };
    using FileNameAsker = std::function<QString(QWidget* parent, EFileDialog kind)>;

    // Polls `link` (not owned) once shown; the caller has run the Connect
    // step on it.
    explicit CDeviceInformationDialog(CModbusInterface& link, QWidget* parent = nullptr);
    ~CDeviceInformationDialog() override;

    // The main window's "Monitor", after its Connect step: runs the window
    // modally on `link` until the user closes it.
    static int Run(QWidget* parent, CModbusInterface& link);

    // The actions, as their controls run them (failures are shown).
    void OnTag();
    void OnMaxMin();
    void OnAddressChosen(int index);
    // Starts recording to a file asked for, or stops a record in progress.
    void OnRecord();
    void OnSaveTrend();
    // Saves the trend as drawn as a PNG picture; false (and said) on failure.
    bool SaveTrend(const QString& path);
    void SetFileNameAsker(FileNameAsker asker) { m_askFileName = std::move(asker); }
    bool Recording() const { return m_log.IsOpen(); }
    const CLiveValueLog& Log() const { return m_log; }
    QLabel* RecordLabel() const { return m_recordLabel; }

    // Shows a poll's result as the worker's notification does: the values
    // (when good), the status text, the lamp and the trend.
    void ShowPoll(bool error, const CMeasurands& values);

    bool ErrorState() const { return m_error; }
    bool BlinkFlag() const { return m_blink; }
    const QString& StatusText() const { return m_statusText; }
    const CTrendRecord& Trend() const { return m_trend; }
    CTrendRecord& Trend() { return m_trend; }
    // Polls the window has shown since it opened.
    int PollsShown() const { return m_pollsShown; }

    CDataGridView* ValueTable() const { return m_table; }
    CLedIndicator* Lamp() const { return m_lamp; }
    QLabel* StatusLabel() const { return m_statusLabel; }
    QLabel* AddressLabel() const { return m_addressLabel; }
    QComboBox* AddressList() const { return m_address; }
    CTrendView* TrendView() const { return m_trendView; }
    QPushButton* Button(unsigned captionId) const;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void OnObserverUpdate(CObservable* observable) override;

private:
    void BuildControls();
    // The lamp, the status and the device address; the command buttons.
    QLayout* BuildStatusLine();
    QLayout* BuildActions();
    void StartPolling();
    void StopPolling();
    // Puts the status text into its control in the colours of the state.
    void PaintStatus();
    // Writes the row of the poll just shown; a failed write ends the record.
    void RecordPoll(bool error);
    void StopRecording();
    void SayRecording(const std::string& text);
    QString AskFileName(EFileDialog kind);

    CModbusInterface& m_link;
    CMeasurands m_measurands;
    std::unique_ptr<CBackThread> m_worker;
    CTrendRecord m_trend;
    QElapsedTimer m_clock;
    int m_timer = 0;
    bool m_started = false;
    QString m_statusText;
    bool m_error = false;
    bool m_blink = false;
    int m_pollsShown = 0;
    CLiveValueLog m_log;
    FileNameAsker m_askFileName;

    CLedIndicator* m_lamp = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_addressLabel = nullptr;
    QComboBox* m_address = nullptr;
    CDataGridView* m_table = nullptr;
    CTrendView* m_trendView = nullptr;
    QPushButton* m_tag = nullptr;
    QPushButton* m_maxMin = nullptr;
    QLabel* m_recordLabel = nullptr;
    QPushButton* m_record = nullptr;
    QPushButton* m_saveTrend = nullptr;
    QPushButton* m_close = nullptr;
};
