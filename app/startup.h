#pragma once
// The start-up checks that run before the windows exist.

#include <QByteArray>
#include <QString>

namespace kalvora {

class Operator;
class SingleInstance;
class TKalvoraForm;

inline const QString kMsgAlreadyRunning =
    QStringLiteral("Error! Already have an instance of the Kalvora running. Exiting application.");

// True when this start is to end at once (exit status 0): another instance is running. Then the
// operator has been told and the running instance asked to bring its window to the front and
// to open `fileName` (a configuration file this start was given, its path's bytes), if any.
bool HandOverToRunningInstance(SingleInstance& instance, Operator& op, const QByteArray& fileName = QByteArray());

// The file named on the command line, by its path's bytes as the system names it. `parsed` is
// that argument as the command line was read (text, made absolute); an argument that is not
// valid text came out of that changed, and its own bytes (made absolute) are taken instead.
QByteArray CommandLineFileName(const QString& parsed, int argc, const char* const* argv);

// A later start's request brings the window to the front and opens the file it was given.
void RaiseOnActivation(SingleInstance& instance, TKalvoraForm& form);

}  // namespace kalvora
