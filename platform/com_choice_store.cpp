// The COM choice in the user's kalvora.conf. The file is an INI file that other settings may
// share; only the two keys of [ComPorts] are read and rewritten here, the rest is kept as it is.
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "platform/serial_devices.h"
#include "platform/whole_file.h"

namespace kalvora {
namespace {

const QString kSection = QStringLiteral("[ComPorts]");
constexpr qsizetype kMaxSettingsBytes = 1024 * 1024;

// "COM1" for "COM1=..." or "COM1 = ...", else empty.
QString KeyOf(const QString& line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq > 0 ? line.left(eq).trimmed() : QString();
}

// A value as an INI file holds it: plain, or in double quotes with \" and \\ escaped.
QString ValueOf(const QString& line)
{
    QString v = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"'))) {
        QString out;
        for (qsizetype i = 1; i + 1 < v.size(); ++i) {
            if (v[i] == QLatin1Char('\\') && i + 2 < v.size()) ++i;
            out += v[i];
        }
        return out;
    }
    return v;
}

QString Quoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
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

ComChoice LoadComChoice(const QString& file)
{
    ComChoice choice;
    bool inSection = false;
    for (const QString& line : LinesOf(file)) {
        if (IsSection(line)) {
            inSection = line.trimmed() == kSection;
            continue;
        }
        if (!inSection) continue;
        const QString key = KeyOf(line);
        if (key == QLatin1String("COM1")) choice.com1 = ValueOf(line);
        if (key == QLatin1String("COM2")) choice.com2 = ValueOf(line);
    }
    return choice;
}

bool SaveComChoice(const QString& file, const ComChoice& choice, QString* reason)
{
    QStringList kept;
    int section = -1;
    bool inSection = false;
    for (const QString& line : LinesOf(file)) {
        if (IsSection(line)) {
            inSection = line.trimmed() == kSection;
            if (inSection) section = int(kept.size());
        } else if (inSection && (KeyOf(line) == QLatin1String("COM1") || KeyOf(line) == QLatin1String("COM2"))) {
            continue;
        }
        kept << line;
    }
    QStringList ours;
    if (!choice.com1.isEmpty()) ours << QStringLiteral("COM1=") + Quoted(choice.com1);
    if (!choice.com2.isEmpty()) ours << QStringLiteral("COM2=") + Quoted(choice.com2);
    if (section < 0 && !ours.isEmpty()) {
        if (!kept.isEmpty() && !kept.back().isEmpty()) kept << QString();
        kept << kSection;
        section = int(kept.size()) - 1;
    }
    for (int i = 0; section >= 0 && i < ours.size(); ++i) kept.insert(section + 1 + i, ours[i]);

    QDir().mkpath(QFileInfo(file).absolutePath());
    QByteArray bytes = kept.join(QLatin1Char('\n')).toUtf8();
    if (!bytes.isEmpty()) bytes += '\n';
    const FileResult r = ReplaceWholeFile(file, bytes);
    if (!r.ok && reason) *reason = r.reason;
    return r.ok;
}

}  // namespace kalvora
