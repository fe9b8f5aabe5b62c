#include "ui/app/MyQ6KDlg.h"

#include "app/Language.h"
#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/MeterHistory.h"
#include "files/SessionRecovery.h"
#include "jobs/SafeDownload.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/OptionDialog.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ApplicationIcon.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/AlarmTable.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/ScaledEdit.h"
#include "ui/editors/SettingDialog.h"
#include "ui/editors/dialogs/AlarmDialogs.h"
#include "ui/editors/dialogs/FrontPanelDialogs.h"
#include "ui/editors/dialogs/InterfaceDialogs.h"
#include "ui/editors/pages/InputPageInterface.h"
#include "ui/files/CompareDialog.h"
#include "ui/jobs/DeviceInformationDialog.h"
#include "ui/jobs/DownloadPreviewDialog.h"
#include "ui/jobs/HistoryDialog.h"
#include "ui/jobs/LineWindow.h"
#include "ui/jobs/ProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

namespace {

namespace text = mainwindowtext;

// Runs a setting dialog on the working image: on OK its copy replaces it.
template <typename TDialog>
bool RunOn(QWidget* parent, CRegisterImage& image)
{
    TDialog dialog(parent);
    return RunSettingDialog(dialog, image);
}

// A caption as the buddy of its control, and its accessible name (a list
// would otherwise be named by its current entry).
QLabel* Caption(unsigned id, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(UiText(id), parent);
    label->setBuddy(control);
    control->setAccessibleName(label->text());
    return label;
}

QString ModelText(const CDeviceType& model)
{
    return QString::number(model.Code()) + QLatin1Char(' ') + QString::fromStdString(model.ModelDescription());
}

} // namespace

// One step of the undo stack: the whole image before and after it.
class CMyQ6KDlg::CSnapshotCommand : public QUndoCommand
{
public:
    CSnapshotCommand(CMyQ6KDlg& window, const CRegisterImage& before, const CRegisterImage& after, const QString& what)
        : QUndoCommand(what), m_window(window), m_before(before), m_after(after)
    {}
    void undo() override { m_window.ShowSnapshot(m_before); }
    void redo() override
    {
        // Pushed once the change is made and shown.
        if (m_first)
            m_first = false;
        else
            m_window.ShowSnapshot(m_after);
    }

private:
    CMyQ6KDlg& m_window;
    CRegisterImage m_before;
    CRegisterImage m_after;
    bool m_first = true;
};

CMyQ6KDlg::CMyQ6KDlg(CAppSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_undo(new QUndoStack(this))
{
    m_image.ResetForModel(m_settings.m_deviceId, true);
    m_savedImage = m_image;
    m_checkpoint = m_image;
    setAcceptDrops(true);
    connect(m_undo, &QUndoStack::indexChanged, this, [this] { UpdateUndoTips(); });
}

CMyQ6KDlg::~CMyQ6KDlg()
{
    // Controls that go with the window still tell of a last edit (a focused
    // field finishes its editing), and the undo stack of its last change:
    // not to a window that is half gone.
    StopWatching(this);
    disconnect(m_undo, nullptr, this, nullptr);
    delete m_undo;
}

void CMyQ6KDlg::StopWatching(QObject* container)
{
    for (QObject* child : container->findChildren<QObject*>()) {
        if (child == m_undo)
            continue; // it outlives the controls
        disconnect(child, nullptr, this, nullptr);
        child->removeEventFilter(this);
    }
}

QString CMyQ6KDlg::ConfigurationFilter()
{
    // "Description|patterns|...||" pairs; Qt wants "Description (patterns)"
    // joined by ";;", with the patterns split by blanks.
    const QStringList parts = UiText(text::kConfigurationFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() || patterns.isEmpty())
            break;
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open > 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        filters << description + QStringLiteral(" (") + QString(patterns).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QPushButton* CMyQ6KDlg::AddButton(QLayout* layout, unsigned captionId, int controlId, void (CMyQ6KDlg::*handler)())
{
    auto* button = new QPushButton(CommandCaption(captionId), this);
    button->setProperty("controlId", controlId);
    button->setProperty("captionId", captionId);
    button->setAutoDefault(false);
    layout->addWidget(button);
    if (handler)
        connect(button, &QPushButton::clicked, this, [this, handler, captionId] { Run(handler, UiText(captionId)); });
    return button;
}

QPushButton* CMyQ6KDlg::Button(unsigned captionId) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->property("captionId").toUInt() == captionId)
            return b;
    return nullptr;
}

void CMyQ6KDlg::Run(void (CMyQ6KDlg::*command)(), const QString& what)
{
    // A window of a command is open on top (a screen reader can still press
    // this window's buttons): one command at a time.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this)
        return;
    RunCommand(this, [this, command] { (this->*command)(); });
    // Also after a failure: a commit may have taken values before it.
    Checkpoint(what);
}

void CMyQ6KDlg::Build()
{
    BuildControls();
    FullRefresh();
}

void CMyQ6KDlg::BuildControls()
{
    RemoveControls();
    // "[*]" shows where Qt marks unsaved settings.
    setWindowTitle(UiText(uitext::kAppCaption) + UiText(text::kVersion) + QStringLiteral(Q6K_PRODUCT_VERSION "[*]"));
    setWindowIcon(ApplicationIcon());

    // Made from the top down, the order Tab goes through them.
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(BuildCommandRow());
    outer->addLayout(BuildModelRow());
    auto* middle = new QHBoxLayout;
    m_inputGroup = new QGroupBox(UiText(text::kInputGroup), this);
    m_inputLayout = new QVBoxLayout(m_inputGroup);
    middle->addWidget(m_inputGroup, 3);
    auto* right = new QVBoxLayout;
    QGroupBox* bargraph = BuildBargraphGroup();
    right->addWidget(bargraph);
    right->addWidget(BuildControlGroup());
    right->addWidget(BuildInterfaceGroup());
    right->addStretch(1);
    middle->addLayout(right, 2);
    outer->addLayout(middle);
    QGroupBox* alarm = BuildAlarmGroup();
    outer->addWidget(alarm);
    outer->addWidget(BuildStatusBar());

    m_binder.BindOptionList(m_bargraphType, image_words::kBargraphType, EOptionRule::Clamped);
    m_binder.BindNumber(m_bargraphLower, image_words::kBargraphLower, LimitsDisplayValue());
    m_binder.BindNumber(m_bargraphUpper, image_words::kBargraphUpper, LimitsDisplayValue());
    m_binder.BindOptionList(m_pattern, image_words::kPattern, EOptionRule::TwoWay);
    m_binder.BindOptionList(m_flashing, image_words::kFlashing, EOptionRule::Clamped);
    WatchFields(bargraph);
    WatchFields(alarm);
    connect(&m_alarmTable->Editing(), &CGridCellEditing::valueCommitted, this, [this](int column, int row) {
        CDataGridView* grid = m_alarmTable->Grid();
        Checkpoint(grid->ShownText(column, 0) + QLatin1Char(' ') + grid->ShownText(0, row));
    });

    // What users of a desktop program expect besides the buttons.
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, [this] { Run(&CMyQ6KDlg::OnOpenFile, UiText(text::kOpenFile)); });
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, [this] { Run(&CMyQ6KDlg::OnSaveFile, UiText(text::kSaveFile)); });
    setWindowModified(IsModified());
}

void CMyQ6KDlg::RemoveControls()
{
    // A rebuild (after a change of language) starts from nothing.
    // What goes tells of nothing on its way (a focused field would finish
    // its editing into controls being deleted).
    StopWatching(this);
    m_binder.Clear();
    if (m_page) {
        delete m_page;
        m_page = nullptr;
    }
    m_alarmTable.reset();
    m_modelMenu.reset();
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    qDeleteAll(findChildren<QShortcut*>(QString(), Qt::FindDirectChildrenOnly));
    delete layout();
    m_firstPaint = true;
}

QLayout* CMyQ6KDlg::BuildCommandRow()
{
    auto* commands = new QHBoxLayout;
    AddButton(commands, text::kUpload, 1001, &CMyQ6KDlg::OnUpload);
    AddButton(commands, text::kDownload, 1002, &CMyQ6KDlg::OnDownload);
    AddButton(commands, text::kReport, 1003, &CMyQ6KDlg::OnReport);
    AddButton(commands, text::kSaveFile, 1004, &CMyQ6KDlg::OnSaveFile);
    AddButton(commands, text::kOpenFile, 1005, &CMyQ6KDlg::OnOpenFile);
    AddButton(commands, text::kMonitor, 1007, &CMyQ6KDlg::OnMonitor);
    // Its access key stands after the caption ("Line(X)"): a screen reader
    // says the caption alone.
    AddButton(commands, linetext::kLine, 0, &CMyQ6KDlg::OnLine)->setAccessibleName(UiText(linetext::kLine));
    AddButton(commands, text::kHistory, 0, &CMyQ6KDlg::OnHistory);
    commands->addSpacing(12);
    // Undo and Redo where a technician looks for them, beside the commands,
    // with the keys every editor uses (a text field keeps Ctrl+Z for its
    // own typing while it has the focus).
    delete m_undoAction;
    delete m_redoAction;
    m_undoAction = new QAction(style()->standardIcon(QStyle::SP_ArrowBack), UiText(text::kUndo), this);
    m_undoAction->setShortcuts(QKeySequence::Undo);
    m_redoAction = new QAction(style()->standardIcon(QStyle::SP_ArrowForward), UiText(text::kRedo), this);
    m_redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(m_undoAction, &QAction::triggered, this, [this] { Undo(); });
    connect(m_redoAction, &QAction::triggered, this, [this] { Redo(); });
    for (QAction* action : {m_undoAction, m_redoAction}) {
        addAction(action);
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(false);
        commands->addWidget(button);
    }
    UpdateUndoTips();
    commands->addStretch(1);
    AddButton(commands, text::kLanguage, 1006, &CMyQ6KDlg::OnLanguage);
    return commands;
}

QLayout* CMyQ6KDlg::BuildModelRow()
{
    auto* modelRow = new QHBoxLayout;
    m_modelButton = new QPushButton(this);
    m_modelButton->setProperty("controlId", 1039);
    m_modelButton->setAutoDefault(false);
    m_modelButton->setStyleSheet(QStringLiteral("text-align: left; padding: 2px 6px;"));
    m_modelButton->setAccessibleName(UiText(text::kModel));
    m_modelButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_modelButton, &QPushButton::clicked, this,
            [this] { Run(&CMyQ6KDlg::OnModelButton, UiText(text::kModel)); });
    modelRow->addWidget(Caption(text::kModel, m_modelButton, this));
    modelRow->addWidget(m_modelButton, 1);
    return modelRow;
}

QGroupBox* CMyQ6KDlg::BuildBargraphGroup()
{
    auto* bargraph = new QGroupBox(UiText(text::kBargraphGroup), this);
    auto* bargraphForm = new QFormLayout(bargraph);
    m_bargraphType = new QComboBox(bargraph);
    m_bargraphType->setProperty("controlId", 1016);
    m_bargraphLower = new QLineEdit(bargraph);
    m_bargraphLower->setProperty("controlId", 1017);
    m_bargraphUpper = new QLineEdit(bargraph);
    m_bargraphUpper->setProperty("controlId", 1018);
    bargraphForm->addRow(Caption(text::kType, m_bargraphType, bargraph), m_bargraphType);
    bargraphForm->addRow(Caption(text::kLowerLimit, m_bargraphLower, bargraph), m_bargraphLower);
    bargraphForm->addRow(Caption(text::kUpperLimit, m_bargraphUpper, bargraph), m_bargraphUpper);
    return bargraph;
}

QGroupBox* CMyQ6KDlg::BuildControlGroup()
{
    auto* control = new QGroupBox(UiText(text::kControlFunctions), this);
    auto* controlRow = new QHBoxLayout(control);
    AddButton(controlRow, text::kControl, 1021, &CMyQ6KDlg::OnControl);
    AddButton(controlRow, text::kDisplay, 1022, &CMyQ6KDlg::OnDisplay);
    AddButton(controlRow, text::kLockout, 1024, &CMyQ6KDlg::OnLockout);
    return control;
}

QGroupBox* CMyQ6KDlg::BuildInterfaceGroup()
{
    auto* external = new QGroupBox(UiText(text::kExternalInterface), this);
    auto* externalGrid = new QGridLayout(external);
    auto* externalRow1 = new QHBoxLayout;
    auto* externalRow2 = new QHBoxLayout;
    m_bcd = AddButton(externalRow1, text::kBcdOutput, 1025, &CMyQ6KDlg::OnBcdOutput);
    m_event = AddButton(externalRow1, text::kEventTrigger, 1020, &CMyQ6KDlg::OnEventTrigger);
    m_analog = AddButton(externalRow2, text::kAnalogOut, 1019, &CMyQ6KDlg::OnAnalogOut);
    m_modbus = AddButton(externalRow2, text::kModbus, 1023, &CMyQ6KDlg::OnModbus);
    externalGrid->addLayout(externalRow1, 0, 0);
    externalGrid->addLayout(externalRow2, 1, 0);
    return external;
}

QGroupBox* CMyQ6KDlg::BuildAlarmGroup()
{
    auto* alarm = new QGroupBox(UiText(text::kAlarmGroup), this);
    auto* alarmLayout = new QVBoxLayout(alarm);
    m_alarmTable = std::make_unique<CAlarmTable>(alarm);
    m_alarmTable->SetImage(&m_image);
    m_alarmTable->Grid()->setProperty("controlId", 1038);
    m_alarmTable->Grid()->setAccessibleName(UiText(text::kAlarmTable));
    alarmLayout->addWidget(m_alarmTable->Grid(), 0, Qt::AlignLeft);
    auto* alarmRow = new QHBoxLayout;
    m_pattern = new QComboBox(alarm);
    m_pattern->setProperty("controlId", 1056);
    m_flashing = new QComboBox(alarm);
    m_flashing->setProperty("controlId", 1058);
    alarmRow->addWidget(Caption(text::kPattern, m_pattern, alarm));
    alarmRow->addWidget(m_pattern);
    alarmRow->addSpacing(12);
    alarmRow->addWidget(Caption(text::kFlashing, m_flashing, alarm));
    alarmRow->addWidget(m_flashing);
    alarmRow->addStretch(1);
    m_bank = AddButton(alarmRow, text::kBank, 1057, &CMyQ6KDlg::OnBank);
    AddButton(alarmRow, text::kAdvanced, 1059, &CMyQ6KDlg::OnAdvancedAlarm);
    alarmLayout->addLayout(alarmRow);
    return alarm;
}

QStatusBar* CMyQ6KDlg::BuildStatusBar()
{
    // What the last command did, in words.
    // A label in it, so that a screen reader reads the words themselves.
    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    statusBar->setAccessibleName(UiText(text::kStatusLine));
    m_statusLine = new QLabel(m_status, statusBar);
    m_statusLine->setTextFormat(Qt::PlainText);
    m_statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar->addWidget(m_statusLine, 1);
    return statusBar;
}

void CMyQ6KDlg::WatchFields(QWidget* container)
{
    // Connected after the controls' own handlers (a page's type rules, its
    // sub-dialog buttons), so the step holds what they did.
    // The cell editors of the alarm table report their own values.
    auto cellEditor = [](QWidget* w) { return w->inherits("CEditText") || w->inherits("CEditComboBox"); };
    for (QLineEdit* edit : container->findChildren<QLineEdit*>())
        if (!cellEditor(edit))
            connect(edit, &QLineEdit::editingFinished, this, [this, edit] { OnFieldEdited(edit); });
    WatchUndoKeys(container);
    for (QComboBox* list : container->findChildren<QComboBox*>())
        if (!cellEditor(list))
            connect(list, &QComboBox::activated, this, [this, list] { OnFieldEdited(list); });
    for (QPushButton* button : container->findChildren<QPushButton*>())
        if (!button->property("captionId").isValid()) // the window's own run through Run
            connect(button, &QPushButton::clicked, this, [this, button] { OnFieldEdited(button); });
}

void CMyQ6KDlg::WatchUndoKeys(QWidget* container)
{
    for (QLineEdit* edit : container->findChildren<QLineEdit*>())
        if (!edit->inherits("CEditText"))
            edit->installEventFilter(this);
}

bool CMyQ6KDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A field takes Ctrl+Z for its own typing; with nothing of its own to
    // undo or redo, the keys undo and redo the window's steps.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool undo = key->matches(QKeySequence::Undo);
        const bool redo = key->matches(QKeySequence::Redo) ||
                          key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::Key_Y) ||
                          key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        if (edit && ((undo && !edit->isUndoAvailable()) || (redo && !edit->isRedoAvailable()))) {
            event->ignore();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CMyQ6KDlg::OnFieldEdited(QWidget* field)
{
    // A value that is not taken yet stays in its field; the next command's
    // commit names it.
    if (!TryCommit())
        return;
    QString what = field->accessibleName();
    if (auto* button = qobject_cast<QPushButton*>(field))
        what = button->text();
    Checkpoint(what.remove(QLatin1Char('&')));
}

void CMyQ6KDlg::ReplacePageIfNeeded()
{
    const EInputKind kind = InputKindOf(m_image.CapabilityFlags());
    if (m_page && (kind == EInputKind::None || m_page->Kind() == kind))
        return;
    CInputPage* page = CreateInputPage(kind, m_inputGroup);
    if (!page)
        return;
    if (m_page) {
        // Possibly the page whose own handler asked for this refresh: it goes
        // once that handler has returned.
        StopWatching(m_page);
        disconnect(m_page, nullptr, this, nullptr);
        m_page->hide();
        m_inputLayout->removeWidget(m_page);
        m_page->deleteLater();
    }
    m_page = page;
    m_inputLayout->addWidget(page);
    page->SetImage(&m_image);
    connect(page, &CInputPage::typeChanged, this, &CMyQ6KDlg::FullRefresh);
    connect(page, &CInputPage::decimalPointRequested, this, &CMyQ6KDlg::OnDecimalPoint);
    connect(page, &CInputPage::fieldEdited, this, &CMyQ6KDlg::OnFieldEdited);
    page->show();
    WatchUndoKeys(page);
    PutPageInTabOrder();
}

void CMyQ6KDlg::PutPageInTabOrder()
{
    // The page is made after the rest of the window, so Qt would put it last;
    // Tab follows the screen instead: the model, then the input, then the
    // columns to its right.
    QList<QWidget*> fields;
    for (QWidget* w = m_modelButton->nextInFocusChain(); w && w != m_modelButton; w = w->nextInFocusChain())
        if (m_page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus))
            fields.append(w);
    QWidget* previous = m_modelButton;
    for (QWidget* field : fields) {
        setTabOrder(previous, field);
        previous = field;
    }
}

void CMyQ6KDlg::FullRefresh()
{
    if (!m_modelButton)
        return;
    const QString modelText = QStringLiteral(" ") + QString::fromStdString(m_image.Identity().ModelDescription());
    m_modelButton->setText(modelText);
    m_modelButton->setAccessibleDescription(modelText.trimmed());

    ReplacePageIfNeeded();
    if (m_page)
        m_page->Load();

    m_binder.Load();

    m_bank->setEnabled(m_image.GetWord(image_words::kBankSwitching) != 0);
    m_alarmTable->Refill();

    const CDeviceType& model = m_image.Identity();
    m_bcd->setEnabled(model.Has(CAP_BCD_OUTPUT));
    m_event->setEnabled(model.Has(CAP_EVENT_INPUT));
    m_analog->setEnabled(model.Has(CAP_ANALOG_OUTPUT));
    m_modbus->setEnabled(model.Has(CAP_MODBUS));
}

void CMyQ6KDlg::Commit()
{
    // A value still open in a cell counts as much as one in a field.
    if (m_alarmTable)
        m_alarmTable->Editing().CommitOpenEdit();
    CommitControls();
}

bool CMyQ6KDlg::TryCommit()
{
    const CRegisterImage before(m_image);
    try {
        CQuietValidation quiet;
        CommitControls();
        return true;
    } catch (const std::exception&) {
        m_image = before;
        return false;
    }
}

void CMyQ6KDlg::CommitControls()
{
    if (!m_modelButton)
        return;
    if (m_page)
        m_page->Store();
    m_binder.Store();
}

void CMyQ6KDlg::OnDecimalPoint()
{
    QWidget* page = m_page;
    RunCommand(page, [this, page] {
        Commit();
        RunInputSubDialog(page, EInputSubDialog::DecimalPoint, m_image);
        FullRefresh();
    });
}

int CMyQ6KDlg::RunModal()
{
    Build();
    return exec();
}

void CMyQ6KDlg::OnUpload()
{
    if (!MaySetAside())
        return;
    CModbusInterface link; // the stored connection settings
    if (!CCommDialog::ConnectStep(this, link))
        return;
    UploadFrom(link);
}

void CMyQ6KDlg::UploadFrom(CModbusInterface& link)
{
    QElapsedTimer clock;
    clock.start();
    SMeterFindings findings;
    // The working image changes only when the whole upload succeeded.
    if (!CProgressDialog::RunUpload(this, link, m_image, &findings))
        return;
    m_savedImage = m_image;
    m_savedFile.clear();
    FullRefresh();
    const QString seconds = QString::number(static_cast<double>(clock.elapsed()) / 1000.0, 'f', 1);
    const QString serial = findings.serial.empty() ? UiText(text::kNoSerial) : QString::fromStdString(findings.serial);
    const CDeviceType& model = m_image.Identity();
    if (link.Settings().Mode == kModeInfrared)
        SayDone(UiMessage(LoadMessage(text::kUploadedInfrared, {model.Code(), model.ModelDescription(),
                                                                serial.toStdString(), seconds.toStdString()})));
    else
        SayDone(UiMessage(LoadMessage(text::kUploaded, {model.Code(), model.ModelDescription(), serial.toStdString(),
                                                        link.Settings().Address, seconds.toStdString()})));
}

void CMyQ6KDlg::OnDownload()
{
    Commit(); // a rejected value stops here, before the Connect dialog
    Download(m_image, true);
}

void CMyQ6KDlg::Download(const CRegisterImage& image, bool working)
{
    CModbusInterface link;
    if (!CCommDialog::ConnectStep(this, link))
        return;
    CMeterHistory history;
    SSafeDownloadOptions options;
    // The change log names the file the settings came from, while they are
    // still that file's.
    if (image == m_savedImage)
        options.sourceFile = m_savedFile.toStdString();
    CSafeDownload job(image, options, &history);
    // What the meter holds first: nothing is written before it is read.
    if (!CProgressDialog::RunJob(this, link, text::kReadingMeter,
                                 [&job](CModbusInterface& l, const ProgressReport& r) { return job.ReadMeter(l, r); }))
        return;
    if (job.UpToDate()) {
        if (working && !(image == m_savedImage)) {
            m_savedImage = image;
            m_savedFile.clear();
        }
        UpdateModified();
        SayDone(UiText(text::kAlreadyHeld));
        return;
    }
    if (!CDownloadPreviewDialog::Confirm(this, job, link.Settings())) {
        SayDone(UiText(text::kPreviewCancelled));
        return;
    }
    bool completed = false;
    try {
        completed = CProgressDialog::RunJob(
            this, link, uitext::kDownloadingNow,
            [&job](CModbusInterface& l, const ProgressReport& r) { return job.WriteAndVerify(l, r); });
    } catch (const CPrivateException& e) {
        OfferPreviousSettings(job, e.Text());
        return;
    }
    if (!completed) {
        OfferPreviousSettings(job, job.InterruptedText());
        return;
    }
    if (!job.LogWarning().empty())
        ShowMessage(this, UiMessage(job.LogWarning()), MessageIcon::Warning);
    const int changed = static_cast<int>(job.Changes().size());
    if (job.Verification() == CSafeDownload::EVerification::Mismatch) {
        SayDone(UiMessage(LoadMessage(text::kNotHeld, {static_cast<int>(job.NotHeld().size())})));
        CDownloadPreviewDialog::ShowNotHeld(this, job);
        return;
    }
    if (working && !(image == m_savedImage)) {
        m_savedImage = image;
        m_savedFile.clear();
    }
    UpdateModified();
    QString said = UiMessage(LoadMessage(text::kDownloadedVerified, {changed}));
    // The Connect settings follow a meter that now answers elsewhere.
    const ComSettings answered = job.AnsweredAt();
    if (answered.Address != link.Settings().Address || answered.Baudrate != link.Settings().Baudrate ||
        answered.Parity != link.Settings().Parity || answered.Stop != link.Settings().Stop) {
        RunCommand(this, [&answered] { answered.Save(); });
        said += QLatin1Char(' ') + UiMessage(LoadMessage(text::kLinkFollows, {answered.Address}));
    }
    SayDone(said);
}

void CMyQ6KDlg::OfferPreviousSettings(const CSafeDownload& job, const std::string& why)
{
    SayDone(UiMessage(CommunicationErrorDetail(why)).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    // Before the first write nothing changed in the meter: the reason alone.
    if (!job.AnyWriteSent() || job.BackupPath().empty()) {
        ShowMessage(this, UiMessage(why), MessageIcon::Stop);
        return;
    }
    if (!AskQuestion(this, UiMessage(LoadMessage(text::kDownloadBack, {why}))))
        return;
    CRegisterImage previous;
    if (RunCommand(this, [&] { previous = CConfigFile::Read(job.BackupPath()); }))
        Download(previous, false);
}

void CMyQ6KDlg::OnHistory()
{
    const QString path = CHistoryDialog::Choose(this, CMeterHistory());
    if (!path.isEmpty())
        OpenFile(path, true);
}

void CMyQ6KDlg::OnReport()
{
    Commit(); // the report shows what the controls say, or nothing on a rejected value
    CCompareDialog::Run(this, m_image);
}

void CMyQ6KDlg::OnLine()
{
    Commit(); // what the line gets and is compared with is what the controls say
    CModbusInterface link;
    if (!CCommDialog::ConnectStep(this, link))
        return;
    CLineWindow line(m_image, link.Settings(), this);
    // Open reads a meter of the line into this window as Upload does.
    connect(&line, &CLineWindow::openRequested, this, [this](const ComSettings& settings) {
        RunCommand(this, [this, &settings] {
            if (!MaySetAside())
                return;
            CModbusInterface meter(settings);
            UploadFrom(meter);
        });
    });
    line.exec();
}

void CMyQ6KDlg::OnMonitor()
{
    CModbusInterface link; // the stored connection settings
    if (!CCommDialog::ConnectStep(this, link))
        return;
    // The window comes back however the monitor ends.
    struct SShowAgain
    {
        QWidget* window;
        ~SShowAgain() { window->show(); }
    } showAgain{this};
    // QWidget's hide, not QDialog's: a dialog hidden by its own setVisible
    // leaves its modal loop, and the program would end with the monitor.
    QWidget::setVisible(false);
    CDeviceInformationDialog::Run(this, link);
}

QString CMyQ6KDlg::AskFileName(EFileDialog kind)
{
    if (m_askFileName)
        return m_askFileName(this, kind);
    QFileDialog dialog(this);
    dialog.setNameFilter(ConfigurationFilter());
    dialog.setDefaultSuffix(QStringLiteral("cfg"));
    dialog.setAcceptMode(kind == EFileDialog::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == EFileDialog::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

void CMyQ6KDlg::OnSaveFile()
{
    SaveAsked();
}

bool CMyQ6KDlg::SaveAsked()
{
    Commit();
    const QString path = AskFileName(EFileDialog::Save);
    if (path.isEmpty())
        return false;
    SaveTo(path);
    return true;
}

void CMyQ6KDlg::SaveTo(const QString& path)
{
    CConfigFile::Save(m_image, path.toStdString());
    m_savedImage = m_image;
    m_savedFile = path;
    SayDone(UiMessage(LoadMessage(text::kSavedTo, {QDir::toNativeSeparators(path).toStdString()})));
    UpdateModified();
}

void CMyQ6KDlg::OnOpenFile()
{
    if (!MaySetAside())
        return;
    const QString path = AskFileName(EFileDialog::Open);
    if (!path.isEmpty())
        OpenFile(path);
}

bool CMyQ6KDlg::OpenFile(const QString& path, bool ask)
{
    if (ask && !MaySetAside())
        return false;
    const bool opened = RunCommand(this, [this, &path] {
        // Assigns only a whole, good file: one a meter would take.
        CConfigFile::LoadChecked(m_image, path.toStdString());
        m_savedImage = m_image;
        m_savedFile = path;
        FullRefresh();
        SayDone(
            UiMessage(LoadMessage(text::kOpened, {QDir::toNativeSeparators(path).toStdString(),
                                                  m_image.Identity().Code(), m_image.Identity().ModelDescription()})));
    });
    Checkpoint(UiText(text::kOpenFile) + QStringLiteral(" ") + QFileInfo(path).fileName());
    return opened;
}

QMenu* CMyQ6KDlg::BuildModelMenu()
{
    m_modelMenu = std::make_unique<QMenu>(this);
    const int current = m_image.Identity().IsKnown() ? m_image.Identity().Code() : -1;
    QMenu* submenu = nullptr;
    std::string previousName;
    for (int code = 0; code < kDeviceModelCount; ++code) {
        const CDeviceType model = CDeviceType::FromCode(code);
        if (!submenu || model.ModelName() != previousName) {
            previousName = model.ModelName();
            submenu = m_modelMenu->addMenu(QString::fromStdString(previousName));
        }
        QAction* item = submenu->addAction(QString::fromStdString(model.ModelDescription()));
        item->setData(code);
        item->setCheckable(true);
        if (code == current) {
            item->setChecked(true);
            // A submenu cannot carry a check mark in Qt: its title shows it.
            submenu->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
            submenu->menuAction()->setCheckable(true);
            submenu->menuAction()->setChecked(true);
        }
        connect(item, &QAction::triggered, this,
                [this, code] { RunCommand(this, [this, code] { ChooseModel(code); }); });
    }
    return m_modelMenu.get();
}

void CMyQ6KDlg::OnModelButton()
{
    Commit();
    QMenu* menu = BuildModelMenu();
    menu->popup(m_modelButton->mapToGlobal(QPoint(0, m_modelButton->height() - 1)));
}

void CMyQ6KDlg::ChooseModel(int code)
{
    if (m_image.Identity().IsKnown() && code == m_image.Identity().Code())
        return;
    if (MaySetAside())
        ChangeModel(code);
}

void CMyQ6KDlg::ChangeModel(int code)
{
    if (m_image.Identity().IsKnown() && code == m_image.Identity().Code())
        return;
    m_settings.m_deviceId = code;
    m_image.ResetForModel(code, false);
    FullRefresh();
    SayDone(UiMessage(LoadMessage(text::kModelChanged, {code, m_image.Identity().ModelDescription()})));
    Checkpoint(UiText(text::kModel) + QStringLiteral(" ") + ModelText(m_image.Identity()));
}

void CMyQ6KDlg::OnLanguage()
{
    // The window is built anew in the other language from the image: what
    // was typed goes into it first (a rejected value stops here).
    Commit();
    COptionDialog dialog(m_settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_settings = dialog.Settings();
    if (m_settings.m_displayLanguage == LoadedLanguage())
        return; // the choice is kept, the window stays as it is
    if (m_page) {
        StopWatching(m_page);
        disconnect(m_page, nullptr, this, nullptr);
        m_page->hide();
        m_page->deleteLater();
        m_page = nullptr;
    }
    LoadLanguageReporting(m_settings.m_displayLanguage, this);
    // The program runs this window again, built from the new texts around
    // the same image.
    done(kLanguageChanged);
}

void CMyQ6KDlg::OnControl()
{
    RunOn<COperationDialog>(this, m_image);
}

void CMyQ6KDlg::OnDisplay()
{
    Commit(); // a rejected value stops here, before the dialog
    RunOn<CDisplayDialog>(this, m_image);
}

void CMyQ6KDlg::OnLockout()
{
    RunOn<CProtectDialog>(this, m_image);
}

void CMyQ6KDlg::OnBcdOutput()
{
    RunOn<CBCDOutputDialog>(this, m_image);
}

void CMyQ6KDlg::OnEventTrigger()
{
    RunOn<CEventInputDialog>(this, m_image);
}

void CMyQ6KDlg::OnAnalogOut()
{
    Commit();
    RunOn<CAnalogOutputDialog>(this, m_image);
}

void CMyQ6KDlg::OnModbus()
{
    RunOn<CModbusDialog>(this, m_image);
}

void CMyQ6KDlg::OnBank()
{
    Commit();
    RunOn<CAlarmBankDialog>(this, m_image);
    FullRefresh();
}

void CMyQ6KDlg::OnAdvancedAlarm()
{
    Commit();
    RunOn<CAdvancedAlarmDialog>(this, m_image);
    FullRefresh();
}

void CMyQ6KDlg::StoreModelCode()
{
    m_settings.m_deviceId = m_image.Identity().Code(); // 0 when it names no model
}

void CMyQ6KDlg::reject()
{
    // Escape never closes the main window; it only ends a cell edit.
    if (m_alarmTable)
        m_alarmTable->Editing().CancelEdit();
}

void CMyQ6KDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Only a focused button takes Enter; nothing closes the window.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        reject();
        event->accept();
        return;
    default: QDialog::keyPressEvent(event);
    }
}

void CMyQ6KDlg::closeEvent(QCloseEvent* event)
{
    if (!MaySetAside()) {
        event->ignore();
        return;
    }
    StoreModelCode();
    done(0);
    event->accept();
}

void CMyQ6KDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (m_firstPaint && !isMinimized()) {
        m_firstPaint = false;
        if (QPushButton* upload = Button(text::kUpload)) {
            upload->setDefault(true);
            upload->setFocus(Qt::OtherFocusReason);
        }
        if (m_firstPaintHook)
            m_firstPaintHook();
        if (m_offerRecovery)
            QTimer::singleShot(0, this, [this] { OfferRecovery(); });
    }
}

void CMyQ6KDlg::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() &&
        urls.front().toLocalFile().endsWith(QStringLiteral(".cfg"), Qt::CaseInsensitive))
        event->acceptProposedAction();
}

void CMyQ6KDlg::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
        // Opened once the drop is over: the question must not run inside
        // the drag's own event.
        const QString path = urls.front().toLocalFile();
        QTimer::singleShot(0, this, [this, path] { OpenFile(path, true); });
    }
}

// ---------------------------------------------------------------------------
// Unsaved work, undo and redo, the status line

bool CMyQ6KDlg::IsModified() const
{
    return !(m_image == m_savedImage);
}

void CMyQ6KDlg::UpdateModified()
{
    const bool modified = IsModified();
    setWindowModified(modified);
    if (!m_recovery)
        return;
    if (!modified) {
        m_recovery->Forget();
        return;
    }
    if (const int err = m_recovery->Keep(m_image); err != 0 && !m_recoveryWarned) {
        // Said once: the work goes on, only the safety net is missing.
        m_recoveryWarned = true;
        SayDone(UiMessage(LoadMessage(text::kRecoveryNotKept,
                                      {m_recovery->SettingsPath(), CPrivateException::SystemErrorText(err)})));
    }
}

void CMyQ6KDlg::Checkpoint(const QString& what)
{
    if (!(m_image == m_checkpoint)) {
        const CRegisterImage before = m_checkpoint;
        m_checkpoint = m_image;
        m_undo->push(new CSnapshotCommand(*this, before, m_image, what.isEmpty() ? UiText(text::kTypedValues) : what));
    }
    UpdateModified();
}

void CMyQ6KDlg::ShowSnapshot(const CRegisterImage& image)
{
    if (m_alarmTable)
        m_alarmTable->Editing().CancelEdit();
    m_image = image;
    m_checkpoint = image;
    m_settings.m_deviceId = m_image.Identity().Code();
    FullRefresh();
    UpdateModified();
}

void CMyQ6KDlg::Undo()
{
    // Values typed and not yet taken are a step of their own, undone first.
    // (The Undo button takes no focus, so a cell may still be open.) A cell
    // value that is not valid is simply dropped: that is its undoing.
    if (m_alarmTable && m_alarmTable->Editing().IsEditing()) {
        try {
            m_alarmTable->Editing().CommitOpenEdit();
        } catch (const std::exception&) {
            m_alarmTable->Editing().CancelEdit();
            return;
        }
    }
    if (TryCommit())
        Checkpoint(UiText(text::kTypedValues));
    if (!m_undo->canUndo())
        return;
    const QString what = m_undo->undoText();
    m_undo->undo();
    SayDone(UiMessage(LoadMessage(text::kUndone, {what.toStdString()})));
}

void CMyQ6KDlg::Redo()
{
    if (!m_undo->canRedo())
        return;
    const QString what = m_undo->redoText();
    m_undo->redo();
    SayDone(UiMessage(LoadMessage(text::kRedone, {what.toStdString()})));
}

void CMyQ6KDlg::UpdateUndoTips()
{
    if (!m_undoAction || !m_redoAction)
        return;
    auto tip = [](unsigned id, const QString& what, QAction* action) {
        const QString keys = action->shortcut().toString(QKeySequence::NativeText);
        return UiMessage(LoadMessage(id, {what.toStdString(), keys.toStdString()}));
    };
    m_undoAction->setEnabled(m_undo->canUndo());
    m_redoAction->setEnabled(m_undo->canRedo());
    m_undoAction->setToolTip(tip(text::kUndoTip, m_undo->undoText(), m_undoAction));
    m_redoAction->setToolTip(tip(text::kRedoTip, m_undo->redoText(), m_redoAction));
}

bool CMyQ6KDlg::MaySetAside()
{
    // A value in a cell editor or a field counts as unsaved work; one that
    // is not valid still does, and Save then names it.
    const bool taken = [this] {
        try {
            if (m_alarmTable)
                m_alarmTable->Editing().CommitOpenEdit();
        } catch (const std::exception&) {
            return false;
        }
        return TryCommit();
    }();
    if (taken)
        Checkpoint(UiText(text::kTypedValues));
    if (taken && !IsModified())
        return true;
    const int choice = AskChoice(this, UiText(text::kSaveChanges),
                                 {{QMessageBox::Save, {}}, {QMessageBox::Discard, {}}, {QMessageBox::Cancel, {}}}, 2,
                                 MessageIcon::Warning);
    if (choice == 1)
        return true;
    if (choice != 0)
        return false;
    bool saved = false;
    RunCommand(this, [this, &saved] { saved = SaveAsked(); });
    return saved;
}

void CMyQ6KDlg::SayDone(const QString& text)
{
    m_status = text;
    if (m_statusLine)
        m_statusLine->setText(text);
}

QString CMyQ6KDlg::StatusText() const
{
    return m_status;
}

void CMyQ6KDlg::SetRecovery(std::unique_ptr<CSessionRecovery> recovery, bool offer)
{
    m_recovery = std::move(recovery);
    m_offerRecovery = offer && m_recovery;
    if (m_recovery && m_recovery->Begin() != 0)
        m_recovery.reset(); // the work goes on without the safety net
    UpdateModified();
}

void CMyQ6KDlg::OfferRecovery()
{
    m_offerRecovery = false;
    if (!m_recovery)
        return;
    const std::optional<CSessionRecovery::SAbandoned> session = m_recovery->ClaimAbandoned();
    if (!session)
        return;
    const QString when = QDateTime::fromSecsSinceEpoch(session->time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const int choice = AskChoice(this, UiMessage(LoadMessage(text::kRecoveryOffer, {when.toStdString()})),
                                 {{0, UiText(text::kRestore)}, {QMessageBox::Discard, {}}}, 0, MessageIcon::Question);
    if (choice != 0) {
        m_recovery->Discard(*session);
        return;
    }
    const bool restored = RunCommand(this, [this, &session] {
        const CRegisterImage image = m_recovery->Restore(*session);
        if (m_alarmTable)
            m_alarmTable->Editing().CancelEdit();
        m_image = image;
        m_settings.m_deviceId = m_image.Identity().Code();
        FullRefresh();
    });
    if (!restored)
        return; // the damaged file stays for a look by hand
    Checkpoint(UiText(text::kRestore));
    // Kept under this session now (Checkpoint did that): the old files go.
    m_recovery->Discard(*session);
    SayDone(UiMessage(LoadMessage(text::kRestored, {when.toStdString()})));
}
