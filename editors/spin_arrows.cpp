#include "editors/spin_arrows.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPolygon>
#include <algorithm>
#include <QWheelEvent>

#include "platform/clock.h"

namespace kalvora {

SpinArrows::SpinArrows(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    repeat_.setSingleShot(true);
    connect(&repeat_, &QTimer::timeout, this, &SpinArrows::repeatTick);
}

void SpinArrows::setRepeat(int delayMs, int intervalMs)
{
    delayMs_ = delayMs > 0 ? delayMs : 1;
    intervalMs_ = intervalMs > 0 ? intervalMs : 1;
}

QSize SpinArrows::hintFor(const QFontMetrics& fm)
{
    // As tall as a line edit of the same font, each arrow wide enough to aim at.
    return {std::max(15, fm.height() * 4 / 5 + 3), std::max(20, fm.height() + 6)};
}

QSize SpinArrows::sizeHint() const { return hintFor(fontMetrics()); }

void SpinArrows::paintEvent(QPaintEvent*)
{
    // Plain shapes in the palette's colours: a page holds dozens of these and the link repaints
    // the page twice per transaction (disabled, enabled), so they must be cheap to draw.
    QPainter p(this);
    const QPalette& pal = palette();
    const bool enabled = isEnabled();
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        const QRect r = halves[i].adjusted(0, 0, -1, -1);
        const bool down = held_ == (i == 0 ? 1 : -1);
        p.fillRect(r, pal.color(down ? QPalette::Mid : QPalette::Button));
        p.setPen(pal.color(QPalette::Dark));
        p.drawRect(r);
        // The arrow: a small filled triangle in the middle of the half.
        const QPoint c = r.center() + (down ? QPoint(1, 1) : QPoint(0, 0));
        const int w = std::max(2, std::min(r.width() / 2 - 2, std::max(4, r.width() / 4)));
        const int h = std::max(2, std::min(r.height() / 2 - 1, std::max(3, r.height() / 4)));
        QPolygon arrow;
        if (i == 0)
            arrow << QPoint(c.x() - w, c.y() + 1 + h / 2) << QPoint(c.x() + w, c.y() + 1 + h / 2)
                  << QPoint(c.x(), c.y() + 1 + h / 2 - h - 1);
        else
            arrow << QPoint(c.x() - w, c.y() - h / 2) << QPoint(c.x() + w, c.y() - h / 2)
                  << QPoint(c.x(), c.y() - h / 2 + h + 1);
        p.setPen(Qt::NoPen);
        p.setBrush(pal.color(enabled ? QPalette::ButtonText : QPalette::Mid));
        p.drawPolygon(arrow);
        p.setBrush(Qt::NoBrush);
    }
}

void SpinArrows::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || held_ != 0) {
        event->ignore();
        return;
    }
    held_ = event->position().y() < height() / 2 ? 1 : -1;
    update();
    step();
    if (held_ != 0 && !repeat_.isActive()) repeat_.start(clock::scaled(delayMs_));
}

void SpinArrows::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    held_ = 0;
    repeat_.stop();
    update();
}

void SpinArrows::wheelEvent(QWheelEvent* event) { event->ignore(); }

bool SpinArrows::stillHeld() const { return held_ != 0 && (QGuiApplication::mouseButtons() & Qt::LeftButton); }

void SpinArrows::step()
{
    if (stepping_) return;
    stepping_ = true;
    QPointer<SpinArrows> self(this);
    if (held_ > 0)
        emit stepUp();
    else if (held_ < 0)
        emit stepDown();
    if (self) stepping_ = false;
}

void SpinArrows::repeatTick()
{
    if (!stillHeld()) {
        held_ = 0;
        update();
        return;
    }
    QPointer<SpinArrows> self(this);
    if (isEnabled() && isVisible()) step();
    if (!self) return;
    // The next repeat counts from the end of this step, whatever the step waited for.
    if (stillHeld())
        repeat_.start(clock::scaled(intervalMs_));
    else {
        held_ = 0;
        update();
    }
}

}  // namespace kalvora
