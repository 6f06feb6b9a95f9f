#pragma once
// Whole-file reads and replacements that never lose the previous file and never block.
//
// A replacement is written to one temporary file beside the target (a fixed name, so a program
// killed in the middle leaves at most one, which the next save removes), synced, and renamed
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

// The temporary file a replacement of `target` (after following a symbolic link) goes through.
QString ReplacementTempPath(const QString& target);

// Replaces `path` with exactly `bytes`.
FileResult ReplaceWholeFile(const QString& path, const QByteArray& bytes);

// Reads a regular file of at most `maxBytes` bytes. A larger file gives ok with the first
// maxBytes + 1 bytes, so the caller sees it is too big.
FileResult ReadWholeFile(const QString& path, qsizetype maxBytes, QByteArray& bytes);

}  // namespace kalvora
