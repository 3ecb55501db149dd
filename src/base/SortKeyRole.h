#pragma once
// The item role through which a table model hands a list view the value a cell sorts by, when
// that is not its shown text (a size shown with digit grouping, a time in the locale's words).
// Header-only, shared by models (QtCore) and views (QtWidgets).
#include <Qt>

// A qint64 (or any number) compared by value; cells without it sort by their text.
inline constexpr int SortKeyRole = Qt::UserRole + 0x5357;
