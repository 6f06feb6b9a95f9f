#include "app/main_window.h"

namespace kalvora {

TKalvoraForm::TKalvoraForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TKalvoraForm"));
    setWindowTitle(QStringLiteral("Quennel - Kalvora"));
    resize(908, 594);
}

}  // namespace kalvora
