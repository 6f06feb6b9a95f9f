#include "app/wall_overview_view.h"

#include <QLinearGradient>
#include <QPainter>

namespace kalvora {
namespace {

QColor ToColor(Rgb rgb, int alpha = 255)
{
    QColor c = QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
    c.setAlpha(alpha);
    return c;
}

// Black or white, whichever reads better on the frame's colour.
QColor TextOn(Rgb rgb)
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return (r * 299 + g * 587 + b * 114) / 1000 > 140 ? Qt::black : Qt::white;
}

void DrawText(QPainter& p, const TextItem& t, int maxWidth)
{
    if (t.text.isEmpty()) return;
    const QFontMetrics fm = p.fontMetrics();
    int y = t.topLeft.y();
    for (const QString& line : t.text.split(QLatin1Char('\n'))) {
        p.drawText(t.topLeft.x(), y + fm.ascent(), fm.elidedText(line, Qt::ElideRight, std::max(8, maxWidth)));
        y += fm.height();
    }
}

}  // namespace

WallOverviewView::WallOverviewView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WallOverviewView"));
    setFixedSize(overview_.width, overview_.height);
}

void WallOverviewView::setOverview(WallOverview overview)
{
    overview_ = std::move(overview);
    setFixedSize(overview_.width, overview_.height);
    update();
}

QFont WallOverviewView::textFont() const
{
    QFont small = font();
    if (small.pointSizeF() > 0) small.setPointSizeF(std::max(6.5, small.pointSizeF() * 0.85));
    return small;
}

int WallOverviewView::lineHeight() const
{
    QFont bold = textFont();
    bold.setBold(true);
    return std::max(QFontMetrics(textFont()).height(), QFontMetrics(bold).height());
}

void WallOverviewView::paintEvent(QPaintEvent*)
{
    const WallOverview& w = overview_;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(rect(), ToColor(w.background));
    const QFont small = textFont();
    p.setFont(small);

    p.setPen(Qt::white);
    DrawText(p, w.heading, w.width - 8);

    for (const OverviewScreen& s : w.screens) {
        p.fillRect(s.frame, ToColor(s.colour, 200));
        p.setPen(QPen(ToColor(s.colour), 2));
        p.drawRect(s.frame.adjusted(1, 1, -1, -1));
    }
    // Overlaps darkened over both frames; each feathered edge fades towards its neighbour.
    for (const OverviewOverlap& o : w.overlaps) p.fillRect(o.region, ToColor(kOverlapShade, 90));
    for (const OverviewScreen& s : w.screens) {
        for (const OverviewEdge& e : s.edges) {
            if (e.feathered) {
                QLinearGradient ramp(e.band.topLeft(), e.band.topRight());
                const QColor clear = ToColor(kOverviewBackground, 0), dark = ToColor(kOverviewBackground, 170);
                ramp.setColorAt(0, e.side == 'L' ? dark : clear);
                ramp.setColorAt(1, e.side == 'L' ? clear : dark);
                p.fillRect(e.band, ramp);
            }
            if (e.halo) {
                p.setPen(QPen(QColor(0xFF, 0x90, 0x20), 3));
                const int x = e.side == 'L' ? e.band.right() + 2 : e.band.left() - 2;
                p.drawLine(x, e.band.top() + 2, x, e.band.bottom() - 2);
            }
        }
    }
    for (const OverviewScreen& s : w.screens) {
        const int textWidth = s.textWidth;
        p.setPen(TextOn(s.colour));
        QFont bold = small;
        bold.setBold(true);
        p.setFont(bold);
        DrawText(p, s.title, textWidth);
        p.setFont(small);
        DrawText(p, s.pattern, textWidth);
        DrawText(p, s.black, textWidth);
        if (s.unlocked) {
            const QFontMetrics fm = p.fontMetrics();
            const QRect flag(s.flag.topLeft.x() - 2, s.flag.topLeft.y() - 1,
                             std::min(textWidth + 4, fm.horizontalAdvance(s.flag.text) + 4), fm.height() + 2);
            p.fillRect(flag, ToColor(kUnlockedFlag));
            p.setPen(Qt::white);
            DrawText(p, s.flag, textWidth);
        }
        // Edge labels on a dark plate: they stand over the overlap and their own screen, cut
        // to the room the layout gives them.
        for (const OverviewEdge& e : s.edges) {
            const QFontMetrics fm = p.fontMetrics();
            const QRect room = e.labelRoom.isValid() ? e.labelRoom : QRect(e.label.topLeft, QSize(200, 4 * fm.height()));
            QStringList lines = e.label.text.split(QLatin1Char('\n'));
            int width = 0;
            for (QString& line : lines) {
                line = fm.elidedText(line, Qt::ElideRight, std::max(8, room.width() - 3));
                width = std::max(width, fm.horizontalAdvance(line));
            }
            const int x = e.labelRightAligned ? room.right() - width - 1 : room.left();
            p.fillRect(QRect(x - 1, room.top(), width + 3, fm.height() * int(lines.size())), ToColor(kOverviewBackground, 190));
            p.setPen(Qt::white);
            int y = room.top();
            for (const QString& line : lines) {
                p.drawText(x, y + fm.ascent(), line);
                y += fm.height();
            }
        }
    }
    p.setPen(QPen(Qt::white, 1));
    for (const OverviewBracket& b : w.brackets) {
        for (const Line& l : {b.bar, b.leftTick, b.rightTick}) p.drawLine(l.from, l.to);
        DrawText(p, b.label, 200);
    }
}

}  // namespace kalvora
