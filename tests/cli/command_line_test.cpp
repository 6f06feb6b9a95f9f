// kalvora-cli's command line: both forms of every option, "--", options around the command, and
// the one-line message for each kind of fault.
#include <gtest/gtest.h>

#include "cli/command_line.h"
#include "app/qt_print.h"

namespace kalvora::cli {

void PrintTo(const CliOptions& o, std::ostream* os)
{
    *os << "{com1 " << o.com1.toStdString() << ", com2 " << o.com2.toStdString() << ", retries " << o.retries
        << ", verbose " << o.verbose << ", quiet " << o.quiet << ", clock scale " << o.clockScale << ", help " << o.help << ", output "
        << o.output.toStdString() << ", json " << o.json << ", changed " << o.changed << ", command " << o.command.toStdString() << ", operands "
        << o.operands.join(' ').toStdString() << '}';
}

namespace {

CliOptions Command(const char* command, QStringList operands = {})
{
    CliOptions o;
    o.command = QString::fromLatin1(command);
    o.operands = operands;
    return o;
}

TEST(CommandLine, BothFormsOfEveryOptionAndTheEndOfOptions)
{
    struct Case {
        QStringList args;
        CliOptions want;
    };
    const auto with = [](CliOptions o, auto change) {
        change(o);
        return o;
    };
    const Case cases[] = {
        {{"--clock-scale=0.5", "--retries=3", "search"},
         with(Command("search"), [](CliOptions& o) { o.clockScale = 0.5; o.retries = 3; })},
        {{"--clock-scale", "0.25", "--retries", "0", "search"},
         with(Command("search"), [](CliOptions& o) { o.clockScale = 0.25; o.retries = 0; })},
        {{"--com1", "/dev/a", "search", "--com2=/dev/b", "-v"},
         with(Command("search"), [](CliOptions& o) { o.com1 = "/dev/a"; o.com2 = "/dev/b"; o.verbose = true; })},
        {{"--com1=/dev/x=y", "--verbose", "search"},
         with(Command("search"), [](CliOptions& o) { o.com1 = "/dev/x=y"; o.verbose = true; })},
        {{"--com1", "rfc2217://10.0.0.5:4001", "--com2=socket://[::1]:2000", "search"},
         with(Command("search"), [](CliOptions& o) { o.com1 = "rfc2217://10.0.0.5:4001"; o.com2 = "socket://[::1]:2000"; })},
        {{"read", "-o", "wall.tnc"}, with(Command("read"), [](CliOptions& o) { o.output = "wall.tnc"; })},
        {{"--output=wall.tnc", "read"}, with(Command("read"), [](CliOptions& o) { o.output = "wall.tnc"; })},
        {{"read", "--output", "-wall.tnc"}, with(Command("read"), [](CliOptions& o) { o.output = "-wall.tnc"; })},
        // After '=' a value may begin with "--"; as the next word it is an option.
        {{"read", "--output=--wall.tnc"}, with(Command("read"), [](CliOptions& o) { o.output = "--wall.tnc"; })},
        {{"--com1=--x", "search"}, with(Command("search"), [](CliOptions& o) { o.com1 = "--x"; })},
        {{"show", "wall.tnc", "--json"}, with(Command("show", {"wall.tnc"}), [](CliOptions& o) { o.json = true; })},
        {{"--json", "show", "wall.tnc"}, with(Command("show", {"wall.tnc"}), [](CliOptions& o) { o.json = true; })},
        {{"show", "--", "-f.tnc"}, Command("show", {"-f.tnc"})},
        {{"send", "--changed", "wall.tnc"}, with(Command("send", {"wall.tnc"}), [](CliOptions& o) { o.changed = true; })},
        {{"--com2", "none", "send", "wall.tnc"}, with(Command("send", {"wall.tnc"}), [](CliOptions& o) { o.com2 = "none"; })},
        {{"diff", "wall.tnc", "--json"}, with(Command("diff", {"wall.tnc"}), [](CliOptions& o) { o.json = true; })},
        {{"show", "--", "--help"}, Command("show", {"--help"})},
        {{"--", "show", "--json"}, Command("show", {"--json"})},
        {{"show", "-"}, Command("show", {"-"})},
        {{"search", "--trace=t.txt"}, with(Command("search"), [](CliOptions& o) { o.trace = "t.txt"; })},
        {{"--trace", "t.txt", "read", "-o", "w.tnc"},
         with(Command("read"), [](CliOptions& o) { o.trace = "t.txt"; o.output = "w.tnc"; })},
        {{"--retries", "-0", "search"}, with(Command("search"), [](CliOptions& o) { o.retries = 0; })},
        {{"-q", "send", "w.tnc"}, with(Command("send", {"w.tnc"}), [](CliOptions& o) { o.quiet = true; })},
        {{"search", "--quiet", "--json"}, with(Command("search"), [](CliOptions& o) { o.quiet = true; o.json = true; })},
        {{"read", "--json", "-o", "w.tnc"}, with(Command("read"), [](CliOptions& o) { o.json = true; o.output = "w.tnc"; })},
        {{"send", "w.tnc", "--json"}, with(Command("send", {"w.tnc"}), [](CliOptions& o) { o.json = true; })},
        {{"ports", "--json"}, with(Command("ports"), [](CliOptions& o) { o.json = true; })},
        {{"ports"}, Command("ports")},
        // Help wins over everything else before "--".
        {{"frobnicate", "--bogus", "-h"}, with(CliOptions{}, [](CliOptions& o) { o.help = true; })},
        {{"--retries=x", "--help"}, with(CliOptions{}, [](CliOptions& o) { o.help = true; })},
        {{"send", "w.tnc", "--version"}, with(CliOptions{}, [](CliOptions& o) { o.version = true; })},
        {{"search", "--com1", "--help"}, with(CliOptions{}, [](CliOptions& o) { o.help = true; })},
        {{"--trace", "--version", "--help"}, with(CliOptions{}, [](CliOptions& o) { o.version = true; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ParsedCommandLine p = ParseCommandLine(c.args);
        EXPECT_EQ(p.error, QString());
        EXPECT_EQ(p.options, c.want);
    }
}

TEST(CommandLine, EachFaultHasItsMessage)
{
    struct Case {
        QStringList args;
        QString error;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"--", "--verbose"}, "unknown command '--verbose'"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"--frob", "search"}, "unknown option '--frob'"},
        {{"--frob=1", "search"}, "unknown option '--frob'"},
        {{"-x", "search"}, "unknown option '-x'"},
        {{"-v=1", "search"}, "unknown option '-v=1'"},
        {{"--verbose=1", "search"}, "--verbose takes no value"},
        {{"search", "--com1"}, "--com1 needs a value: --com1 DEVICE"},
        {{"--com1", "--json", "show", "a"}, "--com1 needs a value: --com1 DEVICE"},
        {{"read", "-o", "--", "x.tnc"}, "-o needs a value: -o FILE.tnc"},
        {{"--retries", "--", "search"}, "--retries needs a value: --retries N"},
        {{"--com1=", "search"}, "--com1 needs a device, for example --com1 /dev/ttyUSB0"},
        {{"--com2", "", "search"}, "--com2 needs a device, for example --com2 /dev/ttyUSB0"},
        {{"--com2", "socket://rack", "search"},
         "--com2: 'socket://rack' is not a network port: the port number is missing; expected socket://HOST:PORT or "
         "rfc2217://HOST:PORT"},
        {{"--retries=1001", "search"}, "--retries needs a number from 0 to 1000, not '1001'"},
        {{"--retries", "-1", "search"}, "--retries needs a number from 0 to 1000, not '-1'"},
        {{"--retries=", "search"}, "--retries needs a number from 0 to 1000, not ''"},
        {{"--clock-scale=0", "search"}, "--clock-scale needs a number above 0 and at most 1, not '0'"},
        {{"--clock-scale=1.5", "search"}, "--clock-scale needs a number above 0 and at most 1, not '1.5'"},
        {{"--clock-scale=nan", "search"}, "--clock-scale needs a number above 0 and at most 1, not 'nan'"},
        {{"--clock-scale", "0,5", "search"}, "--clock-scale needs a number above 0 and at most 1, not '0,5'"},
        {{"search", "--changed"}, "search: --changed is not an option of this command"},
        {{"show", "a", "-o", "b"}, "show: --output is not an option of this command"},
        {{"search", "extra"}, "search: unexpected argument 'extra'"},
        {{"show", "a", "--trace", "t.txt"}, "show: --trace is not an option of this command"},
        {{"--trace=", "search"}, "--trace needs a file, for example --trace traffic.txt"},
        {{"show"}, "show: no configuration file given"},
        {{"show", "a", "b"}, "show: unexpected argument 'b'"},
        {{"read"}, "read: no output file given (-o FILE.tnc)"},
        {{"read", "-o"}, "-o needs a value: -o FILE.tnc"},
        {{"read", "-o", "a", "--output=b"}, "--output is given more than once"},
        {{"read", "x.tnc"}, "read: unexpected argument 'x.tnc'"},
        {{"send"}, "send: no configuration file given"},
        {{"diff", "a", "b"}, "diff: unexpected argument 'b'"},
        {{"show", "a", "--changed"}, "show: --changed is not an option of this command"},
        {{"ports", "-o", "a"}, "ports: --output is not an option of this command"},
        {{"ports", "extra"}, "ports: unexpected argument 'extra'"},
        {{"-q", "-v", "search"}, "-q and -v cannot be used together"},
        {{"read", "--json", "-o", "-"}, "read: --json and -o - cannot share standard output; name a file"},
        {{"send", "a.tnc", "--json", "--trace", "/dev/stdout"},
         "send: --json and --trace /dev/stdout cannot share standard output; name a file"},
        {{"--trace=/dev/fd/1", "search", "--json"}, "search: --json and --trace /dev/fd/1 cannot share standard output; name a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(ParseCommandLine(c.args).error, c.error);
    }
}

}  // namespace
}  // namespace kalvora::cli
