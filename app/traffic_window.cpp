#include "app/traffic_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <algorithm>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "link/traffic_trace.h"
#include "platform/gui/mnemonics.h"
#include "platform/gui/named_widget.h"
#include "platform/gui/window_keys.h"
#include "platform/operator.h"

namespace kalvora {

TrafficWindow::TrafficWindow(TrafficTrace& trace, Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Tool), trace_(trace), op_(op)
{
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(QStringLiteral("Kalvora - Serial Traffic"));

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Show:"), this));
    unitBox_ = MakeNamed<QComboBox>(this, QStringLiteral("TrafficUnitComboBox"));
    unitBox_->addItem(QStringLiteral("All units"), -1);
    unitBox_->addItem(QStringLiteral("Unit 1"), 1);
    unitBox_->addItem(QStringLiteral("Unit 2"), 2);
    unitBox_->addItem(QStringLiteral("Port and controller"), 0);
    bar->addWidget(unitBox_);
    countLabel_ = MakeNamed<QLabel>(this, QStringLiteral("TrafficCountLabel"));
    bar->addWidget(countLabel_, 1);
    auto* clear = MakeNamed<QPushButton>(this, QStringLiteral("TrafficClearButton"), QStringLiteral("Clear"));
    auto* save = MakeNamed<QPushButton>(this, QStringLiteral("TrafficSaveButton"), QStringLiteral("Save As..."));
    bar->addWidget(clear);
    bar->addWidget(save);
    AssignMnemonics({clear, save}, {});
    CloseOnEscape(this);
    layout->addLayout(bar);

    tree_ = MakeNamed<QTreeWidget>(this, QStringLiteral("TrafficRows"));
    tree_->setColumnCount(ColumnCount);
    tree_->setHeaderLabels({QStringLiteral("#"), QStringLiteral("Time"), QStringLiteral("Unit"), QStringLiteral("Kind"),
                            QStringLiteral("Outcome"), QStringLiteral("Sent"), QStringLiteral("Received")});
    tree_->setRootIsDecorated(true);
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    // The bytes in a fixed-pitch face of the desktop's size.
    QFont mono = tree_->font();
    mono.setFamilies({QStringLiteral("Monospace")});
    mono.setStyleHint(QFont::TypeWriter);
    tree_->setFont(mono);
    // The short columns as wide as their longest texts; the sent bytes take a share of the rest
    // and the received ones, the longest, everything that is left (the last column stretches).
    const QFontMetrics fm(mono);
    const char* const longest[] = {"#00000", "00:00:00.000", "unit 2", "query (resend 2)", "no prompt (timeout)"};
    int fixed = 0;
    for (int c = 0; c < ColumnSent; ++c) {
        const int w = std::max(fm.horizontalAdvance(QString::fromLatin1(longest[c])),
                               fm.horizontalAdvance(tree_->headerItem()->text(c))) + 3 * fm.averageCharWidth();
        tree_->setColumnWidth(c, w);
        fixed += w;
    }
    tree_->header()->setStretchLastSection(true);
    const int rest = std::max(40 * fm.averageCharWidth(), 900 - fixed);
    // A query's line whole: the sent column is what the operator reads down.
    const int sent = std::max(rest * 2 / 5, fm.horizontalAdvance(QStringLiteral("TNQUERY *2SYINFOTN!<CR>")) +
                                                3 * fm.averageCharWidth());
    tree_->setColumnWidth(ColumnSent, sent);
    // The received bytes, the longest, keep the widest column.
    const int received = std::max(rest * 3 / 5, sent + 4 * fm.averageCharWidth());
    resize(std::max(900, fixed + sent + received + 40), 420);
    layout->addWidget(tree_, 1);

    connect(unitBox_, &QComboBox::currentIndexChanged, this, [this] { setUnitFilter(unitBox_->currentData().toInt()); });
    connect(clear, &QPushButton::clicked, this, [this] { trace_.clear(); });
    connect(save, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(&trace_, &TrafficTrace::rowAdded, this, &TrafficWindow::addLastRow);
    connect(&trace_, &TrafficTrace::lastRowChanged, this, &TrafficWindow::updateLastRow);
    connect(&trace_, &TrafficTrace::rowsDropped, this, &TrafficWindow::dropFirstRows);
    connect(&trace_, &TrafficTrace::cleared, this, &TrafficWindow::rebuild);

    SaveDialog = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save Serial Traffic"), QStringLiteral("kalvora-traffic.txt"),
                                            QStringLiteral("Text files (*.txt);;Any file (*)"));
    };
    rebuild();
}

void TrafficWindow::fill(QTreeWidgetItem* item, const TraceRow& row)
{
    auto withCut = [](const QString& text, qint64 cut) {
        return cut > 0 ? text + QStringLiteral(" ... (%1 more bytes)").arg(cut) : text;
    };
    item->setText(ColumnId, QString::number(row.id));
    item->setText(ColumnTime, row.time.toString(QStringLiteral("hh:mm:ss.zzz")));
    item->setText(ColumnUnit, TrafficTrace::UnitText(row.unit));
    item->setText(ColumnKind, TrafficTrace::KindText(row));
    item->setText(ColumnSent, withCut(TraceText(row.sent), row.sentCut));
    item->setText(ColumnReceived, withCut(TraceText(row.received), row.receivedCut));
    item->setText(ColumnOutcome, row.open && row.kind != TraceRow::Kind::Outside ? QStringLiteral("waiting...") : row.outcome);
    // The longer outcomes (an error code with its meaning) and the bytes show whole on hover.
    for (int c : {ColumnOutcome, ColumnSent, ColumnReceived}) item->setToolTip(c, item->text(c));
    QTreeWidgetItem* hex = item->childCount() > 0 ? item->child(0) : new QTreeWidgetItem(item);
    hex->setText(ColumnKind, QStringLiteral("hex"));
    hex->setText(ColumnSent, TraceHex(row.sent));
    hex->setText(ColumnReceived, TraceHex(row.received));
    for (int c : {ColumnSent, ColumnReceived}) hex->setToolTip(c, hex->text(c));
    applyFilter(item, row);
}

void TrafficWindow::applyFilter(QTreeWidgetItem* item, const TraceRow& row)
{
    item->setHidden(filter_ >= 0 && row.unit != filter_);
}

void TrafficWindow::addLastRow()
{
    if (trace_.rows().empty()) return;
    auto* item = new QTreeWidgetItem(tree_);
    fill(item, trace_.rows().back());
    countLabel_->setText(QStringLiteral("%1 rows").arg(trace_.rows().size()));
}

void TrafficWindow::updateLastRow()
{
    if (trace_.rows().empty() || tree_->topLevelItemCount() == 0) return;
    fill(tree_->topLevelItem(tree_->topLevelItemCount() - 1), trace_.rows().back());
}

void TrafficWindow::dropFirstRows(int count)
{
    for (int i = 0; i < count && tree_->topLevelItemCount() > 0; ++i) delete tree_->takeTopLevelItem(0);
}

void TrafficWindow::rebuild()
{
    tree_->clear();
    for (const TraceRow& row : trace_.rows()) fill(new QTreeWidgetItem(tree_), row);
    countLabel_->setText(QStringLiteral("%1 rows").arg(trace_.rows().size()));
}

void TrafficWindow::setUnitFilter(int unit)
{
    filter_ = unit < -1 || unit > 2 ? -1 : unit;
    const int index = unitBox_->findData(filter_);
    if (index >= 0 && index != unitBox_->currentIndex()) unitBox_->setCurrentIndex(index);
    int i = 0;
    for (const TraceRow& row : trace_.rows())
        if (QTreeWidgetItem* item = tree_->topLevelItem(i++)) applyFilter(item, row);
}

void TrafficWindow::saveAs()
{
    const QString path = SaveDialog ? SaveDialog() : QString();
    if (!path.isEmpty()) saveTo(path);
}

bool TrafficWindow::saveTo(const QString& path)
{
    QString error;
    if (WriteTraceFile(path, trace_.formatText(filter_), &error)) return true;
    op_.showMessage(QStringLiteral("Error! The serial traffic could not be saved to %1: %2").arg(path, error));
    return false;
}

}  // namespace kalvora
