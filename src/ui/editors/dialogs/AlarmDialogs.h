#pragma once
// The alarm dialogs behind the main window's "Bank" and "Advanced" buttons:
//
//   CAlarmBankDialog      enable and setpoint of HH, H, L and LL in all eight
//                         banks, edited in the cells of a 12 x 9 grid, and
//                         "Bank No." (86) while "Bank switching" (85) is 1
//   CAdvancedAlarmDialog  "Bank switching" (85), "P output" (80), "Latching"
//                         (81), "Standby sequence" (82), "Alarm trip at
//                         over-range" (83), "Power on delay time" (84),
//                         "Manual subdisplay reset" (77)
//
// Both run with RunSettingDialog on a copy of the main window's image; the
// main window commits before and refreshes after, since the alarm table
// shows what they change.

#include "ui/editors/GridCellEditing.h"
#include "ui/editors/SettingDialog.h"

#include <memory>

class CDataGridView;

class CAlarmBankDialog : public CSettingDialog, public CGridEditOwnerInterface
{
    Q_OBJECT
public:
    static constexpr int kColumns = 9;
    static constexpr int kRows = 12;

    explicit CAlarmBankDialog(QWidget* parent = nullptr);
    ~CAlarmBankDialog() override;

    CDataGridView* Grid() const { return m_grid; }
    CGridCellEditing& Editing() { return *m_editing; }

    // The grid's cells: enable (odd columns) and setpoint (even columns) of
    // bank 1-4 in rows 2-5 and bank 5-8 in rows 8-11.
    void Refill() override;
    CGridCellEdit DescribeCell(int column, int row) const override;
    void StoreChoice(int column, int row, int index) override;
    void StoreText(int column, int row, const QString& text) override;

public slots:
    // OK from the keyboard leaves no cell: an open edit is committed first,
    // and a rejected value keeps the dialog open.
    void accept() override;
    // Escape or Cancel with a cell editor open closes only the editor.
    void reject() override;

private:
    CDataGridView* m_grid;
    std::unique_ptr<CGridCellEditing> m_editing;
};

class CAdvancedAlarmDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CAdvancedAlarmDialog(QWidget* parent = nullptr);
};
