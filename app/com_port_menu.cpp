#include "app/com_port_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace kalvora {
namespace {

constexpr const char* kComDeviceItem = "ComDeviceItem";

QString MenuText(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

}  // namespace

void ShowComPortMenu(QMenu* menu, const ComPortMenuState& state, const std::function<void(int, const QString&)>& choose)
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
        auto* sub = new QMenu(MenuText(QStringLiteral("COM%1: %2").arg(n).arg(ComDeviceText(current, state.devices))), menu);
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
    }
}

}  // namespace kalvora
