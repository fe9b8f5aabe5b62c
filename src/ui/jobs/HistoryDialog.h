#pragma once
// "History": every meter this program wrote to, with the settings it held
// before each download (kept as configuration files, newest first). A
// backup chosen with "Open" (or a double click) goes into the main window as
// Open File would take it.

#include "files/MeterHistory.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace historytext {
inline constexpr unsigned kTitle = 14050;
inline constexpr unsigned kFolder = 14051; // %1!s! the history folder
inline constexpr unsigned kOpen = 14052;
inline constexpr unsigned kEmpty = 14053;
inline constexpr unsigned kMeter = 14054;  // name, serial, backup count, code, the rest of the description
inline constexpr unsigned kColumn = 14055; // the list's header and name
inline constexpr unsigned kClose = 12955;
} // namespace historytext

class CHistoryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CHistoryDialog(const CMeterHistory& history, QWidget* parent = nullptr);

    // Runs the window; the backup the user opened, or an empty text.
    static QString Choose(QWidget* parent, const CMeterHistory& history);

    QTreeWidget* Tree() const { return m_tree; }
    QPushButton* OpenButton() const { return m_open; }
    // The backup of the current row; empty for a meter's row.
    QString SelectedBackup() const;

private:
    QTreeWidget* m_tree = nullptr;
    QPushButton* m_open = nullptr;
};
