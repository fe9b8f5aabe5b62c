#pragma once
// The main window's alarm table: one row per trip point (HH, H, P, L, LL)
// of the bank the meter uses now, edited in the cell. The table edits the
// window's register image directly.

#include "model/RegisterImage.h"
#include "ui/editors/GridCellEditing.h"

#include <memory>

class CDataGridView;
class QWidget;

class CAlarmTable : public CGridEditOwnerInterface
{
public:
    static constexpr int kColumns = 9;
    static constexpr int kRows = 6;

    // Creates the grid as a child of `parent`; the image is set later.
    explicit CAlarmTable(QWidget* parent);
    ~CAlarmTable() override;

    void SetImage(CRegisterImage* image) { m_image = image; }
    CDataGridView* Grid() const { return m_grid; }
    CGridCellEditing& Editing() { return *m_editing; }

    // Clears the cells and fills rows 1 to 5 from the image.
    void Refill() override;
    CGridCellEdit DescribeCell(int column, int row) const override;
    void StoreChoice(int column, int row, int index) override;
    void StoreText(int column, int row, const QString& text) override;

private:
    CDataGridView* m_grid;
    std::unique_ptr<CGridCellEditing> m_editing;
    CRegisterImage* m_image = nullptr;
};
