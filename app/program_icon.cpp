#include "app/program_icon.h"

namespace kalvora {

QIcon ProgramIcon()
{
    // The built-in copy is drawn from desktop/kalvora.svg (rsvg-convert --width=64 --height=64).
    return QIcon::fromTheme(QStringLiteral("kalvora"), QIcon(QStringLiteral(":/kalvora/kalvora.png")));
}

}  // namespace kalvora
