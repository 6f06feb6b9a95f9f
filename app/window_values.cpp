#include "app/window_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "editors/radio_group.h"
#include "link/link.h"
#include "platform/gui/named_widget.h"
#include "operations/field_commit.h"
#include "settings/main_flags.h"

namespace kalvora {

WindowValues::WindowValues(QWidget* root, CommandSet& commands, Link& link, WindowValueHooks hooks)
    : root_(root), commands_(commands), link_(link), hooks_(std::move(hooks))
{
}

int WindowValues::ListIndex(const QString& name)
{
    const auto* list = root_ ? FindNamed<QComboBox>(root_, name) : nullptr;
    return list ? list->currentIndex() : -1;
}

QString WindowValues::Text(const QString& name)
{
    const auto* edit = root_ ? FindNamed<QLineEdit>(root_, name) : nullptr;
    return edit ? edit->text() : QString();
}

bool WindowValues::Checked(const QString& name)
{
    const auto* box = root_ ? FindNamed<QCheckBox>(root_, name) : nullptr;
    return box && box->isChecked();
}

int WindowValues::selected(const QString& selector) const
{
    const auto* group = root_ ? FindNamed<RadioGroup>(root_, selector) : nullptr;
    return group ? group->itemIndex() : -1;
}

void WindowValues::SelectChannel(const QString& selector, int index)
{
    auto* group = root_ ? FindNamed<RadioGroup>(root_, selector) : nullptr;
    if (!group) return;
    group->setItemIndex(index);
    // What the selector's own click handler does: fill its page for the channel.
    if (selector == QLatin1String("SourceScreenSelectRadioGroup")) hooks_.fillSourcePage();
    if (selector == QLatin1String("SeamScreenSelectRadioGroup")) hooks_.fillSeamPage();
}

CommitOutcome WindowValues::Commit(const QString& name)
{
    const bool seam = name.startsWith(QLatin1String("SeamGain"));
    const int channel =
        selected(seam ? QStringLiteral("SeamScreenSelectRadioGroup") : QStringLiteral("SourceScreenSelectRadioGroup")) + 1;
    if (!hooks_.commitField) return RunFieldCommit(*this, name, channel < 1 ? 1 : channel, commands_, link_);
    const bool accepted = hooks_.commitField(name);
    if (link_.sequenceStopped() || !link_.linkUp()) return CommitOutcome::Failed;
    return accepted ? CommitOutcome::Sent : CommitOutcome::Refused;
}

void WindowValues::RefillDisplayPage()
{
    FlagGuard filling(link_.flags().FormFilling);
    hooks_.fillDisplayPage();
}

}  // namespace kalvora
