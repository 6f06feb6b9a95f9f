#include "platform/gui/window_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

namespace kalvora {
namespace {

// Esc, Ctrl+W and the platform's close key as a dialog takes them: a key press that no control
// of the window wanted (a list or a field with a popup of its own keeps its Esc) ends at the
// window and closes it. Taken as key presses rather than shortcuts, they work in a tool window
// that has the keyboard but that the window system does not count as the active window.
class CloseKeys : public QObject {
public:
    explicit CloseKeys(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool escape = key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
            const bool ctrlW = QKeySequence(key->keyCombination()) == QKeySequence(Qt::CTRL | Qt::Key_W);
            if (escape || ctrlW || key->matches(QKeySequence::Close)) {
                window_->close();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
};

}  // namespace

void CloseOnEscape(QWidget* window) { new CloseKeys(window); }

}  // namespace kalvora
