#pragma once
// The commands of "Send Current Settings to Tornel(s)" as a list of steps, each knowing the
// values its command puts on the wire and where the unit keeps them. The send runs the steps;
// the comparison with what the units hold evaluates the same steps without sending, so the two
// can never disagree about which values a send carries.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "link/commands_table.h"
#include "operations/bulk_values.h"
#include "settings/records.h"

namespace kalvora {

class CommandSet;
class Link;

enum class StepResult { Ok, Skipped, Invalid, Failed };

// One value of a command, as the unit takes it from the wire: an integer, or a tenths value as
// the integer tenths the unit parses from its "%4.1f" text.
struct WireValue {
    bool ok = true;        // false: the value cannot be sent (not a number, out of range)
    long long number = 0;  // the integer, or the tenths
    bool tenths = false;
    float single = 0;      // a tenths value as the builder takes it
    QString shown;         // when !ok: the text that cannot be sent
    QString label;         // when !ok: the field as the operator knows it ("Screen 8 Black Level")
    QString accepted;      // when !ok: what the field accepts ("0 to 255")
    bool operator==(const WireValue& o) const { return ok && o.ok && number == o.number && tenths == o.tenths; }
    // "30", "2.2"; the shown text when the value cannot be sent.
    QString Text() const;
};

// Where the addressed unit keeps one value of a command.
struct CarriedField {
    bool input = false;  // an input channel record, else an output screen record
    int index = 1;       // 1..4 within the unit
    const FieldDesc* field = nullptr;
    int element = 0;     // 0..7 for SeamGain
};

// The values one command carries, in the order of its fields.
struct Carry {
    std::vector<WireValue> values;
    bool Ok() const;
    int Int(size_t k) const { return int(values.at(k).number); }
    float Single(size_t k) const { return values.at(k).single; }
    void AddInt(long long v) { values.push_back({true, v, false, 0, {}, {}, {}}); }
    void AddTenths(float v);
    void AddBad(const QString& shown, const QString& label = {}, const QString& accepted = {})
    {
        values.push_back({false, 0, false, 0, shown, label, accepted});
    }
};

// What the unit holds for a field, as the wire would carry it.
WireValue HeldValue(const Settings& units, int unit, const CarriedField& f);

enum class StepKind {
    Command,        // a command to a unit
    SelectChannel,  // the channel `channel` selected on `page`, as the operator would
    KeepRecords,    // the output records kept before the mode change re-reads them
};

// A command step has both of its functions: Builder::Command takes them.
struct Step {
    StepKind kind = StepKind::Command;
    int unit = 0;  // 0: not a command
    QString what;
    std::vector<CarriedField> fields;
    // Reads the values the command carries from `values` (the selection steps before it ran).
    std::function<void(BulkValues& values, Carry& out)> carry;
    // Sends the command with the values read; or, for a field with its own commit check, runs
    // that check (which reads the field itself).
    std::function<StepResult(const Carry& carried)> send;
    // SelectChannel: the page and its channel index 0..7.
    ChannelPage page = ChannelPage::Source;
    int channel = 0;
    // An input position, checked before the first command of the send against the window its
    // unit reports (beyond its field's own range).
    bool positionCheck = false;
    bool horizontal = false;
    int index = 0;  // the input channel 1..4 within the unit
    bool commitChecked = false;  // send runs the field's own check: it refuses a bad value itself
    // The same command as the step before (a channel's MANSEAM goes out once per gain edit):
    // it carries nothing that the first did not.
    bool repeat = false;
};

class BulkPlan {
public:
    BulkPlan(CommandSet& commands, Link& link, Settings& settings, BulkValues& values);
    ~BulkPlan();
    BulkPlan(const BulkPlan&) = delete;
    BulkPlan& operator=(const BulkPlan&) = delete;
    // n: projectors of the wall (1..8); unitCount: units addressed.
    void Build(int n, int unitCount);
    std::vector<Step> steps;

    // Runs one step with the values it is built for.
    StepResult Run(const Step& step);

    // Checks every value the included steps would carry, before anything is sent: Invalid with
    // the first value that cannot go (`at` its step), Failed when a unit did not answer what the
    // check had to ask it, else Ok. Channel selections run as in the send.
    StepResult CheckAll(const std::vector<bool>& include, const Step*& at, WireValue& bad);

private:
    struct Builder;
    std::unique_ptr<Builder> builder_;  // the steps' commands call back into it
    CommandSet& commands_;
    Link& link_;
    Settings& settings_;
    BulkValues& values_;
    OutputScreenRecord kept_[3][5]{};
    int units_ = 1;  // units addressed
};

// Walks the plan's steps over `values` (running its selections) and calls `visit` for every
// command with the values it would carry.
void EvaluatePlan(const BulkPlan& plan, BulkValues& values, const std::function<void(const Step&, const Carry&)>& visit);

}  // namespace kalvora
