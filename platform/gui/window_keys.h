#pragma once
// Keys every secondary window answers as desktop windows do.

class QWidget;

namespace kalvora {

// Esc (when no control of the window takes it) and Ctrl+W (and the platform's own close key)
// close `window` while it is active.
void CloseOnEscape(QWidget* window);

}  // namespace kalvora
