#include "editors/numeric_row.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "platform/gui/named_widget.h"

namespace kalvora {

NumericRow AddNumericRow(QGridLayout* grid, int row, int column, QWidget* parent, const QString& caption,
                         const QString& editName, const QString& spinName)
{
    NumericRow r;
    r.label = new QLabel(caption, parent);
    r.edit = MakeNamed<QLineEdit>(parent, editName, QStringLiteral("0"));
    r.edit->setFixedWidth(52);
    auto* spin = MakeNamed<QSpinBox>(parent, spinName);
    spin->setFixedWidth(18);
    r.spin = spin;
    r.label->setBuddy(r.edit);
    grid->addWidget(r.label, row, column);
    grid->addWidget(r.edit, row, column + 1);
    grid->addWidget(r.spin, row, column + 2);
    return r;
}

}  // namespace kalvora
