#include "app/com_port_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>

#include "platform/network_port_address.h"

namespace kalvora {
namespace {

constexpr const char* kComDeviceItem = "ComDeviceItem";

QString MenuText(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

}  // namespace

QString AskNetworkPortAddressDialog(QWidget* parent, int n, const QString& current)
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        parent, QStringLiteral("COM%1: Network port").arg(n),
        QStringLiteral("Address of the port on the network serial server that COM%1 stands for:\n"
                       "socket://HOST:PORT for raw TCP (the server's line settings),\n"
                       "rfc2217://HOST:PORT for Telnet with COM port control (Kalvora sets the line).")
            .arg(n),
        QLineEdit::Normal, current.isEmpty() ? QStringLiteral("rfc2217://") : current, &ok);
    return ok ? text.trimmed() : QString();
}

void ShowComPortMenu(QMenu* menu, const ComPortMenuState& state, const std::function<void(int, const QString&)>& choose,
                     const std::function<void(int)>& askNetwork)
{
    if (!menu) return;
    // The old items may be the ones whose signal is running: they go once it has returned.
    for (QAction* a : menu->actions()) {
        if (!a->property(kComDeviceItem).toBool()) continue;
        menu->removeAction(a);
        if (QMenu* sub = a->menu())
            sub->deleteLater();
        else
            a->deleteLater();
    }

    auto* separator = new QAction(menu);
    separator->setSeparator(true);
    separator->setProperty(kComDeviceItem, true);
    menu->addAction(separator);

    for (int n = 1; n <= 2; ++n) {
        const QString current = state.device[n - 1];
        const QString chosen = n == 1 ? state.choice.com1 : state.choice.com2;
        auto* sub = new QMenu(QStringLiteral("COM&%1: %2").arg(n).arg(MenuText(ComDeviceText(current, state.devices))), menu);
        sub->setObjectName(QStringLiteral("ComDevice%1").arg(n));
        sub->setProperty(kComDeviceItem, true);
        sub->setToolTipsVisible(true);
        sub->menuAction()->setObjectName(QStringLiteral("ComDevice%1").arg(n));
        sub->menuAction()->setProperty(kComDeviceItem, true);
        menu->addAction(sub->menuAction());

        auto* group = new QActionGroup(sub);
        auto add = [&](const QString& text, const QString& name, bool checked, const QString& tip) {
            QAction* item = sub->addAction(MenuText(text));
            item->setCheckable(true);
            item->setChecked(checked);
            item->setToolTip(tip);
            item->setData(name);
            group->addAction(item);
            QObject::connect(item, &QAction::triggered, sub, [choose, n, name] { choose(n, name); });
            return item;
        };
        add(QStringLiteral("Automatic (first serial device not used by COM%1)").arg(3 - n), QString(), chosen.isEmpty(),
            QString())
            ->setObjectName(QStringLiteral("ComDevice%1Automatic").arg(n));
        sub->actions().constLast()->setText(QLatin1Char('&') + sub->actions().constLast()->text());
        sub->addSeparator();
        const SerialDeviceInfo* now = FindSerialDevice(state.devices, current);
        bool listed = false;
        for (const SerialDeviceInfo& d : state.devices) {
            const bool isCurrent = !chosen.isEmpty() && now && now->systemLocation == d.systemLocation;
            listed = listed || isCurrent;
            add(d.caption(), d.stableName, isCurrent, d.details());
        }
        // A remembered device that is not plugged in stays chosen, and shown as such.
        if (!chosen.isEmpty() && !listed) add(ComDeviceText(current, state.devices), current, true, current);
        if (state.devices.isEmpty()) sub->addAction(QStringLiteral("(no serial devices found)"))->setEnabled(false);
        sub->addSeparator();
        QAction* network = sub->addAction(QStringLiteral("&Network port..."));
        network->setObjectName(QStringLiteral("ComDevice%1Network").arg(n));
        network->setToolTip(QStringLiteral("A port on a network serial server: socket://HOST:PORT or rfc2217://HOST:PORT"));
        QObject::connect(network, &QAction::triggered, sub, [askNetwork, n] {
            if (askNetwork) askNetwork(n);
        });
    }
}

}  // namespace kalvora
