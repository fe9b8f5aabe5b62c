#pragma once
// What a screen reader sees of a CDataGridView: a table whose cells are the
// grid's cells, with their texts as drawn (header marks removed), the header
// cells as column and row headers, spans as extents, and the current cell as
// the selected and, while the grid has the focus, the focused one. The
// grid's own name is its accessibleName, which its owner sets.

class QAccessibleInterface;
class QObject;
class QString;

// The factory Qt asks for the accessible interface of a widget; installed
// once, by the first grid.
QAccessibleInterface* DataGridAccessibleFactory(const QString& className, QObject* object);
