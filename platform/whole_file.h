#pragma once
// Whole-file reads and replacements that never lose the previous file and never block.
//
// A replacement is written to a temporary file of its own beside the target (named for the
// process, so saves running side by side never share one, and the next save removes what a
// killed one left), synced, and renamed
// over the target only once every write, sync and close has succeeded. Only regular files are
// replaced; a symbolic link to a regular file is written through to its target and kept.
// A read refuses anything that is not a regular file before opening it (a FIFO or a device
// would block or have side effects), and opens without blocking.

#include <QByteArray>
#include <QString>

namespace kalvora {

struct FileResult {
    bool ok = false;
    QString reason;  // the system's reason on failure, e.g. "No space left on device"
};

// Replaces `path` with exactly `bytes`.
FileResult ReplaceWholeFile(const QString& path, const QByteArray& bytes);

// Writes an output the operator names (a trace, a report): a regular file, or a new one, is
// replaced as above; a character device or a FIFO (/dev/null, /dev/stdout, a pipe) is written
// straight into, never replaced, and a FIFO without a reader fails at once; anything else is
// refused.
FileResult WriteOutputFile(const QString& path, const QByteArray& bytes);

// Reads a regular file of at most `maxBytes` bytes. A larger file gives ok with the first
// maxBytes + 1 bytes, so the caller sees it is too big.
FileResult ReadWholeFile(const QString& path, qsizetype maxBytes, QByteArray& bytes);

}  // namespace kalvora
