#pragma once
// The operator of the command-line tool: nobody sits at the controls, so every message goes to
// standard error and every question gets a stated default answer (see --help). Retry questions
// are answered Retry a bounded number of times and then Cancel, so a dead line ends the run.

#include <QString>
#include <QStringList>
#include <cstdio>

#include "platform/operator.h"

namespace kalvora::cli {

struct RunReport;

class TerminalOperator : public Operator {
public:
    explicit TerminalOperator(std::FILE* out = stderr) : out_(out) {}

    bool yesNoAnswer = false;  // the answer to Yes/No questions
    int retries = 2;           // OK or Retry answers given before the first Cancel
    bool verbose = false;      // also print the status-bar texts
    RunReport* report = nullptr;  // when set, also gets every line told (for --json)

    // True once a Retry/Cancel or OK/Cancel question has been answered Cancel: the run gave up.
    bool gaveUp() const { return gaveUp_; }

    void showMessage(const QString& text, const QString& title = kApplicationTitle) override;
    bool askYesNo(const QString& title, const QString& text) override;
    bool askOkCancel(const QString& title, const QString& text) override;
    bool askRetryCancel(const QString& title, const QString& text) override;
    void setStatus(const QString& text) override;
    void setBusy(bool) override {}

    // The end of the run: faults the link recovered from by trying again are reported as
    // recovered retries when the run succeeded, and as the errors they were when it did not.
    void finishRun(bool succeeded);

private:
    // Faults reported while the link keeps trying (a timeout, "no response from the unit"):
    // held until the outcome is known.
    void flushFaults(bool recovered);
    bool retryOrGiveUp(const QString& title, const QString& text, const char* yes, const char* no);
    void print(const QString& line);

    std::FILE* out_;
    int retriesGiven_ = 0;
    bool gaveUp_ = false;
    QString lastStatus_;
    QStringList pendingFaults_;
};

}  // namespace kalvora::cli
