#include "ui/editors/SettingDialog.h"

#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

class CSettingSection
{
public:
    QGroupBox* box;
    QFormLayout* form;
};

class CSettingTable
{
public:
    QWidget* box;
    QGridLayout* grid;
    std::vector<QString> columns;
    std::vector<QString> rows;
};

// ---------------------------------------------------------------------------

CSettingDialog::CSettingDialog(unsigned titleId, QWidget* parent) : QDialog(parent)
{
    if (titleId != 0)
        setWindowTitle(UiText(titleId));
    auto* outer = new QVBoxLayout(this);
    m_body = new QVBoxLayout;
    m_form = new QFormLayout;
    m_body->addLayout(m_form);
    outer->addLayout(m_body);
    m_buttons = new QDialogButtonBox(this);
    m_ok = m_buttons->addButton(UiText(uitext::kOk), QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    m_cancel = m_buttons->addButton(UiText(uitext::kCancel), QDialogButtonBox::RejectRole);
    outer->addWidget(m_buttons);
    // A dialog is as small as its texts allow, in any language.
    outer->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CSettingDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CSettingDialog::reject);
}

CSettingDialog::~CSettingDialog() = default;

void CSettingDialog::InitDialog()
{
    m_binder.Load();
    AfterLoad();
    for (const SBinding& binding : m_binder.Bindings()) {
        QWidget* target = binding.focus ? binding.focus() : binding.control;
        if (binding.isAvailable && target && target->isEnabled() && target->focusPolicy() != Qt::NoFocus) {
            target->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

QWidget* CSettingDialog::Control(int controlId) const
{
    for (QWidget* w : findChildren<QWidget*>()) {
        const QVariant id = w->property("controlId");
        if (id.isValid() && id.toInt() == controlId)
            return w;
    }
    return nullptr;
}

void CSettingDialog::StoreControls()
{
    m_binder.Store();
    AfterStore();
}

void CSettingDialog::accept()
{
    // A rejected edit has its message shown here; the dialog stays open.
    if (RunCommand(this, [this] { StoreControls(); }))
        QDialog::accept();
}

// ---------------------------------------------------------------------------
// Bindings

void CSettingDialog::BindCustom(QWidget* control, std::function<void()> load, std::function<void()> store)
{
    m_binder.BindCustom(
        control,
        [load = std::move(load)](bool available) {
            if (available && load)
                load();
        },
        std::move(store));
}

void CSettingDialog::AddStoreRule(std::function<void(CRegisterImage&)> rule)
{
    m_binder.AddStoreRule(std::move(rule));
}

// ---------------------------------------------------------------------------
// Layout

CSettingSection* CSettingDialog::AddGroup(unsigned titleId)
{
    auto* box = new QGroupBox(UiText(titleId), this);
    auto* form = new QFormLayout(box);
    m_body->addWidget(box);
    m_sections.push_back(std::make_unique<CSettingSection>(CSettingSection{box, form}));
    return m_sections.back().get();
}

CSettingTable* CSettingDialog::AddTable(unsigned titleId, std::vector<unsigned> columnCaptionIds,
                                        std::vector<unsigned> rowCaptionIds)
{
    QWidget* box = titleId != 0 ? new QGroupBox(UiText(titleId), this) : new QWidget(this);
    auto* grid = new QGridLayout(box);
    if (titleId == 0)
        grid->setContentsMargins(0, 0, 0, 0);
    auto table = std::make_unique<CSettingTable>(CSettingTable{box, grid, {}, {}});
    for (std::size_t c = 0; c < columnCaptionIds.size(); ++c) {
        table->columns.push_back(UiText(columnCaptionIds[c]));
        grid->addWidget(new QLabel(table->columns.back(), box), 0, int(c) + 1, Qt::AlignHCenter | Qt::AlignBottom);
    }
    for (std::size_t r = 0; r < rowCaptionIds.size(); ++r) {
        table->rows.push_back(UiText(rowCaptionIds[r]));
        grid->addWidget(new QLabel(table->rows.back(), box), int(r) + 1, 0);
    }
    m_body->addWidget(box);
    m_tables.push_back(std::move(table));
    return m_tables.back().get();
}

std::vector<QWidget*> CSettingDialog::PlaceRow(unsigned captionId, QWidget* control, const SRowExtras& extras,
                                               QWidget* beside)
{
    QWidget* parent = extras.section ? static_cast<QWidget*>(extras.section->box) : this;
    QFormLayout* form = extras.section ? extras.section->form : m_form;
    const QString caption = UiText(captionId);
    // A label the layout made itself would have no buddy when the field is a
    // layout (a control with its unit); so the label is always ours.
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(caption);
    std::vector<QWidget*> widgets{label};
    if (extras.unitId == 0 && !beside) {
        form->addRow(label, control);
        return widgets;
    }
    auto* field = new QHBoxLayout;
    field->addWidget(control, 1);
    if (beside) {
        field->addWidget(beside, 2);
        widgets.push_back(beside);
    }
    if (extras.unitId != 0) {
        auto* unit = new QLabel(UiText(extras.unitId), parent);
        field->addWidget(unit);
        widgets.push_back(unit);
    }
    form->addRow(label, field);
    return widgets;
}

void CSettingDialog::PlaceWide(QWidget* widget, const SRowExtras& extras)
{
    QFormLayout* form = extras.section ? extras.section->form : m_form;
    form->addRow(widget);
}

void CSettingDialog::Finish(SBinding& binding, std::vector<QWidget*> rowWidgets, const SRowExtras& extras)
{
    binding.widgets.insert(binding.widgets.end(), rowWidgets.begin(), rowWidgets.end());
    binding.available = extras.available;
}

void CSettingDialog::AddRow(unsigned captionId, QWidget* control, int controlId, SRowExtras extras)
{
    control->setProperty("controlId", controlId);
    std::vector<QWidget*> widgets = PlaceRow(captionId, control, extras);
    if (SBinding* binding = m_binder.Find(control))
        Finish(*binding, std::move(widgets), extras);
}

void CSettingDialog::AddWide(QWidget* control, int controlId, SRowExtras extras)
{
    control->setProperty("controlId", controlId);
    PlaceWide(control, extras);
    if (SBinding* binding = m_binder.Find(control))
        Finish(*binding, {}, extras);
}

// ---------------------------------------------------------------------------
// Rows

unsigned CSettingDialog::CaptionOf(const SRowExtras& extras, int word)
{
    return extras.captionId != 0 ? extras.captionId : ParameterNameId(word);
}

QComboBox* CSettingDialog::AddOptionRow(int controlId, int word, EOptionRule rule, SRowExtras extras)
{
    auto* combo = new QComboBox(this);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_binder.BindOptionList(combo, word, rule, extras.options);
    const unsigned captionId = CaptionOf(extras, word);
    AddRow(captionId, combo, controlId, std::move(extras));
    return combo;
}

QLineEdit* CSettingDialog::AddNumberRow(int controlId, int word, LimitsSource limits, SRowExtras extras)
{
    auto* edit = new QLineEdit(this);
    m_binder.BindNumber(edit, word, std::move(limits));
    const unsigned captionId = CaptionOf(extras, word);
    AddRow(captionId, edit, controlId, std::move(extras));
    return edit;
}

QLineEdit* CSettingDialog::AddNumberCell(CSettingTable* table, int column, int row, int controlId, int word,
                                         LimitsSource limits)
{
    auto* edit = new QLineEdit(table->box);
    edit->setProperty("controlId", controlId);
    QString name;
    if (column >= 0 && std::size_t(column) < table->columns.size())
        name = table->columns[std::size_t(column)];
    if (row >= 0 && std::size_t(row) < table->rows.size())
        name = name.isEmpty() ? table->rows[std::size_t(row)] : name + QLatin1Char(' ') + table->rows[std::size_t(row)];
    edit->setAccessibleName(name);
    table->grid->addWidget(edit, row + 1, column + 1);
    m_binder.BindNumber(edit, word, std::move(limits));
    return edit;
}

QGroupBox* CSettingDialog::AddRadioRow(int word, std::vector<SRadioChoice> choices, std::uint16_t fallbackValue,
                                       SRowExtras extras)
{
    QWidget* parent = extras.section ? static_cast<QWidget*>(extras.section->box) : this;
    auto* box = new QGroupBox(UiText(CaptionOf(extras, word)), parent);
    box->setAccessibleName(box->title());
    auto* column = new QVBoxLayout(box);
    std::vector<QRadioButton*> buttons;
    for (const SRadioChoice& choice : choices) {
        // The option text of the value; the image's model does not matter:
        // only word 0 has a list per model.
        const unsigned textId = choice.textId != 0 ? choice.textId : ParameterOptionBase(word, 0) + choice.value;
        auto* button = new QRadioButton(UiText(textId), box);
        button->setProperty("controlId", choice.controlId);
        button->setAutoExclusive(true);
        column->addWidget(button);
        buttons.push_back(button);
    }
    PlaceWide(box, extras);
    SBinding& binding = m_binder.BindCustom(
        box,
        [this, buttons, choices, word, fallbackValue](bool available) {
            if (!available || buttons.empty())
                return;
            const std::uint16_t stored = m_image.GetWord(word);
            auto shown = std::find_if(choices.begin(), choices.end(),
                                      [stored](const SRadioChoice& c) { return c.value == stored; });
            if (shown == choices.end())
                shown = std::find_if(choices.begin(), choices.end(),
                                     [fallbackValue](const SRadioChoice& c) { return c.value == fallbackValue; });
            const std::size_t index = shown == choices.end() ? 0 : std::size_t(shown - choices.begin());
            buttons[index]->setChecked(true);
        },
        [this, buttons, choices, word] {
            for (std::size_t i = 0; i < buttons.size(); ++i) {
                if (buttons[i]->isChecked()) {
                    m_image.SetWord(word, choices[i].value);
                    return;
                }
            }
        });
    binding.word = word;
    // Focus on the checked button: Space on an unchecked one would change the
    // setting the user only tabbed to.
    binding.focus = [buttons]() -> QWidget* {
        for (QRadioButton* b : buttons)
            if (b->isChecked())
                return b;
        return buttons.empty() ? nullptr : buttons.front();
    };
    Finish(binding, {}, extras);
    return box;
}

QLineEdit* CSettingDialog::AddTrackbarRow(int editId, int trackbarId, int word, std::int32_t minimum,
                                          std::int32_t maximum, unsigned lowTextId, unsigned highTextId,
                                          SRowExtras extras)
{
    const unsigned captionId = CaptionOf(extras, word);
    QWidget* parent = extras.section ? static_cast<QWidget*>(extras.section->box) : this;
    auto* edit = new QLineEdit(parent);
    auto* track = new QSlider(Qt::Horizontal, parent);
    track->setProperty("controlId", trackbarId);
    track->setRange(minimum, maximum);
    track->setPageStep(1);
    track->setTickPosition(QSlider::TicksBelow);
    track->setTickInterval(1);
    track->setAccessibleName(UiText(captionId));
    auto* low = new QLabel(UiText(lowTextId), parent);
    auto* high = new QLabel(UiText(highTextId), parent);
    auto* side = new QWidget(parent);
    auto* sideLayout = new QHBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(low);
    sideLayout->addWidget(track, 1);
    sideLayout->addWidget(high);
    // Moving the trackbar (mouse or keys) writes the edit; typing in the edit
    // leaves the trackbar where it is, and OK reads the edit.
    connect(track, &QSlider::valueChanged, edit, [edit](int value) { edit->setText(QString::number(value)); });

    m_binder.BindNumber(edit, word, LimitsFixed(minimum, maximum));
    SBinding& binding = *m_binder.Find(edit);
    auto showNumber = std::move(binding.load);
    binding.load = [this, track, word, showNumber](bool available) {
        {
            const QSignalBlocker quiet(track);
            track->setValue(std::clamp<int>(m_image.GetWord(word), track->minimum(), track->maximum()));
        }
        showNumber(available); // the stored value, even one beyond the trackbar
    };
    edit->setProperty("controlId", editId);
    Finish(binding, PlaceRow(captionId, edit, extras, side), extras);
    return edit;
}

QPushButton* CSettingDialog::AddDialogButton(unsigned captionId, int controlId, DialogFactory make, SRowExtras extras)
{
    QWidget* parent = extras.section ? static_cast<QWidget*>(extras.section->box) : this;
    auto* button = new QPushButton(CommandCaption(captionId), parent);
    button->setProperty("controlId", controlId);
    button->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    QFormLayout* form = extras.section ? extras.section->form : m_form;
    form->addRow(row);
    connect(button, &QPushButton::clicked, this, [this, make = std::move(make)] {
        RunCommand(this, [&] {
            const std::unique_ptr<CSettingDialog> inner = make(this);
            RunSettingDialog(*inner, m_image);
        });
    });
    Finish(m_binder.BindCustom(button, {}, {}), {}, extras);
    return button;
}

QLabel* CSettingDialog::AddNote(int controlId, unsigned textId, SRowExtras extras)
{
    QWidget* parent = extras.section ? static_cast<QWidget*>(extras.section->box) : this;
    auto* note = new QLabel(UiText(textId), parent);
    note->setProperty("controlId", controlId);
    note->setWordWrap(true);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    note->setPalette(palette);
    PlaceWide(note, extras);
    Finish(m_binder.BindCustom(note, {}, {}), {}, extras);
    return note;
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
