#pragma once
// The operator's clicks and keys that arrive at a window while one of its fields commits a value
// to the units. The commit waits for the units with the pages disabled, so a button released
// meanwhile would lose its click. Instead they are held, and when the commit ends they are played
// back in order (the commit succeeded) or dropped (it failed: the operator is looking at its
// message, and the click that started it is undone as well).

#include <QObject>
#include <QPointer>
#include <QWindow>
#include <memory>
#include <vector>

class QEvent;
class QWidget;

namespace kalvora {

class HeldInput : public QObject {
    Q_OBJECT
public:
    // Starts holding the input of `widget`'s window.
    explicit HeldInput(QWidget* widget);
    ~HeldInput() override;

    // Plays back what was held once the current event (a mouse press that moved the focus out of
    // the field, perhaps) has been delivered.
    void playBack();
    // Drops what was held. When `pressInFlight` (the commit began because a mouse press took the
    // focus from the field), that press is stopped before it reaches its widget, so that neither
    // it nor its release clicks anything.
    void drop(bool pressInFlight);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWindow> window_;
    QPointer<QWidget> top_;
    std::vector<std::unique_ptr<QEvent>> held_;
    bool holding_ = true;
};

}  // namespace kalvora
