#pragma once
// The program's icon for every window: the installed one from the icon theme, else the copy
// built into the program (a build run from its folder has none installed).

#include <QIcon>

namespace kalvora {

QIcon ProgramIcon();

}  // namespace kalvora
