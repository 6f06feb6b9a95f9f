// Which serial devices COM1 and COM2 stand for: the choice from the command line, the COM Port menu
// and the remembered settings.
#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <cstdio>
#include <cstdlib>
#include <QStatusBar>
#include <QTabWidget>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/com_port_menu.h"
#include "app/menu_tree.h"
#include "app/secondary_windows.h"
#include "app/terminal_view.h"
#include "app/traffic_window.h"
#include "editors/display_setup_page.h"
#include "editors/editor_visibility.h"
#include "editors/numeric_fields.h"
#include "editors/projector_setup_page.h"
#include "editors/radio_group.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "platform/gui/named_widget.h"
#include "platform/network_port_address.h"

namespace kalvora {

void TKalvoraForm::setComDevices(const QString& com1, const QString& com2)
{
    session_.port().setDevice(1, com1);
    session_.port().setDevice(2, com2);
    serialDevices_ = ListSerialDevices ? ListSerialDevices() : QList<SerialDeviceInfo>{};
    showComDevices();
}

void TKalvoraForm::setComChoice(const ComChoice& choice, const QString& file)
{
    comChoice_ = choice;
    comChoiceFile_ = file;
    showComDevices();
}

void TKalvoraForm::chooseComDevice(int n, const QString& name)
{
    if (n != 1 && n != 2) return;
    (n == 1 ? comChoice_.com1 : comChoice_.com2) = name;
    serialDevices_ = ListSerialDevices ? ListSerialDevices() : QList<SerialDeviceInfo>{};
    const int other = 3 - n;
    // The other port keeps its device; resolving with it given finds this one's.
    PortOptions fixed;
    (other == 1 ? fixed.com1 : fixed.com2) = session_.port().device(other);
    QString com[3];
    ResolveComDevices(fixed, comChoice_, serialDevices_, com[1], com[2]);
    // An automatic other port that now names the same device moves on to a free one.
    const QString otherChoice = other == 1 ? comChoice_.com1 : comChoice_.com2;
    const SerialDeviceInfo* mine = FindSerialDevice(serialDevices_, com[n]);
    const SerialDeviceInfo* theirs = FindSerialDevice(serialDevices_, com[other]);
    if (otherChoice.isEmpty() && mine && mine == theirs) {
        PortOptions keep;
        (n == 1 ? keep.com1 : keep.com2) = com[n];
        ComChoice automatic = comChoice_;
        (other == 1 ? automatic.com1 : automatic.com2).clear();
        ResolveComDevices(keep, automatic, serialDevices_, com[1], com[2]);
    }
    session_.port().setDevice(1, com[1]);
    session_.port().setDevice(2, com[2]);
    if (!comChoiceFile_.isEmpty()) {
        QString reason;
        if (!SaveComChoice(comChoiceFile_, comChoice_, &reason))
            statusOp_.setStatus(QStringLiteral("Note: the choice of serial device could not be saved in %1 (%2).")
                                    .arg(comChoiceFile_, reason));
    }
    // The menu item that ran this is still in use: the menu is rebuilt once it returns.
    QMetaObject::invokeMethod(this, &TKalvoraForm::showComDevices, Qt::QueuedConnection);
}

void TKalvoraForm::chooseNetworkPort(int n)
{
    if (n != 1 && n != 2) return;
    QString text = session_.port().isNetworkPort(n) ? session_.port().device(n) : QString();
    for (;;) {
        text = AskNetworkPortAddress ? AskNetworkPortAddress(n, text) : AskNetworkPortAddressDialog(this, n, text);
        text = text.trimmed();
        if (text.isEmpty()) return;  // cancelled
        QString error;
        if (const auto address = ParseNetworkPortAddress(text, &error)) {
            chooseComDevice(n, address->text());
            return;
        }
        statusOp_.showMessage(QStringLiteral("Error! %1.").arg(error));
    }
}

void TKalvoraForm::showComDevices()
{
    ComPortMenuState state{serialDevices_, {session_.port().device(1), session_.port().device(2)}, comChoice_};
    QAction* comPort = menu_.value(QStringLiteral("COMPort1"));
    ShowComPortMenu(comPort ? comPort->menu() : nullptr, state,
                    [this](int n, const QString& name) { chooseComDevice(n, name); },
                    [this](int n) { chooseNetworkPort(n); });
    for (int n = 1; n <= 2; ++n) {
        // A network port shows its server first; the whole address and its kind are in the tip.
        if (const auto address = ParseNetworkPortAddress(session_.port().device(n))) {
            info_->setComDevice(n, address->shortText(),
                                address->text() + (address->protocol == NetworkPortAddress::Protocol::Raw
                                                       ? QStringLiteral("\nA port on a network serial server, raw "
                                                                        "TCP: the line settings are the server's.")
                                                       : QStringLiteral("\nA port on a network serial server, Telnet "
                                                                        "with COM port control: Kalvora sets the line.")),
                                // The server's name gives way first; its port and kind stay.
                                int(address->shortText().size() - address->hostAndPort().lastIndexOf(QLatin1Char(':'))));
            continue;
        }
        const SerialDeviceInfo* d = FindSerialDevice(serialDevices_, session_.port().device(n));
        info_->setComDevice(n, ComDeviceText(session_.port().device(n), serialDevices_), d ? d->details() : session_.port().device(n));
    }
}

}  // namespace kalvora
