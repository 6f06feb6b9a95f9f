#pragma once
// How kalvora-cli writes: text to standard output or standard error, written through at once
// (a script reading both sees them in order); the usage fault; a file operation's failure.

#include <QString>
#include <cstdio>

namespace kalvora {
struct ConfigFileResult;
}

namespace kalvora::cli {

class TerminalOperator;

void Print(std::FILE* f, const QString& text);
// "kalvora-cli: PROBLEM" and where to find help, on standard error; returns kExitUsage.
int Usage(const QString& problem);
// The message of a file operation, then the file and the system's reason.
void ReportFileFailure(TerminalOperator& op, const ConfigFileResult& r, const QString& file);

}  // namespace kalvora::cli
