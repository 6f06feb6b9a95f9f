#pragma once
// The Projector Setup page (ProjAlignTabSheet): four groups of test patterns, each for one
// adjustment of the projectors themselves. A choice puts the same pattern, raster box and grid
// on every screen of the wall, shows it on the Display Setup page and clears the other groups.

#include <QWidget>
#include <array>

#include "editors/projector_setup_host.h"

class QCheckBox;

namespace kalvora {

class CommandSet;
class RadioGroup;
struct MainFlags;

// What one item of a group puts on every screen. kBox: the state of the group's own check box.
struct ProjectorTestChoice {
    static constexpr int kBox = -1;
    int pattern;
    int raster;
    int grid;
};

class ProjectorSetupPage : public QWidget {
    Q_OBJECT
public:
    ProjectorSetupPage(MainFlags& flags, CommandSet& commands, ProjectorSetupHost& host, QWidget* parent = nullptr);

    // The choice of group g (1..4): an item clicked, or the group's check box (groups 1 and 3).
    void ProjTestClick(int g);
    // No group shows a selection; the two check boxes keep their state.
    void ClearSelections();

    RadioGroup* group(int g) const { return groups_.at(g - 1); }
    QCheckBox* checkBox(int g) const { return boxes_.at(g - 1); }  // nullptr for groups 2 and 4

    // The pattern, raster and grid item `item` of group g sends (kBox resolved); false when
    // there is no such item.
    bool choice(int g, int item, ProjectorTestChoice& out) const;

private:
    void build();

    MainFlags& flags_;
    CommandSet& commands_;
    ProjectorSetupHost& host_;
    std::array<RadioGroup*, 4> groups_{};
    std::array<QCheckBox*, 4> boxes_{};
};

}  // namespace kalvora
