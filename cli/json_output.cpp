#include "cli/json_output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kalvora::cli {
namespace {

QJsonValue OrNull(const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

const char* OutcomeKey(RunReport::Outcome outcome)
{
    switch (outcome) {
    case RunReport::Outcome::Sent: return "sent";
    case RunReport::Outcome::Failed: return "failed";
    case RunReport::Outcome::Invalid: return "invalid";
    case RunReport::Outcome::Skipped: return "skipped";
    }
    return "sent";
}

QJsonObject Found(const RunReport::Connection& c)
{
    QJsonArray ids;
    for (const QString& id : c.ids) ids.append(id.toInt());
    return {{"mode", c.mode}, {"com", c.com}, {"device", c.device}, {"units", c.units}, {"ids", ids}};
}

QJsonObject Trouble(const RunReport::PortTrouble& t)
{
    const PortProblem& p = t.problem;
    const bool busy = p.kind == PortProblem::Kind::Busy;
    return {{"com", t.com},
            {"device", p.device},
            {"problem", PortProblemKey(p.kind)},
            {"text", PortProblemBrief(p)},
            {"pid", busy ? QJsonValue(p.holder.pid) : QJsonValue()},
            {"process", busy ? OrNull(p.holder.name) : QJsonValue()}};
}

}  // namespace

QString PortProblemKey(PortProblem::Kind kind)
{
    switch (kind) {
    case PortProblem::Kind::None: return QStringLiteral("none");
    case PortProblem::Kind::Missing: return QStringLiteral("missing");
    case PortProblem::Kind::Busy: return QStringLiteral("busy");
    case PortProblem::Kind::Permission: return QStringLiteral("permission");
    }
    return {};
}

void RunReport::markLastCommand(Outcome outcome)
{
    if (!commands.isEmpty()) commands.last().outcome = outcome;
}

void RunReport::markCommand(int k, Outcome outcome)
{
    for (Command& c : commands)
        if (c.k == k) c.outcome = outcome;
}

QString JsonHelpText()
{
    return QStringLiteral(R"help(
JSON output:
  search, read and send with --json print one object on standard output when they end,
  whatever the outcome; messages still go to standard error as text. Keys:
  command       "search", "read" or "send"
  status        the exit status
  found         what the search found, or null: {"mode": "direct" or "controller",
                "com": 1 or 2, "device": the device file, "units": 1 or 2, "ids": the
                units' RS-485 IDs through a controller ([] in direct mode)}; send: the
                units it addresses (a file planning at most four projectors: unit 1)
  portProblems  the ports the search could not use: [{"com", "device", "problem":
                "missing", "busy" or "permission", "text" ("in use by PID 1234
                (minicom)"), "pid" and "process" (busy; else null)}]
  file          (read, send) the configuration file
  saved         (read) true once the file is written
  commands      (send) each command that went out, in order: [{"k", "n", "unit",
                "command" ("BLKGN screen 3"), "outcome": "sent", "failed" (the link gave
                up on it; nothing followed), "invalid" (its value could not be sent;
                nothing followed) or "skipped" (its value is out of range; left out,
                the send went on)}]
  sent          (send) the number of commands the units took
  messages      every message told on standard error, one string each
  ports --json prints {"ports": [{"com" (1, 2 or null), "device", "stableName",
  "description", "manufacturer", "serialNumber", "inUse", "pid" and "process" (null when
  free)}]}.
)help");
}

std::string RunReportJson(const RunReport& r, int status)
{
    QJsonObject o{{"command", r.command},
                  {"status", status},
                  {"found", r.connection ? QJsonValue(Found(*r.connection)) : QJsonValue()}};
    QJsonArray troubles;
    for (const RunReport::PortTrouble& t : r.portTroubles) troubles.append(Trouble(t));
    o.insert("portProblems", troubles);
    if (r.command != QLatin1String("search")) o.insert("file", r.file);
    if (r.command == QLatin1String("read")) o.insert("saved", r.saved);
    if (r.command == QLatin1String("send")) {
        QJsonArray commands;
        for (const RunReport::Command& c : r.commands)
            commands.append(QJsonObject{{"k", c.k},
                                        {"n", c.n},
                                        {"unit", c.unit},
                                        {"command", c.what},
                                        {"outcome", QLatin1String(OutcomeKey(c.outcome))}});
        o.insert("commands", commands);
        o.insert("sent", r.sent);
    }
    o.insert("messages", QJsonArray::fromStringList(r.messages));
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace kalvora::cli
