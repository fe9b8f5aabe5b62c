#pragma once
// What every setting dialog shares: a private register image, controls bound
// to its words in the order OK reads them, and the run that copies the
// caller's image in and, on OK only, back out.
//
// A dialog derives from CSettingDialog and, in its constructor, adds one line
// per control, in the order OK reads them (the order of its table):
//
//     CAdvancedAlarmDialog::CAdvancedAlarmDialog(QWidget* parent)
//         : CSettingDialog(kTitleId, parent)
//     {
//         //           control word rule
//         AddOptionRow(1059,   85,  EOptionRule::Clamped);
//         AddStoreRule([](CRegisterImage& image) { if (image.GetWord(85) != 1) image.SetWord(86, 1); });
//         AddNumberRow(1009,   84,  LimitsFixed(0, 9999), {.unitId = kSecId});
//     }
//
// A row names its control and its register word; the caption (the
// parameter's name), the option texts and their number, the scale and the
// name in the range message come from the word's row of the parameter
// descriptor table (WordBinder.h). A caption that deliberately differs from
// the parameter's name is written on its row as {.captionId = ...}.
//
// The base class fills, selects and formats every bound control before the
// dialog is shown, reads them back on OK (stopping at the first rejected
// edit, which is reported with the stop icon while the dialog stays open)
// and discards its image on Cancel (or Escape). The first available control
// has the focus when the dialog opens; for a radio group, its checked button.
//
// Every row's caption is a label whose buddy is the row's control, and the
// control's accessible name is the caption too, so a screen reader (and a
// test) finds each control by the text the user reads. Rows are laid out
// by layouts only, so a dialog fits its texts in any language.
//
// The kinds of line, each written once here:
//   AddOptionRow    caption + drop-down list of consecutive strings; the number
//                   of options may depend on the image (COptionCount)
//   AddNumberRow    caption + edit of a scaled number, validated on OK
//   AddNumberCell   an edit in a table section (rows × columns of captions)
//   AddRadioRow     a titled group of radio buttons, an explicit value each,
//                   and the button shown for any other value
//   AddTrackbarRow  caption + edit with a trackbar beside it: moving the
//                   trackbar writes the edit, typing leaves the trackbar, OK
//                   reads the edit
//   AddDialogButton a button that runs another setting dialog on THIS
//                   dialog's image: its OK lands here, and Cancel here drops it
//   AddNote         a line of text, drawn red (a warning)
//   AddWide         a bound control across the dialog without a caption of
//                   its own (a grid that names itself)
//   AddStoreRule    no control: a rule applied to the image at its place in
//                   the OK order
// and the sections rows can go into: AddGroup (a titled group box with rows
// of its own) and AddTable (a grid of edits with column and row captions).
//
// Options common to rows (SRowExtras): the section, a unit text after the
// control, and an availability rule. An unavailable row is shown disabled
// (label, control and unit), a list of it is left empty, and OK does not
// store it. A control that is disabled when OK is pressed is not stored
// either: what the user cannot edit is not written.

#include "model/RegisterImage.h"
#include "ui/editors/WordBinder.h"

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAbstractButton;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QVBoxLayout;

// One radio button of a group: control id, the value it stands for and its
// caption, the value's option text unless `textId` names another.
struct SRadioChoice
{
    int controlId;
    std::uint16_t value;
    unsigned textId = 0;
};

// A section of a dialog that rows can be put into; owned by the dialog.
class CSettingSection;
// A table section: edits in rows and columns, each with its caption.
class CSettingTable;

// What a row may have besides its control; written with designated
// initializers: {.section = average}, {.unitId = kSecId, .available = HasCapability(CAP_MODBUS)}.
struct SRowExtras
{
    CSettingSection* section = nullptr; // null: the dialog's own rows
    unsigned unitId = 0;                // text after the control ("sec."), 0: none
    AvailabilitySource available = {};  // empty: always available
    unsigned captionId = 0;             // 0: the parameter's name from the descriptor table
    COptionCount options = {};          // empty: the descriptor table's number of options
};

class CSettingDialog : public QDialog
{
    Q_OBJECT
public:
    // `titleId`: string number of the window title (0: none).
    explicit CSettingDialog(unsigned titleId, QWidget* parent = nullptr);
    ~CSettingDialog() override;

    CRegisterImage& Image() { return m_image; }
    const CRegisterImage& Image() const { return m_image; }

    // Shows the image in the controls; RunSettingDialog calls it after the
    // caller's image was copied in.
    void InitDialog();

    // The control added with `controlId` (null when there is none).
    QWidget* Control(int controlId) const;
    template <typename T>
    T* Control(int controlId) const
    {
        return qobject_cast<T*>(Control(controlId));
    }

    // OK: reads every bound control in order into the image; ends with OK
    // only when all were accepted.
    void accept() override;

    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The bound controls in the order OK reads them.
    const CWordBinder& Binder() const { return m_binder; }

protected:
    // ---- Sections: rows of their own, placed below the earlier ones.
    // A titled group box ("Average", "Filter").
    CSettingSection* AddGroup(unsigned titleId);
    // A grid of controls with a caption over every column and before every
    // row (titleId 0: no frame). A cell's control is named "<column> <row>".
    CSettingTable* AddTable(unsigned titleId, std::vector<unsigned> columnCaptionIds,
                            std::vector<unsigned> rowCaptionIds);

    // ---- Rows, one line per control, in the order OK reads them.
    QComboBox* AddOptionRow(int controlId, int word, EOptionRule rule, SRowExtras extras = {});
    QLineEdit* AddNumberRow(int controlId, int word, LimitsSource limits, SRowExtras extras = {});
    // `column` and `row` count from 0 over the table's captions, which name
    // the cell.
    QLineEdit* AddNumberCell(CSettingTable* table, int column, int row, int controlId, int word, LimitsSource limits);
    // Shows the button whose value is the word, or the button of
    // `fallbackValue` for any other word; OK writes the checked button's value.
    //     AddRadioRow(12, {{1050, 1}, {1051, 0}}, 0);  // 1 Enable, else Disable
    QGroupBox* AddRadioRow(int word, std::vector<SRadioChoice> choices, std::uint16_t fallbackValue,
                           SRowExtras extras = {});
    // An integer edit (scale 1) from `minimum` to `maximum` with a trackbar of
    // that range beside it, between the texts lowTextId and highTextId.
    //     AddTrackbarRow(1028, 1029, 43, 1, 10, kLowId, kHighId);
    QLineEdit* AddTrackbarRow(int editId, int trackbarId, int word, std::int32_t minimum, std::int32_t maximum,
                              unsigned lowTextId, unsigned highTextId, SRowExtras extras = {});
    // A button that runs the dialog `make` creates with RunSettingDialog on
    // this dialog's image. This dialog's controls are not shown again
    // afterwards: a nested dialog edits words of its own.
    //     AddDialogButton<CAdvancedModbusDialog>(kAdvancedId, 1030);
    using DialogFactory = std::function<std::unique_ptr<CSettingDialog>(QWidget* parent)>;
    QPushButton* AddDialogButton(unsigned captionId, int controlId, DialogFactory make, SRowExtras extras = {});
    template <typename TDialog>
    QPushButton* AddDialogButton(unsigned captionId, int controlId, SRowExtras extras = {})
    {
        return AddDialogButton(
            captionId, controlId, [](QWidget* parent) { return std::make_unique<TDialog>(parent); }, std::move(extras));
    }
    // A line of text across the dialog in red (RGB 255, 0, 0).
    QLabel* AddNote(int controlId, unsigned textId, SRowExtras extras = {});
    // A rule applied to the image at this place of the OK order, after the
    // rows before it were stored (it may throw CPrivateException to keep the
    // dialog open).
    //     AddStoreRule([](CRegisterImage& image) { image.SetWord(83, 1); });
    void AddStoreRule(std::function<void(CRegisterImage&)> rule);

    // ---- For controls laid out by hand: the binding alone, and the row.
    // `load` shows the image in `control`, `store` reads it back (and may
    // throw CPrivateException); either may be empty.
    void BindCustom(QWidget* control, std::function<void()> load, std::function<void()> store);
    // Puts `control` in a row under `captionId` (its label, the buddy of the
    // control) and gives it `controlId`. The row's widgets are disabled with
    // the last binding when it is unavailable.
    void AddRow(unsigned captionId, QWidget* control, int controlId, SRowExtras extras = {});
    // Puts `control` across the dialog with no caption and gives it
    // `controlId`; like AddRow, after its binding.
    void AddWide(QWidget* control, int controlId, SRowExtras extras = {});

    QDialogButtonBox* Buttons() const { return m_buttons; }

    // Hooks: after the bindings were shown (extra states), and after all were
    // stored (may throw to keep the dialog open).
    virtual void AfterLoad() {}
    virtual void AfterStore() {}

private:
    using SBinding = CWordBinder::SBinding;

    // Label (and unit) of a new row in the section or the dialog's own rows.
    // `beside`: a widget after the control (a trackbar), before the unit.
    std::vector<QWidget*> PlaceRow(unsigned captionId, QWidget* control, const SRowExtras& extras,
                                   QWidget* beside = nullptr);
    void PlaceWide(QWidget* widget, const SRowExtras& extras);
    void Finish(SBinding& binding, std::vector<QWidget*> rowWidgets, const SRowExtras& extras);
    void StoreControls();
    // The row's caption: its own, or the name of the parameter at `word`.
    static unsigned CaptionOf(const SRowExtras& extras, int word);

    CRegisterImage m_image;
    CWordBinder m_binder{&m_image};
    std::vector<std::unique_ptr<CSettingSection>> m_sections;
    std::vector<std::unique_ptr<CSettingTable>> m_tables;
    QVBoxLayout* m_body;
    QFormLayout* m_form;
    QDialogButtonBox* m_buttons;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// Copies the caller's image (words and identity) into the dialog, runs it
// modally and, on OK only, copies the dialog's image back and returns true.
// Notifies nobody: the caller decides what to refresh.
bool RunSettingDialog(CSettingDialog& dialog, CRegisterImage& callerImage);
