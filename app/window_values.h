#pragma once
// The bulk send's values read from the window's controls by their names: edit texts, list
// indices, check box states; the channel selectors with their fills, and the field commit checks
// of the colour and seam gain edits.

#include <QPointer>
#include <functional>

#include "operations/bulk_values.h"

class QWidget;

namespace kalvora {

class CommandSet;
class Link;

struct WindowValueHooks {
    // The fills the channel selectors' handlers run.
    std::function<void()> fillSourcePage = [] {};
    std::function<void()> fillSeamPage = [] {};
    std::function<void()> fillDisplayPage = [] {};
    // The commit of a numeric field by its edit's name; false when the field refused the entry.
    // When empty, the colour and seam gain checks run from the core's rules.
    std::function<bool(const QString& editName)> commitField;
    std::function<int()> overlapWidthMax = [] { return 0; };
};

class WindowValues : public BulkValues {
public:
    WindowValues(QWidget* root, CommandSet& commands, Link& link, WindowValueHooks hooks);

    int ListIndex(const QString& name) override;
    QString Text(const QString& name) override;
    bool Checked(const QString& name) override;
    void SelectChannel(const QString& selector, int index) override;
    CommitOutcome Commit(const QString& name) override;
    int OverlapWidthMax() override { return hooks_.overlapWidthMax(); }
    void RefillDisplayPage() override;

private:
    int selected(const QString& selector) const;

    QPointer<QWidget> root_;
    CommandSet& commands_;
    Link& link_;
    WindowValueHooks hooks_;
};

}  // namespace kalvora
