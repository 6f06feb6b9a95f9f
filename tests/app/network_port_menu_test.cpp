// "COM Port" > COM n > "Network port...": the operator types the address of a port on a network
// serial server (ser2net in front of a simulated controller), a malformed one is refused with a
// message and asked again, the choice is remembered and shown, and "Search...." finds the units
// through it with the address in the status bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

#include "app/info_page.h"
#include "platform/clock.h"
#include "ser2net_server.h"
#include "sim/simulator.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

TEST_F(WindowTest, NetworkPortIsAskedRememberedAndSearched)
{
    if (Ser2net::Program().isEmpty()) GTEST_SKIP() << "ser2net is not installed (scripts/install-deps.sh installs it)";
    const double savedScale = clock::scale();
    clock::setScale(0.1);
    sim::SimConfig config;
    config.mode = sim::PortMode::Controller;
    config.ids = {3, 7};
    sim::Simulator simulator(config);
    ASSERT_TRUE(simulator.start());
    Ser2net server(simulator.slavePath(), Ser2net::Mode::Rfc2217);
    ASSERT_TRUE(server.start()) << server.error().toStdString();

    QTemporaryDir dir;
    const QString settingsFile = dir.filePath("kalvora.conf");
    form->ListSerialDevices = [] { return QList<SerialDeviceInfo>{}; };
    form->setComDevices(QString(), QString());
    form->setComChoice({}, settingsFile);
    op.answer(false);  // no search at start
    showAndSettle();
    op.clear();

    // The operator first forgets the port number, then types the whole address.
    QStringList typed = {"rfc2217://127.0.0.1", server.address()};
    QStringList offered;
    form->AskNetworkPortAddress = [&](int n, const QString& current) {
        EXPECT_EQ(n, 1);
        offered << current;
        return typed.isEmpty() ? QString() : typed.takeFirst();
    };
    QAction* item = form->findChild<QAction*>("ComDevice1Network");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Network port...");
    item->trigger();
    QCoreApplication::processEvents();

    EXPECT_EQ(op.messages(), QStringList{"Error! 'rfc2217://127.0.0.1' is not a network port: the port number is "
                                         "missing; expected socket://HOST:PORT or rfc2217://HOST:PORT."});
    EXPECT_EQ(offered, (QStringList{QString(), "rfc2217://127.0.0.1"}));
    EXPECT_EQ(form->port().device(1), server.address());
    EXPECT_EQ(LoadComChoice(settingsFile), (ComChoice{server.address(), QString()}));
    EXPECT_EQ(form->infoPage()->comDeviceText(1), server.address() + " (network)");
    // The submenu as the "COM Port" menu now holds it (the old one goes once its signal returned).
    QMenu* com1 = nullptr;
    for (QAction* a : form->menuItem("COMPort1")->menu()->actions())
        if (a->menu() && a->menu()->objectName() == "ComDevice1") com1 = a->menu();
    ASSERT_NE(com1, nullptr);
    EXPECT_EQ(com1->menuAction()->text(), "COM1: " + server.address() + " (network)");
    QStringList checked;
    for (QAction* a : com1->actions())
        if (a->isChecked()) checked << a->text();
    EXPECT_EQ(checked, QStringList{server.address() + " (network)"});

    // Asked again, the current address is offered; Cancel changes nothing.
    offered.clear();
    form->findChild<QAction*>("ComDevice1Network")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(offered, QStringList{server.address()});
    EXPECT_EQ(form->port().device(1), server.address());

    op.clear();
    op.answer(false);  // no read after connecting
    form->menuItem("SearchAll")->trigger();
    EXPECT_TRUE(form->LinkEstablished()) << op.messages().join(" | ").toStdString();
    EXPECT_TRUE(op.statuses().contains("Established communication with Tornel on Com 1 (" + server.address() + ")"));
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
    form->menuItem("DisconnectSerialCo1")->trigger();
    clock::setScale(savedScale);
}

}  // namespace
}  // namespace kalvora::testing
