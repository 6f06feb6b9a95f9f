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

#include "app/main_window.h"

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

// ---- the main window ------------------------------------------------------------------------------

QSize TKalvoraForm::contentsSize() const
{
    // Every page whole (the widest and tallest of them) with the menu and status bars; never less
    // than the window's classic size.
    const QSize pages = pages_->minimumSizeHint();
    const int status = statusBar()->sizeHint().height();
    const int menu = menuBar()->sizeHint().height();
    return {std::max(kClientWidth, pages.width()), std::max(kClientHeight, pages.height() + status) + menu};
}

void TKalvoraForm::fitToContents()
{
    // Fixed at what the contents ask, within the screen; what the screen cannot show scrolls.
    const QSize size = ClampToScreen(this, contentsSize());
    if (size != minimumSize() || size != maximumSize()) setFixedSize(size);
    if (isVisible()) KeepOnScreen(this);
}

void TKalvoraForm::wrapPagesInScrollArea()
{
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("PageScrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(pages_);
    setCentralWidget(scroll);
    // A page that grows (more screens, advanced feathering) grows the window with it.
    for (QWidget* w : {static_cast<QWidget*>(pages_), static_cast<QWidget*>(statusBar()), static_cast<QWidget*>(menuBar())})
        w->installEventFilter(&fitWatch_);
    connect(&fitWatch_, &FitWatch::contentsChanged, this, [this] { fitToContents(); });
}

bool FitWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) emit contentsChanged();
    return QObject::eventFilter(watched, event);
}

}  // namespace kalvora
