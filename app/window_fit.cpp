#include "app/window_fit.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>


namespace kalvora {
namespace {

QRect FreeArea(const QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

QMargins FrameMarginsOf(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    if (window->isVisible() && frame != client)
        return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                frame.bottom() - client.bottom()};
    // Before the window manager has framed it: a title bar a little taller than its text.
    const int title = std::max(window->style()->pixelMetric(QStyle::PM_TitleBarHeight),
                               QFontMetrics(QApplication::font()).height() + 12);
    return {4, title, 4, 4};
}

QSize ClampToScreen(const QWidget* window, QSize wanted)
{
    const QRect area = FreeArea(window);
    if (area.isEmpty()) return wanted;
    const QMargins m = FrameMarginsOf(window);
    return wanted.boundedTo(QSize(area.width() - m.left() - m.right(), area.height() - m.top() - m.bottom()));
}

void KeepOnScreen(QWidget* window)
{
    const QRect area = FreeArea(window);
    if (area.isEmpty()) return;
    const QMargins m = FrameMarginsOf(window);
    const QSize outer = window->size().grownBy(m);
    // move() places the frame's top-left corner.
    QPoint at = window->isVisible() ? window->frameGeometry().topLeft() : window->pos();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height())));
    if (at != (window->isVisible() ? window->frameGeometry().topLeft() : window->pos())) window->move(at);
}

bool FitWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) emit contentsChanged();
    return QObject::eventFilter(watched, event);
}

}  // namespace kalvora
