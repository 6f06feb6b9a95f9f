#pragma once
// One labelled numeric field of an editor page: a caption, the edit and its spin arrows, named
// as the numeric field table names them and made by the numeric field mechanism.

#include <QString>

class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace kalvora {

struct NumericRow {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QWidget* spin = nullptr;
};

// Adds caption, edit and arrows in columns column .. column + 2 of `row`.
NumericRow AddNumericRow(QGridLayout* grid, int row, int column, QWidget* parent, const QString& caption,
                         const QString& editName, const QString& spinName);

}  // namespace kalvora
