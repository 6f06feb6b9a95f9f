#include "operations/bulk_send.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "link/link.h"
#include "platform/operator.h"
#include "operations/bulk_plan.h"
#include "operations/bulk_values.h"
#include "link/connection.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

QString BulkStepText(const BulkProgress& p)
{
    return QStringLiteral("command %1 of %2, unit %3: %4").arg(p.k).arg(p.n).arg(p.unit).arg(p.what);
}

QString InvalidValueMessage(int unit, const QString& what, const WireValue& bad)
{
    QString text = kMsgInvalidBulkValue + QStringLiteral("\n\nTornel %1, %2: %3 is \"%4\"").arg(unit).arg(what, bad.label, bad.shown);
    if (!bad.accepted.isEmpty()) text += QStringLiteral("; accepted: %1").arg(bad.accepted);
    return text + QStringLiteral(".\nNothing was sent.");
}

namespace {

bool Differs(const Step& step, const Carry& c, const Settings& units)
{
    for (size_t k = 0; k < step.fields.size(); ++k)
        if (!(c.values.at(k) == HeldValue(units, step.unit, step.fields[k]))) return true;
    return false;
}

}  // namespace

BulkSend::BulkSend(CommandSet& commands, Link& link, Settings& settings, BulkValues& values)
    : link_(link), commands_(commands), settings_(settings), values_(values)
{
}

BulkOutcome BulkSend::Run(BulkObserver& observer)
{
    MainFlags& flags = link_.flags();
    if (flags.EditorBusy) return BulkOutcome::NotStarted;
    FlagGuard busy(flags.EditorBusy);
    if (flags.FormFilling || !link_.linkUp()) return BulkOutcome::NotStarted;
    sent_ = 0;
    skipped_.clear();
    last_ = {};

    const int n = values_.ListIndex(WallKey(Field::ProjectorCount)) + 1;
    if (n < 1 || n > 8) {
        Carry none;
        none.AddBad(QStringLiteral("none"), QStringLiteral("Number of Projectors"), QStringLiteral("1 to 8"));
        link_.op().showMessage(InvalidValueMessage(1, QStringLiteral("PRJ"), none.values.front()));
        return BulkOutcome::InvalidValue;
    }

    // Through a controller a wall of more than four screens needs the second unit reported; in
    // direct mode the operator has agreed to set only unit 1.
    if (n > 4 && link_.throughController() && link_.unitsReported() < 2) {
        link_.op().showMessage(kMsgMoreThanFourNeedsTwoUnits);
        return BulkOutcome::NotStarted;
    }
    BulkPlan plan(commands_, link_, settings_, values_);
    plan.Build(n, flags.UnitCount);

    std::vector<bool> include(plan.steps.size(), true);
    if (OnlyChangedFrom) {
        // A command goes when any value it carries differs from what its unit holds, or cannot
        // be sent (the full send would stop or skip there, and so does this one).
        size_t s = 0;
        EvaluatePlan(plan, values_, [&](const Step& step, const Carry& c) {
            while (&plan.steps[s] != &step) ++s;
            include[s] = !step.repeat && Differs(step, c, *OnlyChangedFrom);
        });
    }
    // Every value is checked before the first command: one found unsendable halfway would leave
    // the wall half-configured.
    {
        const Step* at = nullptr;
        WireValue bad;
        switch (plan.CheckAll(include, at, bad)) {
        case StepResult::Ok:
        case StepResult::Skipped: break;
        case StepResult::Invalid:
            link_.op().showMessage(InvalidValueMessage(at ? at->unit : 0, at ? at->what : QString(), bad));
            return BulkOutcome::InvalidValue;
        case StepResult::Failed:
            // A lost port has been reported by the link; a unit that did not answer, here.
            if (link_.linkUp() && at)
                link_.op().showMessage(QStringLiteral("Tornel %1 did not report the source window needed to check %2, "
                                                      "so nothing was sent.")
                                           .arg(at->unit)
                                           .arg(at->what));
            return BulkOutcome::LinkFailed;
        }
    }
    int total = 0;
    for (size_t s = 0; s < plan.steps.size(); ++s) total += plan.steps[s].unit != 0 && include[s];

    int k = 0;
    for (size_t s = 0; s < plan.steps.size(); ++s) {
        const Step& step = plan.steps[s];
        if (!include[s]) continue;
        if (step.unit != 0) {
            if (observer.ShouldStop()) return BulkOutcome::Stopped;
            ++k;
            last_ = {k, total, step.unit, step.what};
            observer.Progress(last_);
        }
        switch (plan.Run(step)) {
        case StepResult::Ok: break;
        case StepResult::Skipped:
            skipped_ << last_;
            continue;
        case StepResult::Invalid:
            link_.op().showMessage(kMsgInvalidBulkValue);
            return BulkOutcome::InvalidValue;
        case StepResult::Failed: return BulkOutcome::LinkFailed;
        }
        if (step.unit != 0) ++sent_;
    }
    return BulkOutcome::Done;
}

}  // namespace kalvora

namespace kalvora {

bool BulkSend::Differences(const Settings& units, std::vector<CarriedDifference>& out)
{
    out.clear();
    const int n = values_.ListIndex(WallKey(Field::ProjectorCount)) + 1;
    if (n < 1 || n > 8) return false;
    BulkPlan plan(commands_, link_, settings_, values_);
    plan.Build(n, link_.flags().UnitCount);
    EvaluatePlan(plan, values_, [&](const Step& step, const Carry& c) {
        if (step.repeat) return;
        for (size_t k = 0; k < step.fields.size(); ++k) {
            const CarriedField& f = step.fields[k];
            const WireValue held = HeldValue(units, step.unit, f);
            if (c.values.at(k) == held) continue;
            out.push_back({step.unit, f.input, f.index, f.field, f.element, step.what, c.values.at(k), held});
        }
    });
    // Read by place: unit, its channels, then its screens, each in the order of the record.
    std::stable_sort(out.begin(), out.end(), [](const CarriedDifference& a, const CarriedDifference& b) {
        return std::tuple(a.unit, !a.input, a.index, a.field->offset, a.element) <
               std::tuple(b.unit, !b.input, b.index, b.field->offset, b.element);
    });
    return true;
}

}  // namespace kalvora
