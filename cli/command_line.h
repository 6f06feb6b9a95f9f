#pragma once
// kalvora-cli's command line: QCommandLineParser with every option and command of the tables in
// command_line.cpp. Options may stand anywhere before "--", as "--name VALUE" or "--name=VALUE";
// everything after "--" is an operand even when it begins with '-'. A word beginning with "--"
// is never an option's value.

#include <QString>
#include <QStringList>

namespace kalvora::cli {

struct CliOptions {
    // Options of every command.
    QString com1, com2;  // empty: not given
    int retries = 2;
    bool verbose = false;
    bool quiet = false;  // -q: no progress lines
    double clockScale = 1.0;
    bool help = false;
    bool version = false;
    // Options of one command.
    QString output;      // read -o FILE
    bool json = false;   // show, diff, search, read, send, ports --json
    bool changed = false;  // send --changed
    QString trace;       // search/read --trace FILE: the serial traffic of the run
    // The command and its operands.
    QString command;
    QStringList operands;

    bool operator==(const CliOptions&) const = default;
};

struct ParsedCommandLine {
    CliOptions options;
    QString error;  // empty when the command line is good; else what is wrong, in one line
};

// `args` are the arguments after the program name. With --help (before "--") the other checks
// are skipped, so help is given whatever else the line holds.
ParsedCommandLine ParseCommandLine(const QStringList& args);

}  // namespace kalvora::cli
