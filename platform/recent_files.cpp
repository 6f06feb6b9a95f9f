#include "platform/recent_files.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "platform/ini_section.h"

namespace kalvora {
namespace {

const QString kSection = QStringLiteral("[RecentFiles]");
const QString kFolderKey = QStringLiteral("Folder");

// "File1" .. "File8": the number, else 0.
int FileNumber(const QString& key)
{
    static const QRegularExpression fileKey(QStringLiteral("^File([1-9][0-9]?)$"));
    const QRegularExpressionMatch m = fileKey.match(key);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

}  // namespace

void RecentFiles::use(const QString& path)
{
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > kMax) files.removeLast();
    folder = info.absolutePath();
}

void RecentFiles::remove(const QString& path) { files.removeAll(QFileInfo(path).absoluteFilePath()); }

RecentFiles LoadRecentFiles(const QString& file)
{
    RecentFiles recent;
    QStringList byNumber(RecentFiles::kMax);
    for (const auto& [key, value] : LoadIniSection(file, kSection)) {
        if (key == kFolderKey) recent.folder = value;
        const int n = FileNumber(key);
        if (n >= 1 && n <= RecentFiles::kMax) byNumber[n - 1] = value;
    }
    // Only absolute paths, each once, in the order of their numbers (a gap closes up).
    for (const QString& path : byNumber)
        if (!path.isEmpty() && QFileInfo(path).isAbsolute() && !recent.files.contains(path)) recent.files << path;
    if (!recent.folder.isEmpty() && !QFileInfo(recent.folder).isAbsolute()) recent.folder.clear();
    return recent;
}

bool SaveRecentFiles(const QString& file, const RecentFiles& recent, QString* reason)
{
    IniValues ours;
    if (!recent.folder.isEmpty()) ours.append({kFolderKey, recent.folder});
    for (int i = 0; i < recent.files.size() && i < RecentFiles::kMax; ++i)
        ours.append({QStringLiteral("File%1").arg(i + 1), recent.files[i]});
    return SaveIniSection(
        file, kSection, [](const QString& key) { return key == kFolderKey || FileNumber(key) > 0; }, ours, reason);
}

}  // namespace kalvora
