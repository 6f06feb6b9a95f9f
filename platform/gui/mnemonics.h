#pragma once
// Keyboard mnemonics (Alt+letter) on captions: "&" before the letter, "&&" for a shown ampersand.

#include <QChar>
#include <QList>
#include <QSet>
#include <QString>

class QAbstractButton;
class QWidget;

namespace kalvora {

// The caption as drawn: the mnemonic marks gone, "&&" shown as one ampersand.
QString ShownText(const QString& caption);
// The mnemonic letter of a caption, upper case; a null QChar when it has none.
QChar MnemonicOf(const QString& caption);
// `shown` with a mnemonic added: the first letter of a word not in `taken`, else any letter or
// digit not in `taken` (unchanged when every one is taken). The letter goes into `taken`.
QString WithMnemonic(const QString& shown, QSet<QChar>& taken);

// Gives each of the buttons without a mnemonic one that none of the others and none of `taken`
// uses; the shown captions stay as they were.
void AssignMnemonics(const QList<QAbstractButton*>& buttons, QSet<QChar> taken);
// The push buttons below `root` (hidden ones too), for AssignMnemonics.
QList<QAbstractButton*> PushButtonsOf(QWidget* root);

}  // namespace kalvora
