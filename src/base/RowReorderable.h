#pragma once
// What a list view needs of its model to sort it: take a whole new row order in one step.
// Header-only, so that models (QtCore) and views (QtWidgets) share it without depending on
// each other.
#include <QList>

class IRowReorderable {
public:
    // oldRowAt[newRow] is the row that moves to newRow; a permutation of 0..rowCount-1.
    // Implementations announce it as one layout change and move persistent indexes along.
    virtual void ApplyRowOrder(const QList<int>& oldRowAt) = 0;

protected:
    ~IRowReorderable() = default;
};
