#pragma once
// The names of the ten halo and feathering controls of one edge of a screen on the Display
// Setup page: the page builds them and the projector-count visibility hides or shows them.

#include <QString>
#include <QStringList>

namespace kalvora {

struct EdgeNames {
    QString enable, gammaLabel, gamma, gammaUpDown, widthLabel, width, widthUpDown, offsetLabel, offset,
        offsetUpDown;
    QStringList all() const
    {
        return {enable, gammaLabel, gamma, gammaUpDown, widthLabel, width, widthUpDown, offsetLabel, offset, offsetUpDown};
    }
};

EdgeNames RightEdgeNames(int k);  // the right edge of screens 2..7, which have two edges
EdgeNames LeftEdgeNames(int k);   // their left edge
EdgeNames EndEdgeNames(int k);    // the single edge of screens 1 and 8

}  // namespace kalvora
