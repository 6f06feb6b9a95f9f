#pragma once
// What kalvora, kalvora-cli and kalvora-sim share on their command lines, read with
// QCommandLineParser: the arguments as strings, what the parser found wrong (each program words
// its own message), the options in the order given, and COM1 and COM2.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora {

struct PortOptions;

// The arguments after the program name. Every name a program takes from its command line (a
// file, a device) comes through here.
QStringList ProgramArguments(int argc, char** argv);

// Why QCommandLineParser::parse() failed, with the word as it was typed.
struct CommandLineFault {
    enum class Kind {
        None,
        UnknownOption,    // "--frob", "--frob=1", "-x"
        MissingValue,     // the last word is an option that needs a value
        UnexpectedValue,  // "--verbose=1": an option without a value given one
        Other,            // word: the parser's own text
    };
    Kind kind = Kind::None;
    QString word;  // the argument as typed
    QString name;  // the word up to '=': "--frob", "--verbose", "-v"
};
// `arguments` are the words after the program name, as given to parse().
CommandLineFault ParseFault(const QCommandLineParser& parser, const QStringList& arguments);

// One option found on the command line. QCommandLineParser keeps the names apart from the
// values; options that act in order ("--real-durations" then "--rgbadj-ms") and messages that
// name the first fault need them together, in the order given.
struct GivenOption {
    int option;     // its index in the list the parser was given
    QString typed;  // its name as typed: "-o", "--output"
    QString value;  // empty for an option without a value
    // The parser takes the next word as the value whatever it is; kalvora and kalvora-cli take
    // a word beginning with "--" there for an option that stands where the value should
    // ("--com1 --json"). After '=' such a value is one ("--output=--x.tnc").
    bool valueIsOption = false;
};
// `arguments` are the words after the program name, as given to parse().
QList<GivenOption> GivenOptions(const QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                                const QStringList& arguments);

// --com1 DEVICE and --com2 DEVICE, which kalvora and kalvora-cli take alike.
QList<QCommandLineOption> ComPortOptions();
// Why `device` cannot be what `option` ("--com1") names, in one line; empty when it can.
QString ComDeviceProblem(const QString& option, const QString& device);
// COM1 and COM2 as the parser found them (ComPortOptions() added), the last of each. The first
// problem of a device given goes to `error` unless it holds one already.
PortOptions ComPortsGiven(const QCommandLineParser& parser, const QStringList& arguments, QString* error);

}  // namespace kalvora
