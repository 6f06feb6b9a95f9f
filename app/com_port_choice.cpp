#include "app/com_port_choice.h"

#include <QMenu>

#include "app/com_port_menu.h"
#include "platform/network_port_address.h"
#include "platform/operator.h"
#include "platform/serial_port.h"

namespace kalvora {

ComPortChoice::ComPortChoice(SerialPort& port, Operator& op, QMenu* menu, QWidget* dialogParent)
    : QObject(dialogParent), port_(port), op_(op), menu_(menu), dialogParent_(dialogParent)
{
    if (menu_) {
        connect(menu_, &QMenu::aboutToShow, this, [this] {
            listDevices();
            show();
        });
    }
}

void ComPortChoice::listDevices() { devices_ = ListSerialDevices ? ListSerialDevices() : QList<SerialDeviceInfo>{}; }

void ComPortChoice::setDevices(const QString& com1, const QString& com2)
{
    port_.setDevice(1, com1);
    port_.setDevice(2, com2);
    listDevices();
    show();
}

void ComPortChoice::setChoice(const ComChoice& choice, const QString& file)
{
    choice_ = choice;
    choiceFile_ = file;
    show();
}

void ComPortChoice::chooseDevice(int n, const QString& name)
{
    if (n != 1 && n != 2) return;
    (n == 1 ? choice_.com1 : choice_.com2) = name;
    listDevices();
    const int other = 3 - n;
    // The other port keeps its device; resolving with it given finds this one's.
    PortOptions fixed;
    (other == 1 ? fixed.com1 : fixed.com2) = port_.device(other);
    QString com[3];
    ResolveComDevices(fixed, choice_, devices_, com[1], com[2]);
    // An automatic other port that now names the same device moves on to a free one.
    const QString otherChoice = other == 1 ? choice_.com1 : choice_.com2;
    const SerialDeviceInfo* mine = FindSerialDevice(devices_, com[n]);
    const SerialDeviceInfo* theirs = FindSerialDevice(devices_, com[other]);
    if (otherChoice.isEmpty() && mine && mine == theirs) {
        PortOptions keep;
        (n == 1 ? keep.com1 : keep.com2) = com[n];
        ComChoice automatic = choice_;
        (other == 1 ? automatic.com1 : automatic.com2).clear();
        ResolveComDevices(keep, automatic, devices_, com[1], com[2]);
    }
    port_.setDevice(1, com[1]);
    port_.setDevice(2, com[2]);
    if (!choiceFile_.isEmpty()) {
        QString reason;
        if (!SaveComChoice(choiceFile_, choice_, &reason))
            op_.setStatus(QStringLiteral("Note: the choice of serial device could not be saved in %1 (%2).")
                                    .arg(choiceFile_, reason));
    }
    // The menu item that ran this is still in use: the menu is rebuilt once it returns.
    QMetaObject::invokeMethod(this, &ComPortChoice::show, Qt::QueuedConnection);
}

void ComPortChoice::chooseNetworkPort(int n)
{
    if (n != 1 && n != 2) return;
    QString text = port_.isNetworkPort(n) ? port_.device(n) : QString();
    for (;;) {
        text = AskNetworkPortAddress ? AskNetworkPortAddress(n, text) : AskNetworkPortAddressDialog(dialogParent_, n, text);
        text = text.trimmed();
        if (text.isEmpty()) return;  // cancelled
        QString error;
        if (const auto address = ParseNetworkPortAddress(text, &error)) {
            chooseDevice(n, address->text());
            return;
        }
        op_.showMessage(QStringLiteral("Error! %1.").arg(error));
    }
}

void ComPortChoice::show()
{
    ComPortMenuState state{devices_, {port_.device(1), port_.device(2)}, choice_};
    ShowComPortMenu(menu_, state, [this](int n, const QString& name) { chooseDevice(n, name); },
                    [this](int n) { chooseNetworkPort(n); });
    for (int n = 1; n <= 2; ++n) {
        // A network port shows its server first; the whole address and its kind are in the tip.
        if (const auto address = ParseNetworkPortAddress(port_.device(n))) {
            emit deviceShown(n, address->shortText(),
                                address->text() + (address->protocol == NetworkPortAddress::Protocol::Raw
                                                       ? QStringLiteral("\nA port on a network serial server, raw "
                                                                        "TCP: the line settings are the server's.")
                                                       : QStringLiteral("\nA port on a network serial server, Telnet "
                                                                        "with COM port control: Kalvora sets the line.")),
                                // The server's name gives way first; its port and kind stay.
                                int(address->shortText().size() - address->hostAndPort().lastIndexOf(QLatin1Char(':'))));
            continue;
        }
        const SerialDeviceInfo* d = FindSerialDevice(devices_, port_.device(n));
        emit deviceShown(n, ComDeviceText(port_.device(n), devices_), d ? d->details() : port_.device(n), 0);
    }
}

}  // namespace kalvora
