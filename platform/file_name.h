#pragma once
// Paths as the system gives them (bytes) and as Qt opens files (text). Qt converts a name by the
// system's encoding, UTF-8: bytes that are not valid UTF-8 come out changed, and a file of
// another name would be opened. Such a name is refused rather than guessed at.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kalvora {

// The name Qt opens the file `bytes` by, when that is exactly `bytes`; nothing for bytes that
// are not valid text in the system's encoding, or that hold a NUL.
std::optional<QString> ExactFileName(const QByteArray& bytes);
// `bytes` to be shown in a message: text where they are text, each other byte as \xHH.
QString ShownFileName(const QByteArray& bytes);

}  // namespace kalvora
