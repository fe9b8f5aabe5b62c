#pragma once
// The file dialogs of the report, the monitor and the line of meters: the
// types from a string of the table, a default suffix, open or save.

#include <QString>

class QWidget;

// The filter of a file dialog from a string of the table
// ("Text (*.x)|*.x|...||") in Qt's form ("Text (*.x);;...").
QString QtFileFilter(unsigned stringId);

// The path the user chose in a file dialog of the types of `filterId`, with
// `suffix` added to a name without one; empty when the user cancelled. A
// save dialog takes a new name, an open dialog an existing file.
QString AskFilePath(QWidget* parent, unsigned filterId, const QString& suffix, bool save);
