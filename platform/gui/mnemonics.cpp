#include "platform/gui/mnemonics.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QWidget>

namespace kalvora {

QString ShownText(const QString& caption)
{
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    return out;
}

QChar MnemonicOf(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

QString WithMnemonic(const QString& shown, QSet<QChar>& taken)
{
    auto usable = [&](qsizetype i) { return shown[i].isLetterOrNumber() && !taken.contains(shown[i].toUpper()); };
    qsizetype at = -1;
    for (qsizetype i = 0; i < shown.size() && at < 0; ++i)
        if ((i == 0 || !shown[i - 1].isLetterOrNumber()) && usable(i)) at = i;
    for (qsizetype i = 0; i < shown.size() && at < 0; ++i)
        if (usable(i)) at = i;
    QString out;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == at) out += QLatin1Char('&');
        out += shown[i];
        if (shown[i] == QLatin1Char('&')) out += QLatin1Char('&');
    }
    if (at >= 0) taken.insert(shown[at].toUpper());
    return out;
}

void AssignMnemonics(const QList<QAbstractButton*>& buttons, QSet<QChar> taken)
{
    for (QAbstractButton* b : buttons)
        if (QChar m = MnemonicOf(b->text()); !m.isNull()) taken.insert(m);
    for (QAbstractButton* b : buttons)
        if (MnemonicOf(b->text()).isNull()) b->setText(WithMnemonic(ShownText(b->text()), taken));
}

QList<QAbstractButton*> PushButtonsOf(QWidget* root)
{
    QList<QAbstractButton*> out;
    for (QPushButton* b : root->findChildren<QPushButton*>()) out << b;
    return out;
}

}  // namespace kalvora
