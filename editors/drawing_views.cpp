#include "editors/drawing_views.h"

#include <QPainter>

namespace kalvora {

namespace {

QColor ToColor(Rgb rgb) { return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb)); }

QFont DrawingFont(const QWidget* w)
{
    QFont f = w->font();
    f.setPixelSize(11);
    return f;
}

// Text placed by its top-left corner, as the surfaces' coordinates give it.
void DrawTextAt(QPainter& p, const TextItem& t)
{
    p.drawText(QRect(t.topLeft, QSize(200, 20)), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.text);
}

}  // namespace

TextItem PlaceSizeText(const PlacementRuler& r, const QFontMetrics& fm)
{
    auto box = [&fm](const TextItem& t) { return QRect(t.topLeft, QSize(fm.horizontalAdvance(t.text), fm.height())); };
    TextItem t = r.size;
    const QRect at = box(t);
    bool moved = at.right() >= r.width;
    for (const PlacementMarker& m : r.markers) moved = moved || at.intersects(box(m.value));
    if (moved) t.topLeft = QPoint(std::max(0, r.width - at.width() - 3), r.axis.from.y() + 3);
    return t;
}

ProjectorStripView::ProjectorStripView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProjectorImage"));
    setFixedSize(kStripWidth, kStripHeight);
}

void ProjectorStripView::setStrip(ProjectorStrip strip)
{
    strip_ = std::move(strip);
    drawn_ = true;
    update();
}

void ProjectorStripView::paintEvent(QPaintEvent*)
{
    if (!drawn_) return;
    QPainter p(this);
    p.fillRect(0, 0, strip_.width, strip_.height, ToColor(strip_.background));
    for (const Frame& f : strip_.frames) {
        // A one-pixel border; right and bottom are exclusive.
        const QColor c = ToColor(f.colour);
        const int w = f.right - f.left;
        const int h = f.bottom - f.top;
        p.fillRect(f.left, f.top, w, 1, c);
        p.fillRect(f.left, f.bottom - 1, w, 1, c);
        p.fillRect(f.left, f.top, 1, h, c);
        p.fillRect(f.right - 1, f.top, 1, h, c);
    }
}

PlacementRulerView::PlacementRulerView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ProjPlaceImage"));
    setFixedSize(kRulerWidth, kRulerHeight);
}

void PlacementRulerView::setRuler(PlacementRuler ruler)
{
    ruler_ = std::move(ruler);
    drawn_ = true;
    update();
}

void PlacementRulerView::paintEvent(QPaintEvent*)
{
    if (!drawn_) return;
    QPainter p(this);
    p.fillRect(0, 0, ruler_.width, ruler_.height, ToColor(ruler_.background));
    p.setFont(DrawingFont(this));
    QPen pen(ToColor(kBlack));
    pen.setWidth(0);
    p.setPen(pen);
    p.drawLine(ruler_.axis.from, ruler_.axis.to);
    DrawTextAt(p, ruler_.zero);
    for (const PlacementMarker& m : ruler_.markers) {
        pen.setStyle(m.line.dashed ? Qt::DashLine : Qt::SolidLine);
        p.setPen(pen);
        p.drawLine(m.line.from, m.line.to);
        DrawTextAt(p, m.label);
        DrawTextAt(p, m.value);
    }
    const TextItem size = PlaceSizeText(ruler_, p.fontMetrics());
    if (size.topLeft != ruler_.size.topLeft)  // over a marker's dashed line: on the ruler's own colour
        p.fillRect(QRect(size.topLeft, QSize(p.fontMetrics().horizontalAdvance(size.text), p.fontMetrics().height())),
                   ToColor(ruler_.background));
    DrawTextAt(p, size);
}

}  // namespace kalvora
