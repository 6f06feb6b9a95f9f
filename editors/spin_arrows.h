#pragma once
// The up/down arrow pair beside a numeric edit. A click on an arrow steps the edit's value once;
// holding the arrow down steps again after a delay and then at a steady rate for as long as the
// mouse button stays down. The arrows never take the keyboard focus (so a click does not commit
// the edit first) and ignore the mouse wheel.
//
// A step may wait for a unit (the link disables the pages meanwhile and keeps the window
// painting): the repeat timer is stopped for the length of each step and restarted after it, so
// holding an arrow never piles steps up behind the link. Whether the button is still held is
// read from the application's mouse state, which also sees a release that happened while the
// arrows were disabled.

#include <QFontMetrics>
#include <QTimer>
#include <QWidget>

namespace kalvora {

class SpinArrows : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultDelayMs = 400;
    static constexpr int kDefaultRepeatMs = 100;

    explicit SpinArrows(QWidget* parent = nullptr);

    // Nominal milliseconds (run through the program's clock) before the first repeat and
    // between repeats while an arrow is held.
    void setRepeat(int delayMs, int intervalMs);
    int repeatDelay() const { return delayMs_; }
    int repeatInterval() const { return intervalMs_; }

    // The arrows' size beside an edit of this font.
    static QSize hintFor(const QFontMetrics& fm);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Which arrow is held down: +1 up, -1 down, 0 none.
    int held() const { return held_; }

signals:
    void stepUp();
    void stepDown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void step();
    void repeatTick();
    bool stillHeld() const;

    QTimer repeat_;
    int delayMs_ = kDefaultDelayMs;
    int intervalMs_ = kDefaultRepeatMs;
    int held_ = 0;
    bool stepping_ = false;
};

}  // namespace kalvora
