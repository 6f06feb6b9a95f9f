#include "editors/numeric_row.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <algorithm>

#include "settings/numeric_field_table.h"
#include "editors/field_controls.h"
#include "editors/numeric_fields.h"
#include "editors/spin_arrows.h"

#include "platform/gui/named_widget.h"

namespace kalvora {

NumericRow AddNumericRow(QGridLayout* grid, int row, int column, QWidget* parent, const QString& caption,
                         const QString& editName, const QString& spinName)
{
    NumericRow r;
    r.label = new QLabel(caption, parent);
    const NumericField* field = NumericFieldOfEdit(editName);
    if (field && ControlsOf(field->key).spin == spinName) {
        r.edit = MakeNumericEdit(parent, *field);
        r.spin = MakeNumericSpin(parent, *field);
    } else {  // not a table field: a programming error that shows as a field that edits nothing
        r.edit = MakeNamed<QLineEdit>(parent, editName);
        r.spin = MakeNamed<QWidget>(parent, spinName);
    }
    r.label->setBuddy(r.edit);
    grid->addWidget(r.label, row, column);
    grid->addWidget(r.edit, row, column + 1);
    grid->addWidget(r.spin, row, column + 2);
    // The edits of a column share the widest one's width, so their arrows line up.
    QList<QLineEdit*> edits;
    int widest = 0;
    for (int i = 0; i < grid->rowCount(); ++i)
        if (QLayoutItem* item = grid->itemAtPosition(i, column + 1))
            if (auto* e = qobject_cast<QLineEdit*>(item->widget())) {
                edits << e;
                widest = std::max(widest, e->minimumWidth());
            }
    for (QLineEdit* e : edits) e->setFixedWidth(widest);
    return r;
}

}  // namespace kalvora
