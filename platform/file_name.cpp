#include "platform/file_name.h"

#include <QFile>
#include <algorithm>

namespace kalvora {

std::optional<QString> ExactFileName(const QByteArray& bytes)
{
    if (bytes.contains('\0')) return std::nullopt;
    QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) != bytes) return std::nullopt;
    return name;
}

QString ShownFileName(const QByteArray& bytes)
{
    QString shown;
    for (qsizetype at = 0; at < bytes.size();) {
        // The longest piece from here (one UTF-8 sequence is at most 4 bytes) that is text.
        qsizetype length = std::min<qsizetype>(4, bytes.size() - at);
        for (; length > 0; --length) {
            const QByteArray piece = bytes.mid(at, length);
            if (!piece.contains('\0') && QFile::encodeName(QFile::decodeName(piece)) == piece) break;
        }
        if (length == 0) {
            shown += QString::asprintf("\\x%02X", uchar(bytes[at]));
            ++at;
        } else {
            shown += QFile::decodeName(bytes.mid(at, length));
            at += length;
        }
    }
    return shown;
}

}  // namespace kalvora
