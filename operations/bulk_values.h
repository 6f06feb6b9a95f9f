#pragma once
// What the bulk send reads: the values exactly as the pages show them, addressed by the names of
// the controls. The window reads its controls; the command-line tool has no pages and formats
// the records exactly as the page fills would (record_values.h). One sequence serves both.

#include <QString>

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

    // Selected index of a list (NumOfScreenComboBox, ImageAlignComboBox, TestPattern<n>ComboBox);
    // -1 when nothing is selected.
    virtual int ListIndex(const QString& name) = 0;
    // The text of an edit as shown.
    virtual QString Text(const QString& name) = 0;
    // The state of a check box.
    virtual bool Checked(const QString& name) = 0;
    // Selects index 0..7 in SourceScreenSelectRadioGroup or SeamScreenSelectRadioGroup; the
    // selection's own handler fills that page from the records.
    virtual void SelectChannel(const QString& selector, int index) = 0;
    // Runs the commit check of a colour or seam gain edit for the channel selected on its page.
    virtual CommitOutcome Commit(const QString& name) = 0;
    // The largest overlap width OWidthEdit accepts.
    virtual int OverlapWidthMax() = 0;
    // Refills the display page from the records (with FormFilling set), after the send put back
    // values that a unit's re-read had replaced.
    virtual void RefillDisplayPage() {}
};

}  // namespace kalvora
