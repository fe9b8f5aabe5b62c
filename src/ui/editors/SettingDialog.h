#pragma once
// What every setting dialog shares: a private register image, controls bound
// to its words in the order OK reads them, and the run that copies the
// caller's image in and, on OK only, back out.
//
// A dialog derives from CSettingDialog and, in its constructor, adds its rows
// in table order:
//
//     CAdvancedAlarmDialog::CAdvancedAlarmDialog(QWidget* parent)
//         : CSettingDialog(kTitleId, parent)
//     {
//         AddOptionRow(kBankSwitchingId, 1059, 85, 4400, 3, EOptionRule::Clamped);
//         AddNumberRow(kPowerOnDelayId, 1009, 84, ENumberWidth::Word, ScaleFixed(10),
//                      LimitsFixed(0, 9999), 15257, kSecId);
//     }
//
// The base class fills, selects and formats every bound control before the
// dialog is shown, reads them back on OK (stopping at the first rejected
// edit, which is reported with the stop icon while the dialog stays open)
// and discards its image on Cancel. Rules that go beyond one control and one
// word belong in AfterStore, or in a binding of their own (BindCustom).

#include "model/RegisterImage.h"

#include <QDialog>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLineEdit;

// How a stored word maps to the shown option of a list.
enum class EOptionRule {
    Clamped, // min(word, N - 1): a value beyond the list shows the last option
    TwoWay,  // 0 shows the first option, anything else the second
};

// Shown option index of `word` in a list of `count` options.
int ShownOptionIndex(std::uint16_t word, int count, EOptionRule rule);

// Appends strings baseId ... baseId + count - 1 to `combo`, in order.
void FillOptionList(QComboBox* combo, unsigned baseId, int count);

// Scale factors and limits of numeric edits, taken from the dialog's image
// when the edit is shown and again when it is read.
using ScaleSource = std::function<std::int32_t(const CRegisterImage&)>;
using LimitsSource = std::function<std::pair<std::int32_t, std::int32_t>(const CRegisterImage&)>;

ScaleSource ScaleFixed(std::int32_t divisor); // 1, 10, 100 or 1000
ScaleSource ScaleDisplay();                   // display scale of the image
ScaleSource ScaleInput();                     // input scale of the image
LimitsSource LimitsFixed(std::int32_t minimum, std::int32_t maximum);
LimitsSource LimitsDisplayValue(); // -20000 ... 100000, or -99999 ... 999999 (TC, RTD)
LimitsSource LimitsInputRange();   // the input range row of the image

enum class ENumberWidth {
    Word, // one word; read as signed 16-bit when the lower limit is negative
    Long, // two words, low half first
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

    // OK: reads every bound control in order into the image; ends with OK
    // only when all were accepted.
    void accept() override;

protected:
    // Binding of a control to the image. `load` shows the image, `store` reads
    // the control back and may throw CPrivateException.
    struct SBinding
    {
        QWidget* control;
        std::function<void()> load;
        std::function<void()> store;
    };

    // Bindings, in the order OK reads them.
    QComboBox* BindOptionList(QComboBox* combo, int word, unsigned baseId, int count, EOptionRule rule);
    QLineEdit* BindNumber(QLineEdit* edit, int word, ENumberWidth width, ScaleSource scale,
                          LimitsSource limits, unsigned nameId);
    // Radio button i selects value i (clamped to the last button).
    void BindRadioGroup(const std::vector<QAbstractButton*>& buttons, int word);
    void BindCustom(QWidget* control, std::function<void()> load, std::function<void()> store);

    // Rows of the dialog's form: caption (string number), control, and an
    // optional unit text after the control. The control gets `controlId`.
    void AddRow(unsigned captionId, QWidget* control, int controlId, unsigned unitId = 0);
    QComboBox* AddOptionRow(unsigned captionId, int controlId, int word, unsigned baseId, int count,
                            EOptionRule rule);
    QLineEdit* AddNumberRow(unsigned captionId, int controlId, int word, ENumberWidth width,
                            ScaleSource scale, LimitsSource limits, unsigned nameId,
                            unsigned unitId = 0);

    QFormLayout* Form() const { return m_form; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

    // Hooks: after the bindings were shown (enable states, extra lists), and
    // after all were stored (rules across words; may throw to keep the
    // dialog open).
    virtual void AfterLoad() {}
    virtual void AfterStore() {}

private:
    void StoreControls();

    CRegisterImage m_image;
    std::vector<SBinding> m_bindings;
    QFormLayout* m_form;
    QDialogButtonBox* m_buttons;
};

// Copies the caller's image (words and identity) into the dialog, runs it
// modally and, on OK only, copies the dialog's image back and returns true.
// Notifies nobody: the caller decides what to refresh.
bool RunSettingDialog(CSettingDialog& dialog, CRegisterImage& callerImage);
