#pragma once
// The start-up checks that run before the windows exist.

#include <QString>

namespace kalvora {

class Operator;
class SingleInstance;
class TKalvoraForm;

inline const QString kMsgAlreadyRunning =
    QStringLiteral("Error! Already have an instance of the Kalvora running. Exiting application.");

// True when this start is to end at once (exit status 0): another instance is running. Then the
// operator has been told and the running instance asked to bring its window to the front and
// to open `file` (a configuration file this start was given), if any.
bool HandOverToRunningInstance(SingleInstance& instance, Operator& op, const QString& file = QString());

// A later start's request brings the window to the front and opens the file it was given.
void RaiseOnActivation(SingleInstance& instance, TKalvoraForm& form);

}  // namespace kalvora
