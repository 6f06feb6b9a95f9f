// "COM Port" > COM n > "Network port...": the operator types the address of a port on a network
// serial server (ser2net in front of a simulated controller), a malformed one is refused with a
// message and asked again, the choice is remembered and shown, and "Search...." finds the units
// through it with the address in the status bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
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
    form->comPorts().ListSerialDevices = [] { return QList<SerialDeviceInfo>{}; };
    form->setComDevices(QString(), QString());
    form->setComChoice({}, settingsFile);
    op.answer(false);  // no search at start
    showAndSettle();
    op.clear();

    // The operator first forgets the port number, then types the whole address.
    QStringList typed = {"rfc2217://127.0.0.1", server.address()};
    QStringList offered;
    form->comPorts().AskNetworkPortAddress = [&](int n, const QString& current) {
        EXPECT_EQ(n, 1);
        offered << current;
        return typed.isEmpty() ? QString() : typed.takeFirst();
    };
    QAction* item = form->findChild<QAction*>("ComDevice1Network");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "&Network port...");
    item->trigger();
    QCoreApplication::processEvents();

    EXPECT_EQ(op.messages(), QStringList{"Error! 'rfc2217://127.0.0.1' is not a network port: the port number is "
                                         "missing; expected socket://HOST:PORT or rfc2217://HOST:PORT."});
    EXPECT_EQ(offered, (QStringList{QString(), "rfc2217://127.0.0.1"}));
    EXPECT_EQ(form->port().device(1), server.address());
    EXPECT_EQ(LoadComChoice(settingsFile), (ComChoice{server.address(), QString()}));
    // The Information page names the server first, with the kind of port; the tip has it all.
    const QString hostAndPort = "127.0.0.1:" + QString::number(server.port());
    EXPECT_EQ(form->infoPage()->comDeviceText(1), hostAndPort + " (RFC 2217)");
    auto* com1Label = FindNamed<QLabel>(form.get(), "Com1DeviceLabel");
    EXPECT_EQ(com1Label->text(), hostAndPort + " (RFC 2217)");
    EXPECT_TRUE(com1Label->toolTip().contains(server.address())) << com1Label->toolTip().toStdString();
    // The submenu as the "COM Port" menu now holds it (the old one goes once its signal returned).
    QMenu* com1 = nullptr;
    for (QAction* a : form->menuItem("COMPort1")->menu()->actions())
        if (a->menu() && a->menu()->objectName() == "ComDevice1") com1 = a->menu();
    ASSERT_NE(com1, nullptr);
    EXPECT_EQ(com1->menuAction()->text(), "COM&1: " + server.address() + " (network)");
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

    // The same server as COM2, COM1 left out: the status bar names it too.
    form->setComDevices(QString(), server.address());
    op.clear();
    op.answer(false);
    form->menuItem("SearchAll")->trigger();
    EXPECT_TRUE(form->LinkEstablished()) << op.messages().join(" | ").toStdString();
    EXPECT_EQ(form->statusText(), "Established communication with Tornel on Com 2 (" + server.address() + ")");
    EXPECT_EQ(FindNamed<QLabel>(form.get(), "ComNumberLabel")->text(), "2");
    form->menuItem("DisconnectSerialCo1")->trigger();
    clock::setScale(savedScale);
}

// Long server names give way in the narrow RS-232 group: the start of the name stays, and so do
// the port and the kind of port, all within the label; a device name loses its middle.
TEST_F(WindowTest, LongNetworkAddressesKeepTheirStartPortAndKindOnTheInformationPage)
{
    form->comPorts().ListSerialDevices = [] { return QList<SerialDeviceInfo>{}; };
    op.answer(false);  // no search at start
    showAndSettle();
    form->pages()->setCurrentWidget(form->infoPage());
    QCoreApplication::processEvents();
    struct Case {
        QString device;
        QString start, end;
    } cases[] = {
        {"rfc2217://projection-room-server.building-7.example.net:4001", "projection-", ":4001 (RFC 2217)"},
        {"socket://[fd00:1234:5678:9abc::17]:2217", "[fd00:", ":2217 (raw TCP)"},
        {"rfc2217://10.0.0.5:4001", "10.0.0.5:4001 (RFC 2217)", "10.0.0.5:4001 (RFC 2217)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device.toStdString());
        form->setComDevices(c.device, QString());
        QCoreApplication::processEvents();
        auto* label = FindNamed<QLabel>(form.get(), "Com1DeviceLabel");
        const QString shown = label->text();
        EXPECT_TRUE(shown.startsWith(c.start)) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(c.end)) << shown.toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
        EXPECT_TRUE(label->toolTip().startsWith(form->infoPage()->comDeviceText(1) + "\n" + c.device))
            << label->toolTip().toStdString();
    }
}

}  // namespace
}  // namespace kalvora::testing
