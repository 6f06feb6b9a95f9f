#include "app/window_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "editors/field_controls.h"
#include "editors/radio_group.h"
#include "link/link.h"
#include "platform/gui/named_widget.h"
#include "settings/main_flags.h"

namespace kalvora {

WindowValues::WindowValues(QWidget* root, Link& link, WindowPages& pages) : root_(root), link_(link), pages_(pages) {}

int WindowValues::ListIndex(const FieldKey& key)
{
    const auto* list = root_ ? FindNamed<QComboBox>(root_, ControlName(key)) : nullptr;
    return list ? list->currentIndex() : -1;
}

QString WindowValues::Text(const FieldKey& key)
{
    const auto* edit = root_ ? FindNamed<QLineEdit>(root_, ControlName(key)) : nullptr;
    return edit ? edit->text() : QString();
}

bool WindowValues::Checked(const FieldKey& key)
{
    const auto* box = root_ ? FindNamed<QCheckBox>(root_, ControlName(key)) : nullptr;
    return box && box->isChecked();
}

void WindowValues::SelectChannel(ChannelPage page, int index)
{
    auto* group = root_ ? FindNamed<RadioGroup>(root_, ChannelSelectorName(page)) : nullptr;
    if (!group) return;
    group->setItemIndex(index);
    // What the selector's own click handler does: fill its page for the channel.
    if (page == ChannelPage::Source) pages_.fillSourcePage();
    else pages_.fillSeamPage();
}

CommitOutcome WindowValues::Commit(const FieldKey& key)
{
    const bool accepted = pages_.commitField(key);
    if (link_.sequenceStopped() || !link_.linkUp()) return CommitOutcome::Failed;
    return accepted ? CommitOutcome::Sent : CommitOutcome::Refused;
}

void WindowValues::RefillDisplayPage()
{
    FlagGuard filling(link_.flags().FormFilling);
    pages_.fillDisplayPage();
}

}  // namespace kalvora
