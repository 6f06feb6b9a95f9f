#include "platform/gui/held_input.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

namespace kalvora {
namespace {

bool IsHeldKind(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return true;
    default: return false;
    }
}

// Stops the mouse press being delivered right now, once the focus change it caused has run; it
// removes itself as soon as control returns to the event loop.
class PressStopper : public QObject {
public:
    explicit PressStopper(QWidget* top) : top_(top)
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(0, this, [this] { deleteLater(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (done_ || event->type() != QEvent::MouseButtonPress || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!top_ || widget->window() != top_) return false;
        done_ = true;
        return true;
    }

private:
    QPointer<QWidget> top_;
    bool done_ = false;
};

// A played-back press moves the focus as the operator's own press would have.
void FocusForPress(QWidget* top, const QMouseEvent& press)
{
    QWidget* target = top->childAt(press.position().toPoint());
    while (target && !(target->focusPolicy() & Qt::ClickFocus) && !target->isWindow()) target = target->parentWidget();
    if (target && target != top && target->isEnabled() && (target->focusPolicy() & Qt::ClickFocus))
        target->setFocus(Qt::MouseFocusReason);
}

}  // namespace

HeldInput::HeldInput(QWidget* widget)
{
    if (widget) top_ = widget->window();
    if (top_) window_ = top_->windowHandle();
    if (window_) qApp->installEventFilter(this);
}

HeldInput::~HeldInput()
{
    if (qApp) qApp->removeEventFilter(this);
}

bool HeldInput::eventFilter(QObject* watched, QEvent* event)
{
    // The window receives the operator's input before any of its widgets does.
    if (!holding_ || !window_ || watched != window_.data() || !IsHeldKind(event->type())) return false;
    held_.emplace_back(event->clone());
    return true;
}

void HeldInput::playBack()
{
    holding_ = false;
    qApp->removeEventFilter(this);
    if (held_.empty() || !window_) return;
    auto events = std::make_shared<std::vector<std::unique_ptr<QEvent>>>(std::move(held_));
    held_.clear();
    QMetaObject::invokeMethod(
        qApp,
        [events, window = window_, top = top_] {
            for (const auto& event : *events) {
                if (!window || !top) return;
                if (event->type() == QEvent::MouseButtonPress)
                    FocusForPress(top, *static_cast<const QMouseEvent*>(event.get()));
                QCoreApplication::sendEvent(window, event.get());
            }
        },
        Qt::QueuedConnection);
}

void HeldInput::drop(bool pressInFlight)
{
    holding_ = false;
    qApp->removeEventFilter(this);
    held_.clear();
    if (pressInFlight && top_) new PressStopper(top_);
}

}  // namespace kalvora
