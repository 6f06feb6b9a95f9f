#pragma once
// What the bulk send reads: the values exactly as the pages show them, addressed by their keys.
// The window reads its controls; the command-line tool has no pages and formats the records
// exactly as the page fills would (record_values.h). One sequence serves both.

#include <QString>

#include "settings/field_key.h"

namespace kalvora {

// The outcome of a field's own commit check (colour and seam gain fields).
enum class CommitOutcome {
    Sent,     // valid; handed to its builder (sent when the link is up)
    Refused,  // the field reported its own message; the send goes on
    Invalid,  // a value the check reads besides its own field is not a number: the send stops
    Failed,   // the link gave up or was lost while sending it
};

class BulkValues {
public:
    virtual ~BulkValues() = default;

    // The selected item of a list (projector count, alignment, a screen's test pattern) as its
    // index; -1 when nothing is selected.
    virtual int ListIndex(const FieldKey& key) = 0;
    // The text of a field as shown.
    virtual QString Text(const FieldKey& key) = 0;
    // The state of a check box.
    virtual bool Checked(const FieldKey& key) = 0;
    // Selects channel index 0..7 on the Source Setup or Seam Removal page; the selection's own
    // handler fills that page from the records.
    virtual void SelectChannel(ChannelPage page, int index) = 0;
    // Runs the commit check of a colour or seam gain field for the channel selected on its page.
    virtual CommitOutcome Commit(const FieldKey& key) = 0;
    // The largest overlap width the overlap width field accepts.
    virtual int OverlapWidthMax() = 0;
    // Refills the display page from the records (with FormFilling set), after the send put back
    // values that a unit's re-read had replaced; nothing to do where no page shows them.
    virtual void RefillDisplayPage() = 0;
};

}  // namespace kalvora
