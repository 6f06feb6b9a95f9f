#include "cli/terminal_operator.h"

namespace kalvora::cli {

void TerminalOperator::print(const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void TerminalOperator::showMessage(const QString& text, const QString& title)
{
    print(title.isEmpty() || title == kApplicationTitle ? text : title + QStringLiteral(": ") + text);
}

bool TerminalOperator::askYesNo(const QString& title, const QString& text)
{
    print(title + QStringLiteral(": ") + text + (yesNoAnswer ? QStringLiteral(" [Yes]") : QStringLiteral(" [No]")));
    return yesNoAnswer;
}

bool TerminalOperator::retryOrGiveUp(const QString& title, const QString& text, const char* yes, const char* no)
{
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
