// Each constructor is its dialog's table: one line per control, in the order
// OK reads them (control id, word, and what the descriptor table cannot
// know: the list rule, the limits, a caption other than the parameter's name).
#include "ui/editors/dialogs/AlarmDialogs.h"

#include "model/RegisterImage.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/dialogs/SettingDialogTexts.h"

#include <QComboBox>
#include <QFontMetrics>

#include <algorithm>

using namespace settingdialogtext;

namespace {

constexpr int kBanksPerHalf = 4;
constexpr int kRowsPerHalf = 6; // bank names, captions, HH, H, L, LL

constexpr int kBankNames = 1141; // "@Bank1" ... "@Bank8"
constexpr int kEnableHeader = 1101;
constexpr int kSetpointHeader = 1102;
constexpr unsigned kNoYes = 3265;
constexpr unsigned kSetpointName = 15800;

// Rows 2-5 and 8-11: the trip points that have bank entries, in this order.
constexpr CRegisterImage::TripPoint kTripPoints[] = {CRegisterImage::TripHH, CRegisterImage::TripH,
                                                     CRegisterImage::TripL, CRegisterImage::TripLL};
constexpr int kTripPointHeaders[] = {1120, 1121, 1123, 1124}; // "HH", "H", "L", "LL"

std::vector<CGridHeaderCell> BankHeader()
{
    std::vector<CGridHeaderCell> header;
    for (int half = 0; half < 2; ++half) {
        const int top = half * kRowsPerHalf;
        header.push_back({gridtext::kSpanRowsHeader, 0, top});
        for (int k = 0; k < kBanksPerHalf; ++k) {
            header.push_back({kBankNames + half * kBanksPerHalf + k, 1 + 2 * k, top});
            header.push_back({gridtext::kCoveredHeader, 2 + 2 * k, top});
        }
        for (int c = 1; c < CAlarmBankDialog::kColumns; ++c)
            header.push_back({c % 2 ? kEnableHeader : kSetpointHeader, c, top + 1});
        for (int i = 0; i < 4; ++i)
            header.push_back({kTripPointHeaders[i], 0, top + 2 + i});
    }
    return header;
}

// Wide enough for the captions and for the longest setpoint in the grid's font.
int ColumnWidth(const QFontMetrics& metrics)
{
    int widest = metrics.horizontalAdvance(QStringLiteral("-99999.99"));
    for (unsigned id : {unsigned(kEnableHeader), unsigned(kSetpointHeader), kNoYes, kNoYes + 1})
        widest = std::max(widest, metrics.horizontalAdvance(UiText(id)));
    return widest + 16;
}

// The cell's bank and trip point; false for a cell that holds neither.
bool CellOf(int column, int row, int& bank, CRegisterImage::TripPoint& tripPoint)
{
    if (column < 1 || column >= CAlarmBankDialog::kColumns || row < 0 || row >= CAlarmBankDialog::kRows)
        return false;
    const int half = row / kRowsPerHalf;
    const int line = row % kRowsPerHalf - 2;
    if (line < 0)
        return false;
    bank = 1 + half * kBanksPerHalf + (column - 1) / 2;
    tripPoint = kTripPoints[line];
    return true;
}

bool IsEnableColumn(int column)
{
    return column % 2 == 1;
}

} // namespace

CAlarmBankDialog::CAlarmBankDialog(QWidget* parent)
    : CSettingDialog(kAlarmBankTitle, parent), m_grid(new CDataGridView(this))
{
    // "1" ... "8" is bank 1 ... 8; a bank number the meter does not have
    // shows (and on OK stores) bank 1, the bank the meter then uses.
    auto* bank = new QComboBox(this);
    BindCustom(
        bank,
        [this, bank] {
            bank->clear();
            FillOptionList(bank, kBankNumbers, CRegisterImage::kBankCount);
            bank->setCurrentIndex(Image().CurrentBank() - 1);
        },
        [this, bank] { Image().SetWord(image_words::kBankNo, static_cast<std::uint16_t>(bank->currentIndex() + 1)); });
    AddRow(kBankNumber, bank, 1060,
           {.available = [](const CRegisterImage& image) { return image.GetWord(image_words::kBankSwitching) == 1; }});

    m_grid->SetHeader(BankHeader(), ColumnWidth(m_grid->fontMetrics()));
    m_grid->SetFirstSelectable(1, 2);
    m_grid->SetCurrentCell(1, 2);
    m_grid->SetEditable(true);
    m_grid->SetToolTipsEnabled(true);
    m_grid->setAccessibleName(UiText(kBankGrid));
    BindCustom(m_grid, [this] { Refill(); }, {}); // cells are stored as they are edited
    AddWide(m_grid, 1059);
    // The grid was made before the bank list; Tab goes as they are laid out,
    // from the list down to the grid and from the grid on to OK.
    setTabOrder(bank, m_grid);
    m_editing = std::make_unique<CGridCellEditing>(*m_grid, *this);
}

CAlarmBankDialog::~CAlarmBankDialog() = default;

void CAlarmBankDialog::Refill()
{
    m_grid->ClearCells();
    const std::int32_t scale = CScalingParameterResolver(Image()).DisplayScale();
    for (int row = 0; row < kRows; ++row) {
        for (int column = 1; column < kColumns; ++column) {
            int bank = 0;
            CRegisterImage::TripPoint tp{};
            if (!CellOf(column, row, bank, tp))
                continue;
            const int enableWord = CRegisterImage::BankEnableWord(bank, tp);
            const QString text = IsEnableColumn(column)
                                     ? UiText(kNoYes + (Image().GetWord(enableWord) == 0 ? 0 : 1))
                                     : QString::fromStdString(CScalingParameterResolver::FormatScaled(
                                           Image().GetLong(CRegisterImage::BankSetpointWord(bank, tp)), scale));
            m_grid->SetCell(column, row, text);
        }
    }
}

CGridCellEdit CAlarmBankDialog::DescribeCell(int column, int row) const
{
    CGridCellEdit edit;
    int bank = 0;
    CRegisterImage::TripPoint tp{};
    if (m_grid->IsHeaderCell(column, row) || !CellOf(column, row, bank, tp))
        return edit;
    if (!IsEnableColumn(column)) {
        edit.kind = CGridCellEdit::Kind::Text;
        return edit;
    }
    const std::uint16_t word = Image().GetWord(CRegisterImage::BankEnableWord(bank, tp));
    edit.kind = CGridCellEdit::Kind::List;
    edit.options = {UiText(kNoYes), UiText(kNoYes + 1)};
    edit.selected = word <= 1 ? word : -1; // another value: no selection
    edit.unselected = 1;                   // ... and "Yes", as the cell showed it
    return edit;
}

void CAlarmBankDialog::StoreChoice(int column, int row, int index)
{
    int bank = 0;
    CRegisterImage::TripPoint tp{};
    if (index < 0 || index > 1 || !IsEnableColumn(column) || !CellOf(column, row, bank, tp))
        return;
    Image().SetWord(CRegisterImage::BankEnableWord(bank, tp), static_cast<std::uint16_t>(index));
}

void CAlarmBankDialog::StoreText(int column, int row, const QString& text)
{
    int bank = 0;
    CRegisterImage::TripPoint tp{};
    if (IsEnableColumn(column) || !CellOf(column, row, bank, tp))
        return;
    const CScalingParameterResolver scaling(Image());
    Image().SetLong(CRegisterImage::BankSetpointWord(bank, tp),
                    CScalingParameterResolver::ParseScaled(text.toStdString(), scaling.DisplayValueMinimum(),
                                                           scaling.DisplayValueMaximum(), scaling.DisplayScale(),
                                                           kSetpointName));
}

void CAlarmBankDialog::accept()
{
    if (RunCommand(this, [this] { m_editing->CommitOpenEdit(); }))
        CSettingDialog::accept();
}

void CAlarmBankDialog::reject()
{
    if (m_editing->IsEditing()) {
        m_editing->CancelEdit();
        return;
    }
    CSettingDialog::reject();
}

CAdvancedAlarmDialog::CAdvancedAlarmDialog(QWidget* parent) : CSettingDialog(kAdvancedAlarmTitle, parent)
{
    // clang-format off
    //           control word rule
    AddOptionRow(1059,   85,  EOptionRule::Clamped); // "Disable", front buttons, Modbus
    // clang-format on
    // Only switching by the front buttons chooses a bank; otherwise the meter
    // uses bank 1, and "Bank No." says so.
    AddStoreRule([](CRegisterImage& image) {
        if (image.GetWord(image_words::kBankSwitching) != 1)
            image.SetWord(image_words::kBankNo, 1);
    });
    AddOptionRow(1054, 80, EOptionRule::Clamped); // "No P output" ... "Alarm setpoint HH"
    AddOptionRow(1055, 81, EOptionRule::Clamped); // no latching ... both latched
    AddOptionRow(1056, 82, EOptionRule::TwoWay);  // immediately, standing by
    AddOptionRow(1057, 83, EOptionRule::TwoWay, {.captionId = kTripAtOverRange});               // no trip, trip valid
    AddNumberRow(1009, 84, LimitsFixed(0, 9999), {.unitId = kSec, .captionId = kPowerOnDelay}); // 0.0 ... 999.9 s
    AddOptionRow(1058, 77, EOptionRule::TwoWay); // reset automatically, manually
}
