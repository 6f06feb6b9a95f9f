#pragma once
// The traffic window ("Serial Port" > "Traffic View..."): every byte exchanged with the
// units, one row per transaction with its outcome, the hex below it; a unit filter; "Save As..."
// writes the rows as text for support.

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace kalvora {

class Operator;
class TrafficTrace;
struct TraceRow;

class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    enum Column { ColumnId, ColumnTime, ColumnUnit, ColumnKind, ColumnOutcome, ColumnSent, ColumnReceived, ColumnCount };

    TrafficWindow(TrafficTrace& trace, Operator& op, QWidget* parent = nullptr);

    // -1: every unit; 0: the port and the controller; 1, 2: that unit.
    void setUnitFilter(int unit);
    int unitFilter() const { return filter_; }
    QTreeWidget* rows() const { return tree_; }
    // "Save As...": the file dialog gives the path (tests give it directly).
    std::function<QString()> SaveDialog;
    void saveAs();
    bool saveTo(const QString& path);

private:
    void fill(QTreeWidgetItem* item, const TraceRow& row);
    void addLastRow();
    void updateLastRow();
    void dropFirstRows(int count);
    void rebuild();
    void applyFilter(QTreeWidgetItem* item, const TraceRow& row);

    TrafficTrace& trace_;
    Operator& op_;
    QTreeWidget* tree_ = nullptr;
    QComboBox* unitBox_ = nullptr;
    QLabel* countLabel_ = nullptr;
    int filter_ = -1;
};

}  // namespace kalvora
