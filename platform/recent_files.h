#pragma once
// The configuration files used last and the folder of the last one, kept between runs in the
// [RecentFiles] section of the user's kalvora.conf (the file the COM choice lives in).

#include <QString>
#include <QStringList>

namespace kalvora {

struct RecentFiles {
    static constexpr int kMax = 8;
    QStringList files;  // most recent first, absolute paths, no repeats
    QString folder;     // where the file dialogs start; empty: their own default
    bool operator==(const RecentFiles&) const = default;

    // `path` becomes the first file (moved up when already listed) and its folder the folder;
    // the oldest goes beyond kMax.
    void use(const QString& path);
    void remove(const QString& path);
};

// Read without blocking from a regular file only; anything else reads as empty.
RecentFiles LoadRecentFiles(const QString& file);
// Rewrites only the [RecentFiles] keys of `file`, the rest kept, through a whole-file
// replacement. The reason on failure.
bool SaveRecentFiles(const QString& file, const RecentFiles& recent, QString* reason = nullptr);

}  // namespace kalvora
