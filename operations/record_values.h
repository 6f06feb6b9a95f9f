#pragma once
// The values of the bulk send taken from the records, as the page fills would show them (the
// same texts, list indices and check box states), for the command-line tool, which has no pages.

#include <QHash>
#include <functional>

#include "operations/bulk_values.h"

namespace kalvora {

class CommandSet;
class Link;
struct Settings;

class RecordValues : public BulkValues {
public:
    RecordValues(Settings& settings, CommandSet& commands, Link& link);

    int ListIndex(const QString& name) override;
    QString Text(const QString& name) override;
    bool Checked(const QString& name) override;
    void SelectChannel(const QString& selector, int index) override;
    CommitOutcome Commit(const QString& name) override;
    int OverlapWidthMax() override;

private:
    void addScreen(int n);
    int sourceChannel() const { return sourceIndex_ + 1; }
    int seamChannel() const { return seamIndex_ + 1; }

    Settings& settings_;
    CommandSet& commands_;
    Link& link_;
    int sourceIndex_ = 0;
    int seamIndex_ = 0;
    QHash<QString, std::function<QString()>> texts_;
    QHash<QString, std::function<bool()>> boxes_;
    QHash<QString, std::function<int()>> lists_;
};

}  // namespace kalvora
