#include "editors/numeric_fields.h"

#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "settings/flag_protocol.h"
#include "editors/field_controls.h"
#include "editors/spin_arrows.h"
#include "link/commands.h"
#include "settings/number_format.h"
#include "platform/gui/font_fit.h"
#include "platform/gui/held_input.h"
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "settings/records.h"

namespace kalvora {

QStringList WidestFieldTexts(const NumericField& field)
{
    const NumericFamilyRow& row = *field.row;
    QStringList texts{QString::fromLatin1(row.initialText), QStringLiteral("N/A")};
    if (row.range == RangeKind::Fixed) {
        for (double v : {row.lo, row.hi}) {
            const QString t = FormatFieldValue(row.type, v);
            // A unit's value may show one more decimal than a step writes (2.25, 124.75).
            texts << (row.type == ValueType::Tenths ? t + QLatin1Char('0') : t);
        }
    } else {
        texts << QStringLiteral("-8888");  // a position window of the widest input format
    }
    return texts;
}

QLineEdit* MakeNumericEdit(QWidget* parent, const NumericField& field)
{
    auto* edit = MakeNamed<QLineEdit>(parent, ControlName(field.key), QString::fromLatin1(field.row->initialText));
    if (field.maxLength() > 0) edit->setMaxLength(field.maxLength());
    FitEditTo(edit, WidestFieldTexts(field));
    edit->setAccessibleName(field.accessibleName);
    return edit;
}

SpinArrows* MakeNumericSpin(QWidget* parent, const NumericField& field)
{
    return MakeNamed<SpinArrows>(parent, ControlsOf(field.key).spin);
}

NumericFields::NumericFields(QWidget* root, NumericFieldHost& host, MainFlags& flags, Operator& op, CommandSet& commands,
                             QObject* parent)
    : QObject(parent), root_(root), flags_(flags), op_(op), commands_(commands), host_(host)
{
}

int NumericFields::attach(Field family)
{
    int count = 0;
    for (const NumericField* f : FieldsOf(family)) {
        QLineEdit* edit = editOf(ControlName(f->key));
        if (!edit || edits_.contains(edit)) continue;
        Attached a;
        a.field = f;
        a.entered = edit->hasFocus();
        edits_.insert(edit, a);
        edit->installEventFilter(this);
        if (auto* spin = FindNamed<SpinArrows>(root_, ControlsOf(f->key).spin)) {
            connect(spin, &SpinArrows::stepUp, this, [this, f] { step(*f, +1); });
            connect(spin, &SpinArrows::stepDown, this, [this, f] { step(*f, -1); });
        }
        if (f->row->group == CommitGroup::WithEnableBox)
            if (auto* box = FindNamed<QCheckBox>(root_, ControlsOf(f->key).partner))
                connect(box, &QCheckBox::clicked, this, [this, f] { commit(*f); });
        ++count;
    }
    return count;
}

void NumericFields::attachEdit(QLineEdit* edit, std::function<bool()> commit, std::function<void()> enter)
{
    if (!edit || edits_.contains(edit)) return;
    Attached a;
    a.commit = std::move(commit);
    a.enter = std::move(enter);
    a.entered = edit->hasFocus();
    edits_.insert(edit, std::move(a));
    edit->installEventFilter(this);
}

int NumericFields::attachAll()
{
    int count = 0;
    for (const NumericFamilyRow& row : kNumericFamilies) count += attach(row.field);
    return count;
}

bool NumericFields::Commit(const QString& editName)
{
    const NumericField* f = NumericFieldOfEdit(editName);
    return f ? commit(*f) : false;
}

bool NumericFields::Commit(const FieldKey& key)
{
    const NumericField* f = FindNumericField(key);
    return f ? commit(*f) : false;
}

void NumericFields::Step(const QString& editName, int direction)
{
    if (const NumericField* f = NumericFieldOfEdit(editName)) step(*f, direction);
}

QLineEdit* NumericFields::editOf(const QString& name) const { return FindNamed<QLineEdit>(root_, name); }

namespace {

// The focus only steps aside: a menu, the menu bar, a message box or another window has the
// keyboard for a while and gives it back. The field is still being edited.
bool StepsAside(Qt::FocusReason reason)
{
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason || reason == Qt::MenuBarFocusReason;
}

// Arriving this way selects the field's whole text, so that typing replaces it (the line edit
// itself does so for the keys, not for a click).
bool SelectsOnArrival(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason ||
           reason == Qt::MouseFocusReason;
}

}  // namespace

bool NumericFields::eventFilter(QObject* watched, QEvent* event)
{
    const auto it = edits_.find(watched);
    if (it == edits_.end()) return QObject::eventFilter(watched, event);
    auto* edit = static_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        it->entered = true;
        // Coming back after stepping aside, or put back by a commit: the same visit.
        if (StepsAside(reason) || returning_) break;
        it->committedText.reset();
        // The line edit selects on Tab itself; a click that brings the focus selects as well,
        // and its press must not then put the cursor where it landed.
        if (reason == Qt::MouseFocusReason) {
            edit->selectAll();
            it->pressSelects = true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (it->pressSelects) {
            it->pressSelects = false;
            edit->selectAll();
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) return true;
        }
        break;
    case QEvent::FocusOut: {
        it->pressSelects = false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Only a real departure commits: not the focus stepping aside, not the focus moving for
        // a commit's own message box or while the link waits, not an edit that never had the
        // focus, and not the window going away. A field committed already (CommitPending) and
        // not edited since has nothing left to commit.
        if (StepsAside(reason) || committing_ > 0 || !it->entered || !edit->window()->isVisible()) break;
        it->entered = false;
        if (std::exchange(it->committedText, std::nullopt) == edit->text()) break;
        if (const NumericField* f = it->field)
            commit(*f, reason);
        else if (it->commit)
            runCommit(std::function<bool()>(it->commit), reason);  // a copy: the hash may change meanwhile
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (it->field)
                enterPressed(*it->field);
            else if (it->enter)
                std::function<void()>(it->enter)();
            return true;
        }
        // Up and Down step the field as its arrows do.
        if ((key == Qt::Key_Up || key == Qt::Key_Down) && it->field) {
            step(*it->field, key == Qt::Key_Up ? +1 : -1);
            return true;
        }
        break;
    }
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

bool NumericFields::CommitPending()
{
    if (committing_ > 0) return true;  // a commit is on its way; nothing else is pending
    QWidget* focus = root_->window()->focusWidget();
    const auto it = edits_.find(focus);
    if (it == edits_.end() || !it->entered) return true;
    auto* edit = static_cast<QLineEdit*>(focus);
    if (it->committedText == edit->text()) return true;
    const NumericField* field = it->field;
    const std::function<bool()> own = it->commit;  // a copy: the hash may change meanwhile
    const bool ok = field ? commit(*field) : (own ? runCommit(own, Qt::NoFocusReason) : true);
    const auto after = edits_.find(edit);
    if (ok && after != edits_.end()) after->committedText = edit->text();
    return ok;
}

void NumericFields::enterPressed(const NumericField& field)
{
    QWidget* next = FindNamed(root_, ControlsOf(field.key).next);
    if (next && next->isVisible() && next->isEnabled() && next->focusPolicy() != Qt::NoFocus) {
        next->setFocus(Qt::TabFocusReason);  // the field loses the focus: its commit runs
        return;
    }
    // No next field to go to: commit where we are.
    if (QLineEdit* edit = editOf(ControlName(field.key))) {
        auto it = edits_.find(edit);
        if (it != edits_.end() && committing_ == 0) commit(field);
    }
}

std::pair<double, double> NumericFields::rangeOf(const NumericField& field) const
{
    const NumericFamilyRow& row = *field.row;
    switch (row.range) {
    case RangeKind::HPositionWindow: {
        const PositionWindow w = host_.positionWindow();
        return {w.HPositionMin, w.HPositionMax};
    }
    case RangeKind::VPositionWindow: {
        const PositionWindow w = host_.positionWindow();
        return {w.VPositionMin, w.VPositionMax};
    }
    case RangeKind::Fixed: break;
    }
    return {row.lo, row.hi};
}

QString NumericFields::boundsMessage(const NumericField& field) const
{
    const NumericFamilyRow& row = *field.row;
    if (row.range == RangeKind::HPositionWindow) return HPositionOutOfBoundsMessage(host_.positionWindow());
    QString text = QString::fromLatin1(row.boundsPrefix);
    QString range = QString::fromLatin1(row.rangeText);
    if (row.range != RangeKind::Fixed && !range.isEmpty()) {
        const auto [lo, hi] = rangeOf(field);
        range = range.arg(FormatFieldValue(ValueType::Integer, lo), FormatFieldValue(ValueType::Integer, hi));
    }
    return text + range;
}

bool NumericFields::valueOf(const QString& editName, ValueType type, double& value) const
{
    QLineEdit* edit = editOf(editName);
    return edit && ParseFieldValue(type, edit->text(), value);
}

void NumericFields::restore(const NumericField& field)
{
    switch (field.row->restore) {
    case RestoreFill::None: break;
    default: host_.restoreFill(field.row->restore, field.number); break;
    }
}

bool NumericFields::validate(const NumericField& field)
{
    QLineEdit* edit = editOf(ControlName(field.key));
    if (!edit) return true;  // a field the page does not show takes no part
    const QString text = edit->text();
    double value = 0;
    if (!ParseFieldValue(field.row->type, text, value)) {
        refuse(edit, QStringLiteral("Error! '") + text + QString::fromLatin1(field.row->notValidSuffix));
        return false;
    }
    const auto [lo, hi] = rangeOf(field);
    if (value < lo || value > hi) {
        const QString message = boundsMessage(field);
        restore(field);
        refuse(edit, message);
        return false;
    }
    return true;
}

void NumericFields::refuse(QLineEdit* edit, const QString& message)
{
    // The focus goes back before the message, so the box's own focus change finds it there and
    // the field is where the box returns the focus to.
    edit->setFocus(Qt::OtherFocusReason);
    op_.showMessage(message);
    // The window the box was over is active again (some window systems leave that to us), with
    // the focus in the field.
    if (edit->isVisible() && !edit->window()->isActiveWindow()) edit->activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
}

bool NumericFields::RunCommit(const std::function<bool()>& commit, bool byMouse)
{
    return runCommit(commit, byMouse ? Qt::MouseFocusReason : Qt::NoFocusReason);
}

bool NumericFields::runCommit(const std::function<bool()>& commit, Qt::FocusReason departure)
{
    std::optional<HeldInput> held;
    if (committing_ == 0) held.emplace(root_);
    // Where the focus is (or is going, when a focus loss started this commit): the link's wait
    // may take it from the window, and it is put back afterwards.
    QPointer<QWidget> focusTarget = committing_ == 0 ? QApplication::focusWidget() : nullptr;
    std::function<void()> select = selectionOnReturn(focusTarget, departure);
    ++committing_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{committing_};
    const bool ok = commit();
    if (ok && committing_ == 1) restoreLostFocus(focusTarget, departure, std::move(select));
    if (held) {
        if (ok)
            held->playBack();
        else
            held->drop(departure == Qt::MouseFocusReason);
    }
    return ok;
}

bool NumericFields::commit(const NumericField& field, Qt::FocusReason departure)
{
    return runCommit([&] { return commitTableField(field); }, departure);
}

bool NumericFields::commitTableField(const NumericField& field)
{
    // The fields validated together, in order.
    std::vector<const NumericField*> group;
    switch (field.row->group) {
    case CommitGroup::HaloPair: {
        const std::optional<FieldKey> partnerKey = PartnerKey(field);
        const NumericField* partner = partnerKey ? FindNumericField(*partnerKey) : nullptr;
        const bool isWidth = field.row->field == Field::HaloWidth;
        if (partner && !isWidth) group.push_back(partner);
        group.push_back(&field);
        if (partner && isWidth) group.push_back(partner);
        break;
    }
    case CommitGroup::AllSeamGains:
        for (const NumericField* g : FieldsOf(Field::SeamGain)) group.push_back(g);
        break;
    case CommitGroup::Alone:
    case CommitGroup::WithEnableBox: group.push_back(&field); break;
    }
    for (const NumericField* g : group)
        if (!validate(*g)) return false;

    if (MaySend(flags_, host_.linkEstablished())) return send(field);
    return true;
}

std::function<void()> NumericFields::selectionOnReturn(QWidget* target, Qt::FocusReason departure)
{
    auto* edit = qobject_cast<QLineEdit*>(target);
    if (!edit) return {};
    QPointer<QLineEdit> e = edit;
    // A field gone to by Tab or a click gets its whole text selected, as arriving there does.
    if (SelectsOnArrival(departure)) return [e] { if (e) e->selectAll(); };
    // A field that keeps the focus gets back the selection (or the cursor) it has now.
    const QString text = edit->text();
    const int start = edit->selectionStart(), length = int(edit->selectedText().size());
    const int cursor = edit->cursorPosition();
    return [e, text, start, length, cursor] {
        if (!e || e->text() != text) return;
        if (length > 0 && cursor == start)
            e->setSelection(start + length, -length);
        else if (length > 0)
            e->setSelection(start, length);
        else
            e->setCursorPosition(cursor);
    };
}

void NumericFields::restoreLostFocus(QPointer<QWidget> target, Qt::FocusReason departure, std::function<void()> select)
{
    if (QApplication::focusWidget() || !target) return;
    // Later, outside the focus change that may be running now. Losing the focus took the edit's
    // selection with it; it is put back with the focus.
    QMetaObject::invokeMethod(
        this,
        [this, target, select = std::move(select), stays = departure == Qt::NoFocusReason] {
            if (target && !QApplication::focusWidget() && target->isEnabled() && target->isVisible()) {
                returning_ = stays;
                target->setFocus(Qt::OtherFocusReason);
                returning_ = false;
                if (select && target->hasFocus()) select();
            }
        },
        Qt::QueuedConnection);
}

bool NumericFields::send(const NumericField& field)
{
    const NumericFamilyRow& row = *field.row;
    int n = field.number;
    if (row.target == FieldTarget::SourceChannel) n = host_.selectedChannel(ChannelPage::Source);
    if (row.target == FieldTarget::SeamChannel) n = host_.selectedChannel(ChannelPage::Seam);
    if (n < 1 || n > 8) return true;
    const UnitIndex at = WallToUnit(n);
    double v = 0;
    switch (row.builder) {
    case FieldBuilder::BlackLevel:
        if (valueOf(ControlName(field.key), row.type, v)) return commands_.SendBlackLevel(at.unit, at.index, static_cast<int>(v));
        break;
    case FieldBuilder::Halo: {
        const bool isWidth = row.field == Field::HaloWidth;
        const FieldControls& controls = ControlsOf(field.key);
        double width = 0, offset = 0;
        if (valueOf(isWidth ? controls.name : controls.partner, ValueType::Integer, width) &&
            valueOf(isWidth ? controls.partner : controls.name, ValueType::Integer, offset))
            return commands_.SendHalo(at.unit, at.index, field.side, static_cast<int>(width), static_cast<int>(offset));
        break;
    }
    case FieldBuilder::EdgeFeather: return host_.sendEdgeFeathering(n, field.side);
    case FieldBuilder::InputHPosition:
        if (valueOf(ControlName(field.key), row.type, v)) return commands_.SendInputHPosition(at.unit, at.index, static_cast<int>(v));
        break;
    case FieldBuilder::InputVPosition:
        if (valueOf(ControlName(field.key), row.type, v)) return commands_.SendInputVPosition(at.unit, at.index, static_cast<int>(v));
        break;
    case FieldBuilder::InputPhase:
        if (valueOf(ControlName(field.key), row.type, v)) return commands_.SendInputPhase(at.unit, at.index, static_cast<int>(v));
        break;
    case FieldBuilder::InputContrast:
        if (valueOf(ControlName(field.key), row.type, v))
            return commands_.SendInputContrast(at.unit, at.index, field.colour, static_cast<float>(v));
        break;
    case FieldBuilder::InputBrightness:
        if (valueOf(ControlName(field.key), row.type, v))
            return commands_.SendInputBrightness(at.unit, at.index, field.colour, static_cast<float>(v));
        break;
    case FieldBuilder::SeamGains: {
        int gains[8] = {};
        for (const NumericField* g : FieldsOf(Field::SeamGain)) {
            if (!valueOf(ControlName(g->key), ValueType::Integer, v)) return true;
            gains[g->number - 1] = static_cast<int>(v);
        }
        return commands_.SendSeamGains(at.unit, at.index, -4, gains);
    }
    }
    return true;
}

void NumericFields::step(const NumericField& field, int direction)
{
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    QLineEdit* edit = editOf(ControlName(field.key));
    if (!edit) return;
    const NumericFamilyRow& row = *field.row;
    const QString text = edit->text();
    double v = 0;
    if (!ParseFieldValue(row.type, text, v)) {
        if (row.spinUsesNotValid) {
            refuse(edit, QStringLiteral("Error! '") + text + QString::fromLatin1(row.notValidSuffix));
        } else {
            op_.showMessage(QStringLiteral("Error! '") + text + QStringLiteral("' is not a valid number."));
            // The window the box was over is active again, the focus where it was.
            if (edit->isVisible() && !edit->window()->isActiveWindow()) edit->activateWindow();
        }
        return;
    }
    const auto [lo, hi] = rangeOf(field);
    if (direction > 0 ? !(lo <= v && v < hi) : !(lo < v && v <= hi)) return;
    double next = v + (direction > 0 ? row.step : -row.step);
    if (row.type == ValueType::Tenths) next = std::round(next * 10) / 10;
    next = std::clamp(next, lo, hi);  // a typed value between two steps still lands inside
    edit->setText(FormatFieldValue(row.type, next));
    commit(field);
}

}  // namespace kalvora
