#pragma once
// The one editing mechanism behind every numeric field of the editor pages (the rows of
// numeric_field_table.h): commit on focus loss, the spin arrows' steps, Enter to the next field.
//
// Commit of a field (when its edit loses the focus, after a step, after a click on a gamma's
// enable box): parse the text, check the range, report a rejection (restoring the record's value
// where the row says so) and give the focus back; then, unless controls are being filled or the
// link is down, hand the value(s) to the row's command builder, which stores and sends. Halo
// width and offset of an edge are validated and sent as a pair, a gamma with its enable box, a
// seam gain with the other seven.
//
// Focus handling. A commit runs once per real departure from a field: only an edit that received
// the focus commits when it loses it, and no focus-loss commit runs while another commit is in
// progress (its message box, the focus going back, the link disabling the pages while it waits).
// The focus stepping aside for a menu, a message box or another window is no departure: the field
// is still being edited and commits when it is really left. When a commit's link wait has taken
// the focus away from the window, the focus goes back to where it was going (or where it was)
// once the commit is over.
//
// A field reached by Tab, Shift+Tab, Enter or a click that moves the focus to it has its whole
// text selected, so what the operator types replaces it (a click in a field that already has the
// focus places the cursor); the selection outlives the focus going away and back during a commit.
//
// The mechanism must be destroyed before the controls it watches (the window deletes it first).
//
// How a page uses it:
//   1. create each field's edit and spin with MakeNumericEdit / MakeNumericSpin (names, initial
//      text and length limit from the table), and the enable check boxes and next-field controls
//      under the names the table gives;
//   2. once the controls exist below the root, call attach(family) (or attachAll());
//   3. give it a host (NumericFieldHost): the link's state, the channel selector of the page,
//      the restore fills, the position window, the per-edge feathering sender.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "operations/position_window.h"
#include "settings/numeric_field_table.h"

class QLineEdit;
class QWidget;

namespace kalvora {

class CommandSet;
class Operator;
class SpinArrows;
struct MainFlags;

// What the fields need from the page or window they live in.
class NumericFieldHost {
public:
    virtual bool linkEstablished() = 0;
    // The wall channel 1..8 the page's selector shows.
    virtual int selectedChannel(ChannelPage page) = 0;
    // Shows the records' values again after an out-of-bounds entry (the screen: BlackLevel's).
    virtual void restoreFill(RestoreFill fill, int screen) = 0;
    // The accepted position window of the channel selected on the source page.
    virtual PositionWindow positionWindow() = 0;
    // The advanced feathering of one edge (side 0 left, 1 right), enable box and gamma, sent.
    virtual bool sendEdgeFeathering(int screen, int side) = 0;

protected:
    ~NumericFieldHost() = default;
};

// The edit and the arrows of a field, named and set up from its row. The edit is as wide as the
// widest value of the field's range in the edit's font.
QLineEdit* MakeNumericEdit(QWidget* parent, const NumericField& field);
QStringList WidestFieldTexts(const NumericField& field);
SpinArrows* MakeNumericSpin(QWidget* parent, const NumericField& field);


class NumericFields : public QObject {
    Q_OBJECT
public:
    // commands: the builders the commits call. root: the widget the controls live under.
    NumericFields(QWidget* root, NumericFieldHost& host, MainFlags& flags, Operator& op, CommandSet& commands,
                  QObject* parent = nullptr);

    // Connects every field of the family whose edit exists below the root; returns how many.
    int attach(Field family);
    int attachAll();

    // An edit with rules of its own (the wall-wide gamma and overlap width) under the same focus
    // handling: `commit` runs on a real departure (through RunCommit), `enter` on Enter.
    void attachEdit(QLineEdit* edit, std::function<bool()> commit, std::function<void()> enter);
    // Runs a commit under the focus rules above (no focus-loss commits meanwhile, the focus put
    // back if the link's wait took it). Returns the commit's result.
    // The operator's clicks and keys meanwhile are held and take effect after a commit that
    // succeeded; after one that failed they are dropped, with the press that started it when
    // `byMouse` (a click elsewhere took the focus from the field).
    bool RunCommit(const std::function<bool()>& commit, bool byMouse = false);
    // Gives the focus back to a refused field and reports the message.
    void Refuse(QLineEdit* edit, const QString& message) { refuse(edit, message); }
    // The field being edited (the window's focus is in it, or was until a menu, a message box or
    // another window took the keyboard) commits now, as leaving it would. What leaves the field
    // behind (closing, saving, changing page, a unit operation) runs this first and stops when it
    // returns false: the entry was refused, its message shown and the focus back in the field.
    // The field keeps the focus; leaving it without editing it again commits nothing more.
    bool CommitPending();

    // The commit of the field with this edit. False when the entry was rejected.
    bool Commit(const QString& editName);
    bool Commit(const FieldKey& key);
    // One step of the field's arrows (+1 up, -1 down).
    void Step(const QString& editName, int direction);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Attached {
        const NumericField* field = nullptr;  // a table field, or
        std::function<bool()> commit;         // an edit with rules of its own
        std::function<void()> enter;
        bool entered = false;  // the edit has the focus: losing it commits
        bool pressSelects = false;  // the click that brought the focus selects instead of placing the cursor
        std::optional<QString> committedText;  // committed by CommitPending and not edited since
    };

    bool commit(const NumericField& field, Qt::FocusReason departure = Qt::NoFocusReason);
    bool commitTableField(const NumericField& field);
    void step(const NumericField& field, int direction);
    bool validate(const NumericField& field);
    bool send(const NumericField& field);
    void restore(const NumericField& field);
    // Reports a refused entry and gives the focus back to its field.
    void refuse(QLineEdit* edit, const QString& message);
    void enterPressed(const NumericField& field);
    std::pair<double, double> rangeOf(const NumericField& field) const;
    QString boundsMessage(const NumericField& field) const;
    QLineEdit* editOf(const QString& name) const;
    bool valueOf(const QString& editName, ValueType type, double& value) const;
    // A commit under the focus rules; `departure`: how the focus is leaving the field (a Tab or a
    // click makes the field gone to select its text), NoFocusReason when the focus stays.
    bool runCommit(const std::function<bool()>& commit, Qt::FocusReason departure);
    void restoreLostFocus(QPointer<QWidget> target, Qt::FocusReason departure, std::function<void()> select);
    // What puts the selection of `target` (an edit) right when the focus comes back to it.
    static std::function<void()> selectionOnReturn(QWidget* target, Qt::FocusReason departure);

    QWidget* root_;
    MainFlags& flags_;
    Operator& op_;
    CommandSet& commands_;
    NumericFieldHost& host_;
    QHash<QObject*, Attached> edits_;
    int committing_ = 0;
    bool returning_ = false;  // a commit is putting the focus back where it was
};

}  // namespace kalvora
