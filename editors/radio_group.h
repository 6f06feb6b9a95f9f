#pragma once
// A captioned group of radio buttons whose items the program sets and reorders at run time
// (the screen selectors list "1" .. "n" for the wall's projector count).

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;

namespace kalvora {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(const QString& caption, QWidget* parent = nullptr, int columns = 1);

    QStringList items() const { return items_; }
    void setItems(const QStringList& items);
    void clearItems() { setItems({}); }
    void insertItem(int position, const QString& text);
    // -1 when nothing is selected.
    int itemIndex() const;
    // Selecting programmatically does not emit itemIndexChanged.
    void setItemIndex(int index);

signals:
    void itemIndexChanged(int index);  // the operator picked an item

private:
    void rebuild();
    QStringList items_;
    int columns_;
    QButtonGroup* buttons_;
    QGridLayout* layout_;
};

}  // namespace kalvora
