#include "ui/editors/SettingDialog.h"

#include "model/ScalingParameterResolver.h"
#include "ui/app/ErrorReport.h"
#include "ui/app/UiText.h"
#include "ui/editors/ScaledEdit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

int ShownOptionIndex(std::uint16_t word, int count, EOptionRule rule)
{
    if (rule == EOptionRule::TwoWay)
        return word == 0 ? 0 : 1;
    return std::min<int>(word, std::max(count, 1) - 1);
}

void FillOptionList(QComboBox* combo, unsigned baseId, int count)
{
    for (int i = 0; i < count; ++i)
        combo->addItem(UiText(baseId + static_cast<unsigned>(i)));
}

ScaleSource ScaleFixed(std::int32_t divisor)
{
    return [divisor](const CRegisterImage&) { return divisor; };
}

ScaleSource ScaleDisplay()
{
    return [](const CRegisterImage& image) { return CScalingParameterResolver(image).DisplayScale(); };
}

ScaleSource ScaleInput()
{
    return [](const CRegisterImage& image) { return CScalingParameterResolver(image).InputScale(); };
}

LimitsSource LimitsFixed(std::int32_t minimum, std::int32_t maximum)
{
    return [minimum, maximum](const CRegisterImage&) { return std::pair{minimum, maximum}; };
}

LimitsSource LimitsDisplayValue()
{
    return [](const CRegisterImage& image) {
        const CScalingParameterResolver resolver(image);
        return std::pair{resolver.DisplayValueMinimum(), resolver.DisplayValueMaximum()};
    };
}

LimitsSource LimitsInputRange()
{
    return [](const CRegisterImage& image) {
        const CScalingParameterResolver resolver(image);
        return std::pair{resolver.InputRangeMinimum(), resolver.InputRangeMaximum()};
    };
}

// ---------------------------------------------------------------------------

CSettingDialog::CSettingDialog(unsigned titleId, QWidget* parent) : QDialog(parent)
{
    if (titleId != 0)
        setWindowTitle(UiText(titleId));
    auto* outer = new QVBoxLayout(this);
    m_form = new QFormLayout;
    outer->addLayout(m_form);
    m_buttons = new QDialogButtonBox(this);
    QPushButton* ok = m_buttons->addButton(UiText(uitext::kOk), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    m_buttons->addButton(UiText(uitext::kCancel), QDialogButtonBox::RejectRole);
    outer->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CSettingDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CSettingDialog::reject);
}

CSettingDialog::~CSettingDialog() = default;

void CSettingDialog::InitDialog()
{
    for (const SBinding& binding : m_bindings)
        binding.load();
    AfterLoad();
    for (const SBinding& binding : m_bindings) {
        if (binding.control && binding.control->isEnabled()) {
            binding.control->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

QWidget* CSettingDialog::Control(int controlId) const
{
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("controlId").toInt() == controlId && w->property("controlId").isValid())
            return w;
    }
    return nullptr;
}

void CSettingDialog::StoreControls()
{
    for (const SBinding& binding : m_bindings)
        binding.store();
    AfterStore();
}

void CSettingDialog::accept()
{
    // A rejected edit has its message shown here; the dialog stays open.
    if (RunCommand(this, [this] { StoreControls(); }))
        QDialog::accept();
}

QComboBox* CSettingDialog::BindOptionList(QComboBox* combo, int word, unsigned baseId, int count,
                                          EOptionRule rule)
{
    FillOptionList(combo, baseId, count);
    m_bindings.push_back(
        {combo,
         [this, combo, word, count, rule] {
             combo->setCurrentIndex(ShownOptionIndex(m_image.GetWord(word), count, rule));
         },
         [this, combo, word] {
             // A list always holds a selection once loaded; -1 would only come
             // from an empty list, which keeps the word.
             if (combo->currentIndex() >= 0)
                 m_image.SetWord(word, static_cast<std::uint16_t>(combo->currentIndex()));
         }});
    return combo;
}

QLineEdit* CSettingDialog::BindNumber(QLineEdit* edit, int word, ENumberWidth width, ScaleSource scale,
                                      LimitsSource limits, unsigned nameId)
{
    auto load = [this, edit, word, width, scale, limits] {
        std::int32_t value = 0;
        if (width == ENumberWidth::Long)
            value = m_image.GetLong(word);
        else if (limits(m_image).first < 0)
            value = static_cast<std::int16_t>(m_image.GetWord(word));
        else
            value = m_image.GetWord(word);
        SetScaledText(edit, value, scale(m_image));
    };
    auto store = [this, edit, word, width, scale, limits, nameId] {
        const auto [minimum, maximum] = limits(m_image);
        const std::int32_t value = ReadScaledText(edit, minimum, maximum, scale(m_image), nameId);
        if (width == ENumberWidth::Long)
            m_image.SetLong(word, value);
        else
            m_image.SetWord(word, static_cast<std::uint16_t>(value));
    };
    m_bindings.push_back({edit, std::move(load), std::move(store)});
    return edit;
}

void CSettingDialog::BindRadioGroup(const std::vector<QAbstractButton*>& buttons, int word)
{
    if (buttons.empty())
        return;
    for (QAbstractButton* b : buttons)
        b->setAutoExclusive(true);
    m_bindings.push_back(
        {buttons.front(),
         [this, buttons, word] {
             const int shown = std::min<int>(m_image.GetWord(word), static_cast<int>(buttons.size()) - 1);
             buttons[static_cast<std::size_t>(shown)]->setChecked(true);
         },
         [this, buttons, word] {
             for (std::size_t i = 0; i < buttons.size(); ++i) {
                 if (buttons[i]->isChecked()) {
                     m_image.SetWord(word, static_cast<std::uint16_t>(i));
                     return;
                 }
             }
         }});
}

void CSettingDialog::BindCustom(QWidget* control, std::function<void()> load, std::function<void()> store)
{
    m_bindings.push_back({control, std::move(load), std::move(store)});
}

void CSettingDialog::AddRow(unsigned captionId, QWidget* control, int controlId, unsigned unitId)
{
    control->setProperty("controlId", controlId);
    if (unitId == 0) {
        m_form->addRow(UiText(captionId), control);
        return;
    }
    auto* row = new QHBoxLayout;
    row->addWidget(control);
    row->addWidget(new QLabel(UiText(unitId), this));
    m_form->addRow(UiText(captionId), row);
}

QComboBox* CSettingDialog::AddOptionRow(unsigned captionId, int controlId, int word, unsigned baseId,
                                        int count, EOptionRule rule)
{
    auto* combo = new QComboBox(this);
    AddRow(captionId, combo, controlId);
    return BindOptionList(combo, word, baseId, count, rule);
}

QLineEdit* CSettingDialog::AddNumberRow(unsigned captionId, int controlId, int word, ENumberWidth width,
                                        ScaleSource scale, LimitsSource limits, unsigned nameId,
                                        unsigned unitId)
{
    auto* edit = new QLineEdit(this);
    AddRow(captionId, edit, controlId, unitId);
    return BindNumber(edit, word, width, std::move(scale), std::move(limits), nameId);
}

bool RunSettingDialog(CSettingDialog& dialog, CRegisterImage& callerImage)
{
    dialog.Image().Assign(callerImage);
    dialog.InitDialog();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    callerImage.Assign(dialog.Image());
    return true;
}
