#pragma once
// What a run of search, read or send did, gathered while it runs and written at its end as one
// JSON document on standard output (--json): what was found, the ports that could not be used,
// the file, every command of a send with its outcome, what the operator was told, and the exit
// status. One schema for the three commands; the help text shows it.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "platform/port_open_error.h"

namespace kalvora::cli {

struct RunReport {
    struct Connection {
        QString mode;  // "direct" or "controller"
        int com = 0;   // 1 or 2
        QString device;
        int units = 0;
        QStringList ids;  // the units' RS-485 IDs through a controller; empty in direct mode
    };
    struct PortTrouble {
        int com = 0;
        PortProblem problem;
    };
    enum class Outcome { Sent, Failed, Invalid, Skipped };
    struct Command {
        int k = 0, n = 0, unit = 0;
        QString what;
        Outcome outcome = Outcome::Sent;
    };

    QString command;
    std::optional<Connection> connection;  // none: nothing was found
    QList<PortTrouble> portTroubles;
    QString file;             // read: the file written; send: the file sent
    bool saved = false;       // read: the file was written
    bool sendRan = false;     // send: the sending began
    QList<Command> commands;  // send: every command that went out, in order
    int sent = 0;             // send: the commands the units accepted
    QStringList messages;     // every line the operator was told on standard error

    // The last command of a send that ended early is marked with how it ended.
    void markLastCommand(Outcome outcome);
    // Command k (1..n) ended so.
    void markCommand(int k, Outcome outcome);
};

// {"command":"read","status":0,"found":{..}|null,"portProblems":[..],"file":..,"saved":..,
//  "commands":[..],"sent":N,"messages":[..]} and a newline. Keys a command has nothing for are
// left out: "file" and "saved" for search, "saved" for send, "commands" and "sent" for search
// and read.
std::string RunReportJson(const RunReport& report, int status);

// The help text's section on the document.
QString JsonHelpText();

// The name a problem has in JSON: "missing", "busy", "permission".
QString PortProblemKey(PortProblem::Kind kind);

}  // namespace kalvora::cli
