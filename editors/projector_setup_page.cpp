#include "editors/projector_setup_page.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <vector>

#include "settings/flag_protocol.h"
#include "editors/radio_group.h"
#include "link/commands.h"
#include "platform/gui/font_fit.h"
#include "platform/gui/named_widget.h"
#include "settings/records.h"

namespace kalvora {
namespace {

constexpr int kBox = ProjectorTestChoice::kBox;

struct ProjectorTestGroup {
    const char* name;
    const char* boxName;  // nullptr: the group has no check box
    const char* boxCaption;
    int columns;
    std::vector<std::pair<const char*, ProjectorTestChoice>> items;
    const char* heading;
    std::vector<const char*> help;
};

const std::array<ProjectorTestGroup, 4>& Groups()
{
    static const std::array<ProjectorTestGroup, 4> groups = {{
        {"ProjTest1RadioGroup",
         "ProjTest1RasterCheckBox",
         "Output Raster Box",
         1,
         {{"Off", {0, kBox, 0}},
          {"Resolution 1 Pixel ON/ 1 Pixel OFF", {2, kBox, 0}},
          {"Resolution 2 Pixel ON/ 2 Pixel OFF", {3, kBox, 0}}},
         "Projector Phase Adjust:",
         {"- Select one of the available Resolution test patterns.",
          "- For each projector, adjusts input sample clock phase to achieve one-to-one sampling of the test "
          "pattern."}},
        {"ProjTest2RadioGroup",
         nullptr,
         nullptr,
         1,
         {{"Off", {0, 0, 0}}, {"Black with Raster Box", {5, 1, 0}}, {"Gray Scale with Raster Box", {4, 1, 0}}},
         "Projector Input Size Adjust:",
         {"- Select the Black Test Pattern With Raster Box",
          "- The Raster Box is a one-pixel outline of the of active display raster being input to the projector.  "
          "For each projector, adjust Input Horizontal and Vertical Position until the Raster Box test pattern is "
          "aligned with the projector's output display raster."}},
        {"ProjTest3RadioGroup",
         "ProjTest3GridCheckBox",
         "Output Test Grid",
         1,
         {{"Off", {0, 0, kBox}}, {"Image Overlap Alignment with Raster Box", {1, 1, kBox}}},
         "Display Image Alignment:",
         {"Select the Projector Overlap Alignment Test Pattern.  The Overlap Alignment Test pattern displays a "
          "broken vertical line on each side of the image.  The position of the line has been calculated based on "
          "the required amount of image overlap. ",
          "Projectors will be correctly overlapped when the two broken Alignment lines from adjacent projectors "
          "combine to create a single solid vertical line."}},
        {"ProjTest4RadioGroup",
         nullptr,
         nullptr,
         3,
         {{"Off", {0, 0, 0}},
          {"Black", {5, 0, 0}},
          {"Gray - 25%", {6, 0, 0}},
          {"Gray - 50%", {7, 0, 0}},
          {"Gray - 75%", {8, 0, 0}},
          {"White", {9, 0, 0}},
          {"H Bars", {4, 0, 0}}},
         "Projector Color Balance Adjustment:",
         {"- Select available test patterns, as required.  For each projector, adjust color balance, as required, "
          "to match all projectors."}},
    }};
    return groups;
}

}  // namespace

ProjectorSetupPage::ProjectorSetupPage(MainFlags& flags, CommandSet& commands, ProjectorSetupHost& host, QWidget* parent)
    : QWidget(parent), flags_(flags), commands_(commands), host_(host)
{
    setObjectName(QStringLiteral("ProjAlignTabSheet"));
    build();
}

void ProjectorSetupPage::build()
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(6);
    auto* note = MakeNamed<QLabel>(
        this, QStringLiteral("ProjNoteLabel"),
        QStringLiteral("Note:  Please see projector documentation for correct projector adjustment instructions. "));
    QFont bold = font();
    bold.setBold(true);
    note->setFont(bold);
    v->addWidget(note);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid, 1);
    for (int g = 1; g <= 4; ++g) {
        const ProjectorTestGroup& def = Groups()[g - 1];
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        auto* group = new RadioGroup(QStringLiteral("Test Patterns"), this, def.columns);
        group->setObjectName(QString::fromLatin1(def.name));
        QStringList items;
        for (const auto& item : def.items) items << QString::fromLatin1(item.first);
        group->setItems(items);
        group->setMinimumWidth(TextColumnWidth(group, 55));
        groups_[g - 1] = group;
        column->addWidget(group);
        if (def.boxName) {
            auto* box = MakeNamed<QCheckBox>(this, QString::fromLatin1(def.boxName), QString::fromLatin1(def.boxCaption));
            boxes_[g - 1] = box;
            column->addWidget(box);
            connect(box, &QCheckBox::clicked, this, [this, g] { ProjTestClick(g); });
        }
        column->addStretch(1);
        grid->addLayout(column, g - 1, 0);

        auto* help = MakeNamed<QFrame>(this, QStringLiteral("ProjTest%1HelpPanel").arg(g));
        help->setFrameShape(QFrame::StyledPanel);
        auto* hl = new QVBoxLayout(help);
        hl->setContentsMargins(6, 4, 6, 4);
        hl->setSpacing(2);
        auto* heading = new QLabel(QString::fromLatin1(def.heading), help);
        heading->setFont(bold);
        hl->addWidget(heading);
        for (const char* line : def.help) {
            auto* label = new QLabel(QString::fromUtf8(line), help);
            label->setWordWrap(true);
            hl->addWidget(label);
        }
        hl->addStretch(1);
        grid->addWidget(help, g - 1, 1);
        connect(group, &RadioGroup::itemIndexChanged, this, [this, g] { ProjTestClick(g); });
    }
}

bool ProjectorSetupPage::choice(int g, int item, ProjectorTestChoice& out) const
{
    if (g < 1 || g > 4) return false;
    const ProjectorTestGroup& def = Groups()[g - 1];
    if (item < 0 || item >= static_cast<int>(def.items.size())) return false;
    out = def.items[item].second;
    const int box = boxes_[g - 1] && boxes_[g - 1]->isChecked() ? 1 : 0;
    if (out.raster == kBox) out.raster = box;
    if (out.grid == kBox) out.grid = box;
    return true;
}

void ProjectorSetupPage::ProjTestClick(int g)
{
    if (g < 1 || g > 4 || flags_.FormFilling) return;
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    RadioGroup* group = groups_[g - 1];
    // A check box clicked after the selection was cleared: the box alone, on "Off".
    if (group->itemIndex() < 0 && boxes_[g - 1]) group->setItemIndex(0);
    ProjectorTestChoice c{};
    if (!choice(g, group->itemIndex(), c)) return;

    const auto sendUnit = [&](int unit) {
        // Every screen is sent even after a failed one: each gets its own chance.
        for (int index = 1; index <= 4; ++index) commands_.SendTestPattern(unit, index, c.pattern, c.raster, c.grid);
        FillingGuard filling(flags_);
        for (int index = 1; index <= 4; ++index) host_.showTestPattern(UnitToWall(unit, index));
    };
    sendUnit(1);
    if (flags_.UnitCount > 1) sendUnit(2);

    FillingGuard filling(flags_);
    for (int other = 1; other <= 4; ++other) {
        if (other == g) continue;
        groups_[other - 1]->setItemIndex(-1);
        if (boxes_[other - 1]) boxes_[other - 1]->setChecked(false);
    }
}

void ProjectorSetupPage::ClearSelections()
{
    for (RadioGroup* group : groups_) group->setItemIndex(-1);
}

}  // namespace kalvora
