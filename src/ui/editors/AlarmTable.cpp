#include "ui/editors/AlarmTable.h"

#include "model/AlarmSettings.h"
#include "model/CapabilityFlags.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/UiText.h"
#include "ui/editors/DataGridView.h"

#include <QFontMetrics>

namespace {

enum Column { kEnable = 1, kSetpoint, kTripAction, kDeadband, kOnDelay, kOffDelay, kOneShot, kCoil };

constexpr unsigned kHeaderTexts = 1100;    // "Trip point" ... "Coil"
constexpr unsigned kTripPointTexts = 1120; // "HH" ... "LL"
constexpr unsigned kBlankHeader = 1138;    // " "
constexpr unsigned kNoYes = 3265;
constexpr unsigned kHiLo = 3850;
constexpr unsigned kEnergize = 3860;
constexpr unsigned kSetpointName = 15800;
constexpr unsigned kDeadbandName = 15801;
constexpr unsigned kOnDelayName = 15802;
constexpr unsigned kOffDelayName = 15803;
constexpr unsigned kOneShotName = 15804;
constexpr int kTenths = 10;

// Row 1 ... 5 shows trip point 0 ... 4.
CRegisterImage::TripPoint TripPointOf(int row)
{
    return static_cast<CRegisterImage::TripPoint>(row - 1);
}

// Words of a trip point's detail block, by column (trip action ... coil).
int DetailWord(CRegisterImage::TripPoint tp, int column)
{
    return CRegisterImage::DetailBlockWord(tp) + (column - kTripAction);
}

QString OptionText(unsigned base, std::uint16_t word)
{
    return UiText(base + (word == 0 ? 0 : 1));
}

QString Scaled(std::int32_t value, std::int32_t divisor)
{
    return QString::fromStdString(CScalingParameterResolver::FormatScaled(value, divisor));
}

std::vector<CGridHeaderCell> Header()
{
    std::vector<CGridHeaderCell> header;
    for (int c = 0; c < CAlarmTable::kColumns; ++c)
        header.push_back({static_cast<int>(kHeaderTexts) + c, c, 0});
    for (int r = 1; r < CAlarmTable::kRows; ++r)
        header.push_back({static_cast<int>(kTripPointTexts) + r - 1, 0, r});
    // P has no enable, setpoint, trip action or deadband.
    for (int c = kEnable; c <= kDeadband; ++c)
        header.push_back({static_cast<int>(kBlankHeader), c, 1 + CRegisterImage::TripP});
    return header;
}

// Wide enough for every header and for the longest values in the grid's font.
int ColumnWidth(const QFontMetrics& metrics)
{
    int widest = metrics.horizontalAdvance(QStringLiteral("-99999.99"));
    for (unsigned id : {kHeaderTexts, kHeaderTexts + 1, kHeaderTexts + 2, kHeaderTexts + 3, kHeaderTexts + 4,
                        kHeaderTexts + 5, kHeaderTexts + 6, kHeaderTexts + 7, kHeaderTexts + 8, kEnergize + 1})
        widest = std::max(widest, metrics.horizontalAdvance(UiText(id)));
    return widest + 16;
}

} // namespace

CAlarmTable::CAlarmTable(QWidget* parent) : m_grid(new CDataGridView(parent))
{
    m_grid->setObjectName(QStringLiteral("alarmTable"));
    m_grid->SetHeader(Header(), ColumnWidth(m_grid->fontMetrics()));
    m_grid->SetFirstSelectable(1, 1);
    m_grid->SetEditable(true);
    m_grid->SetToolTipsEnabled(true);
    m_editing = std::make_unique<CGridCellEditing>(*m_grid, *this);
}

CAlarmTable::~CAlarmTable() = default;

void CAlarmTable::Refill()
{
    m_grid->ClearCells();
    if (!m_image)
        return;
    const CScalingParameterResolver scaling(*m_image);
    const CAlarmSettingsInterface alarms(*m_image);
    for (int row = 1; row < kRows; ++row) {
        const CRegisterImage::TripPoint tp = TripPointOf(row);
        if (tp != CRegisterImage::TripP) {
            m_grid->SetCell(kEnable, row, OptionText(kNoYes, alarms.GetEnable(tp)));
            m_grid->SetCell(kSetpoint, row, Scaled(alarms.GetSetpoint(tp), scaling.DisplayScale()));
            m_grid->SetCell(kTripAction, row, OptionText(kHiLo, m_image->GetWord(DetailWord(tp, kTripAction))));
            m_grid->SetCell(kDeadband, row,
                            Scaled(m_image->GetWord(DetailWord(tp, kDeadband)), scaling.DisplayScale()));
        }
        for (int c = kOnDelay; c <= kOneShot; ++c)
            m_grid->SetCell(c, row, Scaled(m_image->GetWord(DetailWord(tp, c)), kTenths));
        m_grid->SetCell(kCoil, row, OptionText(kEnergize, m_image->GetWord(DetailWord(tp, kCoil))));
    }
}

CGridCellEdit CAlarmTable::DescribeCell(int column, int row) const
{
    CGridCellEdit edit;
    if (!m_image || row < 1 || row >= kRows || m_grid->IsHeaderCell(column, row))
        return edit;
    const CRegisterImage::TripPoint tp = TripPointOf(row);
    auto list = [&edit](unsigned base, std::uint16_t word) {
        edit.kind = CGridCellEdit::Kind::List;
        edit.options = {UiText(base), UiText(base + 1)};
        edit.selected = word <= 1 ? word : -1; // another value: no selection
        // Left or Right from that list stores the option the cell showed
        // for the value, making it one the meter knows.
        edit.unselected = 1;
    };
    switch (column) {
    case kEnable: list(kNoYes, CAlarmSettingsInterface(*m_image).GetEnable(tp)); break;
    case kTripAction: list(kHiLo, m_image->GetWord(DetailWord(tp, column))); break;
    case kCoil: list(kEnergize, m_image->GetWord(DetailWord(tp, column))); break;
    case kSetpoint:
    case kDeadband:
    case kOnDelay:
    case kOffDelay:
    case kOneShot: edit.kind = CGridCellEdit::Kind::Text; break;
    default: break;
    }
    return edit;
}

void CAlarmTable::StoreChoice(int column, int row, int index)
{
    if (!m_image || index < 0 || index > 1)
        return;
    const CRegisterImage::TripPoint tp = TripPointOf(row);
    if (column == kEnable)
        CAlarmSettingsInterface(*m_image).SetEnable(tp, static_cast<std::uint16_t>(index));
    else if (column == kTripAction || column == kCoil)
        m_image->SetWord(DetailWord(tp, column), static_cast<std::uint16_t>(index));
}

void CAlarmTable::StoreText(int column, int row, const QString& text)
{
    if (!m_image)
        return;
    const CRegisterImage::TripPoint tp = TripPointOf(row);
    const CScalingParameterResolver scaling(*m_image);
    auto read = [&text](std::int32_t minimum, std::int32_t maximum, std::int32_t divisor, unsigned nameId) {
        return CScalingParameterResolver::ParseScaled(text.toStdString(), minimum, maximum, divisor, nameId);
    };
    switch (column) {
    case kSetpoint:
        CAlarmSettingsInterface(*m_image).SetSetpoint(
            tp,
            read(scaling.DisplayValueMinimum(), scaling.DisplayValueMaximum(), scaling.DisplayScale(), kSetpointName));
        break;
    case kDeadband:
        m_image->SetWord(DetailWord(tp, column),
                         static_cast<std::uint16_t>(read(0, 9999, scaling.DisplayScale(), kDeadbandName)));
        break;
    case kOnDelay:
        m_image->SetWord(DetailWord(tp, column), static_cast<std::uint16_t>(read(0, 999, kTenths, kOnDelayName)));
        break;
    case kOffDelay:
        m_image->SetWord(DetailWord(tp, column), static_cast<std::uint16_t>(read(0, 999, kTenths, kOffDelayName)));
        break;
    case kOneShot:
        m_image->SetWord(DetailWord(tp, column), static_cast<std::uint16_t>(read(0, 9999, kTenths, kOneShotName)));
        break;
    default: break;
    }
}
