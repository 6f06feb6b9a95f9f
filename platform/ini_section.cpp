#include "platform/ini_section.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "platform/whole_file.h"

namespace kalvora {
namespace {

constexpr qsizetype kMaxSettingsBytes = 1024 * 1024;

// "COM1" for "COM1=..." or "COM1 = ...", else empty.
QString KeyOf(const QString& line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq > 0 ? line.left(eq).trimmed() : QString();
}

// A value as an INI file holds it: plain or in double quotes, with \" and \\ escaped in either
// (QSettings writes a value with quotes in it unquoted, the quotes escaped).
QString ValueOf(const QString& line)
{
    QString v = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    const bool quoted = v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"'));
    if (quoted) v = v.mid(1, v.size() - 2);
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == QLatin1Char('\\') && i + 1 < v.size()) ++i;
        out += v[i];
    }
    return out;
}

QString Quoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    // A value is one line of the file.
    v.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

bool IsSection(const QString& line) { return line.trimmed().startsWith(QLatin1Char('[')); }

QStringList LinesOf(const QString& file)
{
    QByteArray bytes;
    if (!ReadWholeFile(file, kMaxSettingsBytes, bytes).ok || bytes.size() > kMaxSettingsBytes) return {};
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

IniValues LoadIniSection(const QString& file, const QString& section)
{
    IniValues values;
    bool inSection = false;
    for (const QString& line : LinesOf(file)) {
        if (IsSection(line)) {
            inSection = line.trimmed() == section;
            continue;
        }
        const QString key = KeyOf(line);
        if (inSection && !key.isEmpty()) values.append({key, ValueOf(line)});
    }
    return values;
}

bool SaveIniSection(const QString& file, const QString& section, const std::function<bool(const QString& key)>& owned,
                    const IniValues& values, QString* reason)
{
    QStringList kept;
    int at = -1;
    bool inSection = false;
    for (const QString& line : LinesOf(file)) {
        if (IsSection(line)) {
            inSection = line.trimmed() == section;
            if (inSection) at = int(kept.size());
        } else if (inSection && !KeyOf(line).isEmpty() && owned(KeyOf(line))) {
            continue;
        }
        kept << line;
    }
    QStringList ours;
    for (const auto& [key, value] : values) ours << key + QLatin1Char('=') + Quoted(value);
    if (at < 0 && !ours.isEmpty()) {
        if (!kept.isEmpty() && !kept.back().isEmpty()) kept << QString();
        kept << section;
        at = int(kept.size()) - 1;
    }
    for (int i = 0; at >= 0 && i < ours.size(); ++i) kept.insert(at + 1 + i, ours[i]);

    QDir().mkpath(QFileInfo(file).absolutePath());
    QByteArray bytes = kept.join(QLatin1Char('\n')).toUtf8();
    if (!bytes.isEmpty()) bytes += '\n';
    const FileResult r = ReplaceWholeFile(file, bytes);
    if (!r.ok && reason) *reason = r.reason;
    return r.ok;
}

}  // namespace kalvora
