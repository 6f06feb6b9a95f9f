#include "editors/radio_group.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <QSignalBlocker>

namespace kalvora {

RadioGroup::RadioGroup(const QString& caption, QWidget* parent, int columns)
    : QGroupBox(caption, parent), columns_(columns < 1 ? 1 : columns), buttons_(new QButtonGroup(this)),
      layout_(new QGridLayout(this))
{
    buttons_->setExclusive(true);
    connect(buttons_, &QButtonGroup::idClicked, this, &RadioGroup::itemIndexChanged);
}

void RadioGroup::setItems(const QStringList& items)
{
    items_ = items;
    rebuild();
}

void RadioGroup::insertItem(int position, const QString& text)
{
    if (position < 0 || position > items_.size()) position = static_cast<int>(items_.size());
    items_.insert(position, text);
    rebuild();
}

int RadioGroup::itemIndex() const { return buttons_->checkedId(); }

void RadioGroup::setItemIndex(int index)
{
    const QSignalBlocker block(buttons_);
    if (QAbstractButton* b = buttons_->button(index)) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

void RadioGroup::rebuild()
{
    for (QAbstractButton* b : buttons_->buttons()) {
        buttons_->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items_.size(); ++i) {
        auto* b = new QRadioButton(items_[i], this);
        buttons_->addButton(b, i);
        layout_->addWidget(b, i / columns_, i % columns_);
    }
}

}  // namespace kalvora
