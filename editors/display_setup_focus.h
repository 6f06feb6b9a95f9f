#pragma once
// Inside the display setup page: moving the focus on from a field.

#include <QWidget>

namespace kalvora::detail {

// Moves the focus to target, or, when it cannot take it, commits where the focus is.
template <typename Commit>
void MoveFocusOrCommit(QWidget* target, Commit&& commitHere)
{
    if (target && target->isVisible() && target->isEnabled())
        target->setFocus(Qt::TabFocusReason);
    else
        commitHere();
}

}  // namespace kalvora::detail
