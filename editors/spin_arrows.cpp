#include "editors/spin_arrows.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
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

QSize SpinArrows::sizeHint() const { return {15, 20}; }

void SpinArrows::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        QStyleOption opt;
        opt.initFrom(this);
        opt.rect = halves[i];
        const bool down = held_ == (i == 0 ? 1 : -1);
        opt.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &opt, &p, this);
        QStyleOption arrow = opt;
        arrow.rect = halves[i].adjusted(3, 2, -3, -2);
        if (down) arrow.rect.translate(1, 1);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, &p, this);
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
