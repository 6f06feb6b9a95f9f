#pragma once
// The values of the bulk send taken from the records, as the page fills would show them (the
// same texts, list indices and check box states), for the command-line tool, which has no pages.

#include "operations/bulk_values.h"

namespace kalvora {

class CommandSet;
class Link;
struct InputChannelRecord;
struct OutputScreenRecord;
struct Settings;

class RecordValues : public BulkValues {
public:
    RecordValues(Settings& settings, CommandSet& commands, Link& link);

    int ListIndex(const FieldKey& key) override;
    QString Text(const FieldKey& key) override;
    bool Checked(const FieldKey& key) override;
    void SelectChannel(ChannelPage page, int index) override;
    CommitOutcome Commit(const FieldKey& key) override;
    int OverlapWidthMax() override;
    void RefillDisplayPage() override {}  // no page shows the records

private:
    int sourceChannel() const { return sourceIndex_ + 1; }
    int seamChannel() const { return seamIndex_ + 1; }
    // The record a key's value lives in: the wall-wide values in unit 1's first screen, a
    // screen's in its screen, the source and seam pages' in the channel selected on them.
    OutputScreenRecord& wall() const;
    OutputScreenRecord& screen(int n) const;
    InputChannelRecord& source() const;
    OutputScreenRecord& seam() const;

    Settings& settings_;
    CommandSet& commands_;
    Link& link_;
    int sourceIndex_ = 0;
    int seamIndex_ = 0;
};

}  // namespace kalvora
