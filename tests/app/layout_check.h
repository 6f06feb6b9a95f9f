#pragma once
// What a person looking at a page would call broken: a text cut short, a group whose title does
// not fit, a control outside the page, neighbouring groups drawn over each other, a field or box
// squashed below its height, controls of a group drawn over each other.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <cstdint>

#include "editors/spin_arrows.h"
#include "platform/gui/font_fit.h"
#include "settings/records.h"

namespace kalvora::testing {

inline QStringList LayoutFaults(QWidget* page)
{
    QStringList faults;
    // What of the page its window shows: a page wider than its window is cut at the window's edge.
    const QRect pageRect = page->rect() & QRect(page->mapFrom(page->window(), QPoint(0, 0)), page->window()->size());
    auto where = [page](QWidget* w) { return QRect(w->mapTo(page, QPoint(0, 0)), w->size()); };
    auto name = [](QWidget* w) { return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName(); };

    for (QLabel* l : page->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(page) || l->text().isEmpty()) continue;
        // A wrapped text needs its lines' height at the width it has.
        if (l->wordWrap() && l->height() < l->heightForWidth(l->width()))
            faults << QStringLiteral("%1 \"%2...\" is cut: %3 of %4 pixels high")
                          .arg(name(l), l->text().left(20))
                          .arg(l->height())
                          .arg(l->heightForWidth(l->width()));
        if (l->wordWrap() || l->textFormat() == Qt::RichText) continue;
        const int need = l->fontMetrics().horizontalAdvance(l->text());
        if (l->contentsRect().width() < need)
            faults << QStringLiteral("%1 \"%2\" is cut: %3 of %4 pixels").arg(name(l), l->text()).arg(l->contentsRect().width()).arg(need);
        if (!pageRect.contains(where(l)))
            faults << QStringLiteral("%1 \"%2\" lies outside what the window shows").arg(name(l), l->text());
        if (l->text().count(QLatin1Char('\n')) == 0 && l->contentsRect().height() < l->fontMetrics().height())
            faults << QStringLiteral("%1 \"%2\" is squashed: %3 of %4 pixels high")
                          .arg(name(l), l->text())
                          .arg(l->contentsRect().height())
                          .arg(l->fontMetrics().height());
    }
    // Lists that do not scroll sideways show each line whole.
    for (QListWidget* list : page->findChildren<QListWidget*>()) {
        if (!list->isVisibleTo(page) || list->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) continue;
        for (int i = 0; i < list->count(); ++i) {
            const int need = list->fontMetrics().horizontalAdvance(list->item(i)->text());
            if (list->viewport()->width() < need)
                faults << QStringLiteral("%1 line %2 is cut: %3 of %4 pixels").arg(name(list)).arg(i + 1).arg(list->viewport()->width()).arg(need);
        }
    }
    for (QLineEdit* e : page->findChildren<QLineEdit*>()) {
        if (!e->isVisibleTo(page) || e->text().isEmpty()) continue;
        const int need = EditWidthFor(e, {e->text()});
        if (e->width() < need)
            faults << QStringLiteral("%1 \"%2\" is cut: %3 of %4 pixels").arg(name(e), e->text()).arg(e->width()).arg(need);
    }
    // Fields, lists, boxes and arrows at least as tall as their face needs.
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page)) continue;
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QCheckBox*>(w) &&
            !qobject_cast<QPushButton*>(w) && !qobject_cast<SpinArrows*>(w))
            continue;
        const int need = std::max(w->minimumSizeHint().height(), qobject_cast<SpinArrows*>(w) ? w->sizeHint().height() : 0);
        if (w->height() < need)
            faults << QStringLiteral("%1 is squashed: %2 of %3 pixels high").arg(name(w)).arg(w->height()).arg(need);
        if (qobject_cast<SpinArrows*>(w) && w->width() < w->sizeHint().width())
            faults << QStringLiteral("%1 is narrowed: %2 of %3 pixels").arg(name(w)).arg(w->width()).arg(w->sizeHint().width());
    }
    for (QPushButton* b : page->findChildren<QPushButton*>()) {
        if (!b->isVisibleTo(page)) continue;
        if (b->width() < b->sizeHint().width())
            faults << QStringLiteral("%1 \"%2\" is cut: %3 of %4 pixels").arg(name(b), b->text()).arg(b->width()).arg(b->sizeHint().width());
    }
    const QList<QGroupBox*> groups = page->findChildren<QGroupBox*>();
    for (QGroupBox* g : groups) {
        if (!g->isVisibleTo(page)) continue;
        // The title is drawn inside the frame with a small indent on either side.
        const int need = g->fontMetrics().horizontalAdvance(g->title()) + 12;
        if (g->width() < need)
            faults << QStringLiteral("%1: its title \"%2\" is cut: %3 of %4 pixels").arg(name(g), g->title()).arg(g->width()).arg(need);
        if (!pageRect.contains(where(g))) faults << QStringLiteral("%1 lies outside what the window shows").arg(name(g));
    }
    // Neighbours on the page and in each group (direct children) never overlap.
    QList<QWidget*> containers{page};
    for (QGroupBox* g : groups)
        if (g->isVisibleTo(page)) containers << g;
    for (QWidget* container : containers) {
        QList<QWidget*> blocks;
        for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisibleTo(page) && !w->isWindow()) blocks << w;
        for (qsizetype i = 0; i < blocks.size(); ++i)
            for (qsizetype j = i + 1; j < blocks.size(); ++j)
                if (blocks[i]->geometry().intersects(blocks[j]->geometry()))
                    faults << QStringLiteral("%1 and %2 overlap").arg(name(blocks[i]), name(blocks[j]));
    }
    return faults;
}

// Unit 1's first input and output with the longest texts their Information page labels can
// show: the widest integers and a tenths value with 15 significant digits.
inline void FillLongestValues(Settings& s)
{
    InputChannelRecord& in = s.input(1, 1);
    in.HActive = in.VActive = in.Phase = in.HTotal = in.HPosition = in.VPosition = INT32_MIN;
    in.SyncSelect = 1;
    in.Termination = 1;
    in.ContrastC = 12.3f;  // "12.3000001907349", as in the report that found the fault
    in.BrightnessC = in.ContrastR = in.BrightnessR = in.ContrastG = in.BrightnessG = in.ContrastB = in.BrightnessB =
        -0.1f;  // "-0.100000001490116"
    OutputScreenRecord& out = s.output(1, 1);
    out.OutputFormat = 3;
    out.FrameRate = 1;
    out.OutputSync = out.TotalProjectors = out.DataDoubling = out.BlackLevel = 255;
    out.Alignment = 1;
    out.OverlapWidth = out.LeftHaloWidth = out.LeftHaloOffset = out.RightHaloWidth = out.RightHaloOffset = INT32_MIN;
    out.BasicGamma = out.LeftGamma = out.RightGamma = -1.2345e-5f;
    out.BasicFeather = out.LeftFeather = out.RightFeather = INT16_MIN;
    s.StatusReadAvailable = true;
}

}  // namespace kalvora::testing
