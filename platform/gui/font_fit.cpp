#include "platform/gui/font_fit.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace kalvora {

int EditWidthFor(const QLineEdit* edit, const QStringList& texts)
{
    const QFontMetrics fm = edit->fontMetrics();
    int text = 0;
    for (const QString& t : texts) text = std::max(text, fm.horizontalAdvance(t));
    // The edit's own inner margin (2 on each side), its text margins and the cursor's pixel.
    const QMargins tm = edit->textMargins();
    const QMargins cm = edit->contentsMargins();
    const int inner = text + 2 * 2 + tm.left() + tm.right() + cm.left() + cm.right() + 1;
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    const QSize outer = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(inner, fm.height()), edit);
    return std::max(inner + 2 * opt.lineWidth, outer.width());
}

void FitEditTo(QLineEdit* edit, const QStringList& texts) { edit->setFixedWidth(EditWidthFor(edit, texts)); }

int TextColumnWidth(const QWidget* widget, int count) { return widget->fontMetrics().averageCharWidth() * count; }

}  // namespace kalvora
