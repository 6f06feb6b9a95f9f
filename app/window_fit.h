#pragma once
// Window sizes that follow the desktop: a window as large as its contents ask, never larger than
// the screen's free area, and placed so that its title bar and menu are on the screen.

#include <QMargins>
#include <QObject>
#include <QSize>

class QWidget;

namespace kalvora {

// The window decorations around the client area: as the window manager drew them once the window
// is shown, else an estimate from the title font.
QMargins FrameMarginsOf(const QWidget* window);
// `wanted` cut to the free area of the window's screen, its frame included.
QSize ClampToScreen(const QWidget* window, QSize wanted);
// Moves the window so that its frame lies on the free area of its screen; where it is too large,
// its top-left corner (title bar, menu) stays on the screen.
void KeepOnScreen(QWidget* window);

// Tells when the layout of the watched widget asks to be redone (its contents changed size).
class FitWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void contentsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kalvora
