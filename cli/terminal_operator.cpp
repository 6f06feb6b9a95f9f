#include "cli/terminal_operator.h"

#include "cli/json_output.h"
#include "link/link.h"

namespace kalvora::cli {

void TerminalOperator::print(const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
    if (report) report->messages << line;
}

namespace {

// The window's menu is no help on a terminal.
QString ForTerminal(QString text)
{
    text.replace(QStringLiteral("3) Go to 'Serial Port->Search for Tornel(s)->Search' menu item for the Kalvora to "
                                "search for Tornel(s) again."),
                 QStringLiteral("3) Run 'kalvora-cli search' to search for Tornel(s) again."));
    return text;
}

bool IsRetriedFault(const QString& text) { return text == kMsgTimeout || text == kMsgControllerNoResponse; }

}  // namespace

void TerminalOperator::showMessage(const QString& text, const QString& title)
{
    if (IsRetriedFault(text)) {
        pendingFaults_ << text;
        if (verbose) print(text + QStringLiteral(" [trying again]"));
        return;
    }
    flushFaults(false);
    const QString shown = ForTerminal(text);
    // On standard error a program's message names the program first.
    print(QStringLiteral("kalvora-cli: ") +
          (title.isEmpty() || title == kApplicationTitle ? shown : title + QStringLiteral(": ") + shown));
}

bool TerminalOperator::askYesNo(const QString& title, const QString& text)
{
    if (verbose)
        print(title + QStringLiteral(": ") + text + (yesNoAnswer ? QStringLiteral(" [Yes]") : QStringLiteral(" [No]")));
    return yesNoAnswer;
}

void TerminalOperator::flushFaults(bool recovered)
{
    const QStringList faults = pendingFaults_;
    pendingFaults_.clear();
    if (recovered) {
        // Each kind once, with how often it was retried.
        QStringList seen;
        for (const QString& f : faults) {
            if (seen.contains(f)) continue;
            seen << f;
            const auto n = faults.count(f);
            print(QStringLiteral("Recovered by trying again%1: %2")
                      .arg(n > 1 ? QStringLiteral(" (%1 times)").arg(n) : QString(), f));
        }
    } else if (!verbose) {  // verbose runs have shown them as they came
        for (const QString& f : faults) print(f);
    }
}

void TerminalOperator::finishRun(bool succeeded) { flushFaults(succeeded); }

bool TerminalOperator::retryOrGiveUp(const QString& title, const QString& text, const char* yes, const char* no)
{
    flushFaults(false);  // the question is about them
    const bool again = retriesGiven_ < retries;
    if (again)
        ++retriesGiven_;
    else
        gaveUp_ = true;
    print(title + QStringLiteral(": ") + text + QStringLiteral(" [") + QLatin1String(again ? yes : no) +
          QStringLiteral("]"));
    return again;
}

bool TerminalOperator::askOkCancel(const QString& title, const QString& text)
{
    return retryOrGiveUp(title, text, "OK", "Cancel");
}

bool TerminalOperator::askRetryCancel(const QString& title, const QString& text)
{
    return retryOrGiveUp(title, text, "Retry", "Cancel");
}

void TerminalOperator::setStatus(const QString& text)
{
    if (verbose && !text.isEmpty() && text != lastStatus_) print(text);
    lastStatus_ = text;
}

}  // namespace kalvora::cli
