#pragma once
// The main window: the working register image of one meter, shown as the
// model, the input page, the bar graph settings and the alarm table, with a
// button for every other group of settings and every command (Upload,
// Download, Report, Save File, Open File, Monitor, Language).
//
// The object lives for the whole run of the program and keeps its image;
// RunModal builds the window's controls anew from the current language each
// time it runs, so a change of language rebuilds the window around the same
// image.

#include "app/AppSettings.h"
#include "model/RegisterImage.h"
#include "ui/editors/WordBinder.h"
#include "ui/editors/pages/InputPageInterface.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

class CAlarmTable;
class CSafeDownload;
class CSessionRecovery;
class QAction;
class QComboBox;
class QLabel;
class QToolButton;
class QUndoStack;
class CModbusInterface;
class QGroupBox;
class QLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QVBoxLayout;

// String numbers of the main window's captions.
namespace mainwindowtext {
inline constexpr unsigned kUpload = 12850;
inline constexpr unsigned kDownload = 12851;
inline constexpr unsigned kReport = 12852;
inline constexpr unsigned kSaveFile = 12853;
inline constexpr unsigned kOpenFile = 12854;
inline constexpr unsigned kMonitor = 12855;
inline constexpr unsigned kLanguage = 12856;
inline constexpr unsigned kModel = 12857;
inline constexpr unsigned kInputGroup = 12858;
inline constexpr unsigned kBargraphGroup = 12859;
inline constexpr unsigned kType = 12860;
inline constexpr unsigned kLowerLimit = 12861;
inline constexpr unsigned kUpperLimit = 12862;
inline constexpr unsigned kControlFunctions = 12863;
inline constexpr unsigned kControl = 12864;
inline constexpr unsigned kDisplay = 12865;
inline constexpr unsigned kLockout = 12866;
inline constexpr unsigned kExternalInterface = 12867;
inline constexpr unsigned kBcdOutput = 12868;
inline constexpr unsigned kEventTrigger = 12869;
inline constexpr unsigned kAnalogOut = 12870;
inline constexpr unsigned kModbus = 12871;
inline constexpr unsigned kAlarmGroup = 12872;
inline constexpr unsigned kPattern = 12873;
inline constexpr unsigned kFlashing = 12874;
inline constexpr unsigned kBank = 12875;
inline constexpr unsigned kAdvanced = 12876;
inline constexpr unsigned kAlarmTable = 12877;
inline constexpr unsigned kVersion = 12879; // " Version" in the title
inline constexpr unsigned kConfigurationFilter = 1000;
inline constexpr unsigned kUndo = 14000;
inline constexpr unsigned kRedo = 14001;
inline constexpr unsigned kUndoTip = 14002; // %1!s! what, %2!s! keys
inline constexpr unsigned kRedoTip = 14003;
inline constexpr unsigned kSaveChanges = 14004; // the question before unsaved settings go
inline constexpr unsigned kRestore = 14005;
inline constexpr unsigned kRecoveryOffer = 14006; // %1!s! when the settings were kept
inline constexpr unsigned kSavedTo = 14007;
inline constexpr unsigned kOpened = 14008;
inline constexpr unsigned kUploaded = 14009;
inline constexpr unsigned kUploadedInfrared = 14010;
inline constexpr unsigned kModelChanged = 14011;
inline constexpr unsigned kUndone = 14012;
inline constexpr unsigned kRedone = 14013;
inline constexpr unsigned kTypedValues = 14014; // the undo step of values typed before a command
inline constexpr unsigned kRestored = 14016;
inline constexpr unsigned kRecoveryNotKept = 14017;
inline constexpr unsigned kStatusLine = 14018; // the status line's accessible name
inline constexpr unsigned kNoSerial = 14019;
inline constexpr unsigned kHistory = 14015;
inline constexpr unsigned kReadingMeter = 14040;
inline constexpr unsigned kPreviewCancelled = 14041;
inline constexpr unsigned kNotHeld = 14042;      // %1!d! parameters the meter does not hold
inline constexpr unsigned kDownloadBack = 14043; // %1!s! what happened
inline constexpr unsigned kLinkFollows = 14044;  // %1!d! the meter's new address
inline constexpr unsigned kAlreadyHeld = 13300;  // as the command line says it
inline constexpr unsigned kDownloadedVerified = 13302;
} // namespace mainwindowtext

class CMyQ6KDlg : public QDialog
{
    Q_OBJECT
public:
    // Result of RunModal when the language was changed: run again.
    static constexpr int kLanguageChanged = 1;

    // `settings` are the application's; the image starts as the factory
    // settings of model "DeviceId".
    explicit CMyQ6KDlg(CAppSettings& settings, QWidget* parent = nullptr);
    ~CMyQ6KDlg() override;

    // Builds the controls from the current language, refreshes them from the
    // image and runs the window modally; 0 when closed, kLanguageChanged.
    int RunModal();
    // Builds (or rebuilds) the controls and refreshes them, without running;
    // RunModal does this itself.
    void Build();

    CRegisterImage& Image() { return m_image; }
    const CRegisterImage& Image() const { return m_image; }

    // The commands, as their buttons run them (errors are shown).
    void OnUpload();
    // Commits, then downloads the working settings safely: the meter is read,
    // a preview of what changes asked about, the meter's settings kept in the
    // history, written and read back.
    void OnDownload();
    // The History window; a backup opened there comes in as Open File.
    void OnHistory();
    // Commits, then the Parameter Report on the working image.
    void OnReport();
    // The Connect dialog, then Device Information on that link with this
    // window hidden until it closes.
    void OnMonitor();
    // Commits, then the Connect dialog and the line of meters on that link;
    // its Open uploads a meter into this window.
    void OnLine();
    void OnSaveFile();
    void OnOpenFile();
    void OnModelButton();
    void OnLanguage();
    // The setting dialogs' buttons. Display, Analog Out, Bank and Advanced
    // commit the window first (their dialogs show values in the window's
    // scale and input settings); Bank and Advanced refresh it after, since
    // the alarm table and the Bank button show what they change.
    void OnControl();
    void OnDisplay();
    void OnLockout();
    void OnBcdOutput();
    void OnEventTrigger();
    void OnAnalogOut();
    void OnModbus();
    void OnBank();
    void OnAdvancedAlarm();
    // Opens a configuration file as Open File does, without asking for a
    // name (unsaved settings are asked about first, unless `ask` is false).
    bool OpenFile(const QString& path, bool ask = false);
    // The model menu's command: another model's factory settings (the same
    // model changes nothing). ChooseModel asks first about unsaved settings.
    void ChangeModel(int code);
    void ChooseModel(int code);
    // "DeviceId" := the image's model code (0 when it names no model), as the
    // window's close does.
    void StoreModelCode();

    // Every control from the image, and the controls into the image. Commit
    // throws CPrivateException on a rejected value (the edit is focused).
    void FullRefresh();
    void Commit();

    // Unsaved work: the window compares its settings with a copy kept when
    // they were last saved, opened, uploaded or downloaded.
    bool IsModified() const;
    const CRegisterImage& SavedImage() const { return m_savedImage; }
    // Before unsaved settings are replaced or left: asks Save / Discard /
    // Cancel when there are any. True to go on.
    bool MaySetAside();
    // Every committed change is one step (whole-image snapshots).
    QUndoStack* UndoStack() const { return m_undo; }
    void Undo();
    void Redo();
    // Records the image as it is now as a step named `what` (nothing when
    // nothing changed since the last one), and shows whether it is saved.
    void Checkpoint(const QString& what);
    // The last thing a command said it did, in the status line.
    QString StatusText() const;
    void SayDone(const QString& text);

    // Keeps unsaved work where a start after a crash finds it, and offers
    // what a crashed run kept once the window is shown (`offer`).
    void SetRecovery(std::unique_ptr<CSessionRecovery> recovery, bool offer);
    // Asks Restore / Discard about the settings a crashed run kept.
    void OfferRecovery();
    // Asks for a file name; tests stand in for the system's file dialogs.
    enum class EFileDialog { Open, Save };
    using FileNameAsker = std::function<QString(QWidget* parent, EFileDialog kind)>;
    void SetFileNameAsker(FileNameAsker asker) { m_askFileName = std::move(asker); }
    // Called once the window has been painted for the first time.
    void SetFirstPaintHook(std::function<void()> hook) { m_firstPaintHook = std::move(hook); }

    // The pieces tests and pictures look at.
    CInputPage* InputPage() const { return m_page; }
    CAlarmTable* AlarmTable() const { return m_alarmTable.get(); }
    QPushButton* Button(unsigned captionId) const;
    QPushButton* ModelButton() const { return m_modelButton; }
    QComboBox* BargraphType() const { return m_bargraphType; }
    QLineEdit* BargraphLower() const { return m_bargraphLower; }
    QLineEdit* BargraphUpper() const { return m_bargraphUpper; }
    QComboBox* PatternList() const { return m_pattern; }
    QComboBox* FlashingList() const { return m_flashing; }
    // The model menu as it was last built (null before the first showing).
    QMenu* ModelMenu() const { return m_modelMenu.get(); }
    // Builds the model menu without showing it.
    QMenu* BuildModelMenu();

    // The input page's Decimal Pnt. button: commits (a rejected value keeps
    // the dialog closed), runs the dialog on the image and shows it again.
    void OnDecimalPoint();

    // The file dialogs' filter: string 1000 in Qt's form.
    static QString ConfigurationFilter();

public slots:
    void reject() override; // Escape: only closes an open cell editor

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    // What BuildControls makes goes first, quietly.
    void RemoveControls();
    // The window's parts, top down; each makes its controls in Tab order.
    QLayout* BuildCommandRow();
    QLayout* BuildModelRow();
    QGroupBox* BuildBargraphGroup();
    QGroupBox* BuildControlGroup();
    QGroupBox* BuildInterfaceGroup();
    QGroupBox* BuildAlarmGroup();
    QStatusBar* BuildStatusBar();
    QPushButton* AddButton(QLayout* layout, unsigned captionId, int controlId, void (CMyQ6KDlg::*handler)());
    // Runs a command; its changes become one step named `what`.
    void Run(void (CMyQ6KDlg::*command)(), const QString& what);
    // The window's own controls into the image (the input page, the bar
    // graph, the alarm lists).
    void CommitControls();
    // Commit without a word and without moving the focus; the image is left
    // as it was when a value is rejected. True when everything was taken.
    bool TryCommit();
    // A field was left or a list chosen: its value is a step of its own.
    void OnFieldEdited(QWidget* field);
    void WatchFields(QWidget* container);
    // Ctrl+Z and Ctrl+Y in the fields below `container` reach the window's
    // undo when the field has nothing of its own to undo (eventFilter).
    void WatchUndoKeys(QWidget* container);
    // Undoes WatchFields for everything below `container`.
    void StopWatching(QObject* container);
    // Replaces the image by a step's snapshot.
    void ShowSnapshot(const CRegisterImage& image);
    void UpdateModified();
    // Save File's work once a name is known; throws on failure.
    void SaveTo(const QString& path);
    bool SaveAsked();
    void UpdateUndoTips();
    // The safe download of `image` (`working`: the window's own settings,
    // which count as saved once the meter holds them).
    void Download(const CRegisterImage& image, bool working);
    // Upload's work once the link is chosen: the image only on success, the
    // saved state and the status line.
    void UploadFrom(CModbusInterface& link);
    // After a download that stopped: says why and offers the meter's
    // previous settings back when some were written.
    void OfferPreviousSettings(const CSafeDownload& job, const std::string& why);
    void PutPageInTabOrder();
    void ReplacePageIfNeeded();
    QString AskFileName(EFileDialog kind);

    class CSnapshotCommand;

    CAppSettings& m_settings;
    CRegisterImage m_image;
    // The window's own fields bound to their words (bar graph, alarm lists).
    CWordBinder m_binder{&m_image};
    CRegisterImage m_savedImage; // as last saved, opened, uploaded or downloaded
    QString m_savedFile;         // the file it was saved to or opened from, if any
    CRegisterImage m_checkpoint; // as at the last undo step
    QUndoStack* m_undo;
    std::unique_ptr<CSessionRecovery> m_recovery;
    bool m_offerRecovery = false;
    bool m_recoveryWarned = false;
    QString m_status;
    QPointer<CInputPage> m_page;
    std::unique_ptr<CAlarmTable> m_alarmTable;
    std::unique_ptr<QMenu> m_modelMenu;
    FileNameAsker m_askFileName;
    std::function<void()> m_firstPaintHook;
    bool m_firstPaint = true;

    QGroupBox* m_inputGroup = nullptr;
    QVBoxLayout* m_inputLayout = nullptr;
    QPushButton* m_modelButton = nullptr;
    QComboBox* m_bargraphType = nullptr;
    QLineEdit* m_bargraphLower = nullptr;
    QLineEdit* m_bargraphUpper = nullptr;
    QComboBox* m_pattern = nullptr;
    QComboBox* m_flashing = nullptr;
    QPushButton* m_bank = nullptr;
    QPushButton* m_bcd = nullptr;
    QPushButton* m_event = nullptr;
    QPushButton* m_analog = nullptr;
    QPushButton* m_modbus = nullptr;
    QLabel* m_statusLine = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
};
