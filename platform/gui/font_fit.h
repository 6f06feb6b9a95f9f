#pragma once
// Sizes taken from the font a control shows, so that a field holds its widest value and a column
// its texts at whatever font and scale the desktop has. The controls take their font from the
// application (the desktop's); nothing here picks a font of its own.

#include <QStringList>

class QLineEdit;
class QWidget;

namespace kalvora {

// The width at which the edit shows the widest of `texts` whole, frame and margins included.
int EditWidthFor(const QLineEdit* edit, const QStringList& texts);
// Fixes the edit's width to EditWidthFor.
void FitEditTo(QLineEdit* edit, const QStringList& texts);
// The width of `count` average characters of the widget's font: for columns of wrapped text.
int TextColumnWidth(const QWidget* widget, int count);

}  // namespace kalvora
