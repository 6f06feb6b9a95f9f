#pragma once
// kalvora-cli: search, read and show, for scripts and for a terminal.

#include <QStringList>

namespace kalvora::cli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;     // not found, communication or file error
constexpr int kExitUsage = 2;      // bad command line
constexpr int kExitGaveUp = 3;     // a retry question was answered Cancel after the bounded retries
// The command did its work (units found, file saved, settings sent), but what it had to print on
// standard output could not all be written (a pipe whose reader has ended, a full disk).
constexpr int kExitOutputLost = 5;

// Runs one command; `args` are the arguments after the program name.
int Run(const QStringList& args);
QString HelpText();

}  // namespace kalvora::cli
