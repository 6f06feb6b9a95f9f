// Serial devices by name: the stable names udev gives adapters, the remembered choice of
// device for COM1 and COM2, and an adapter found again after the kernel renumbered it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "platform/serial_devices.h"
#include "platform/serial_port.h"

namespace kalvora::testing {
namespace {

// A /dev of its own: device files and the udev links to them.
class FakeDev {
public:
    FakeDev()
    {
        QDir(dir.path()).mkpath(QStringLiteral("serial/by-id"));
        QDir(dir.path()).mkpath(QStringLiteral("serial/by-path"));
    }
    QString device(const QString& name)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.exists()) {
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
        return path;
    }
    // A link as udev makes it: relative, two folders up.
    QString link(const QString& folder, const QString& name, const QString& target)
    {
        const QString path = dir.filePath(QStringLiteral("serial/%1/%2").arg(folder, name));
        QFile::remove(path);
        EXPECT_TRUE(QFile::link(QStringLiteral("../../%1").arg(target), path));
        return path;
    }
    QString root() const { return dir.filePath(QStringLiteral("serial")); }
    QTemporaryDir dir;
};

TEST(SerialDevices, StableNamePrefersByIdThenByPathThenTheDevice)
{
    FakeDev dev;
    const QString usb0 = dev.device("ttyUSB0"), usb1 = dev.device("ttyUSB1"), s0 = dev.device("ttyS0");
    const QString idA = dev.link("by-id", "usb-FTDI_FT232R_USB_UART_A10KZ3QX-if00-port0", "ttyUSB1");
    dev.link("by-path", "pci-0000:00:14.0-usb-0:2:1.0-port0", "ttyUSB1");
    const QString pathB = dev.link("by-path", "pci-0000:00:14.0-usb-0:3:1.0-port0", "ttyUSB0");
    dev.link("by-id", "usb-gone-if00-port0", "ttyUSB9");  // dangling: its adapter was unplugged

    const QList<SerialDeviceInfo> devices = DescribeSerialDevices(
        {{s0, "", "", "", ""}, {usb1, "FT232R USB UART", "FTDI", "A10KZ3QX", ""}, {usb0, "CP2102", "Silicon Labs", "", ""}},
        dev.root());
    struct Row {
        QString location, stable;
    } expected[] = {{usb0, pathB}, {usb1, idA}, {s0, s0}};  // USB adapters first, by number
    ASSERT_EQ(devices.size(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(devices[i].systemLocation, expected[i].location);
        EXPECT_EQ(devices[i].stableName, expected[i].stable);
    }
    EXPECT_EQ(devices[1].caption(),
              QStringLiteral("FT232R USB UART (FTDI, serial A10KZ3QX) - usb-FTDI_FT232R_USB_UART_A10KZ3QX-if00-port0 (%1)").arg(usb1));
    EXPECT_EQ(devices[2].caption(), QStringLiteral("Serial port - %1").arg(s0));

    // Every name of a device finds it; names of nothing find nothing.
    EXPECT_EQ(FindSerialDevice(devices, idA), &devices[1]);
    EXPECT_EQ(FindSerialDevice(devices, usb1), &devices[1]);
    EXPECT_EQ(FindSerialDevice(devices, dev.dir.filePath("serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0")), &devices[1]);
    EXPECT_EQ(FindSerialDevice(devices, dev.dir.filePath("serial/by-id/usb-gone-if00-port0")), nullptr);
    EXPECT_EQ(FindSerialDevice(devices, QString()), nullptr);
}

// Two adapters swap their kernel names between runs; the choice, remembered by stable name,
// still means the same adapter, and the automatic port takes the other one.
TEST(SerialDevices, ChoiceSurvivesARestartAndFollowsTheAdapter)
{
    FakeDev dev;
    const QString usb0 = dev.device("ttyUSB0"), usb1 = dev.device("ttyUSB1");
    const QString nameA = "usb-FTDI_FT232R_USB_UART_AAAA-if00-port0", nameB = "usb-Prolific_PL2303_BBBB-if00-port0";
    auto plug = [&](const QString& deviceOfA, const QString& deviceOfB) {
        dev.link("by-id", nameA, deviceOfA);
        dev.link("by-id", nameB, deviceOfB);
        // The system lists the devices by kernel name; what each is follows the adapter.
        const bool aFirst = deviceOfA == "ttyUSB0";
        const SerialDeviceInfo a{aFirst ? usb0 : usb1, "FT232R USB UART", "FTDI", "AAAA", ""};
        const SerialDeviceInfo b{aFirst ? usb1 : usb0, "USB-Serial Controller", "Prolific", "BBBB", ""};
        return DescribeSerialDevices({a, b}, dev.root());
    };
    const QString settingsFile = dev.dir.filePath("kalvora.conf");

    // First run: the operator picks adapter B for COM1.
    QList<SerialDeviceInfo> devices = plug("ttyUSB0", "ttyUSB1");
    const QString stableB = FindSerialDevice(devices, usb1)->stableName;
    EXPECT_TRUE(SaveComChoice(settingsFile, {stableB, QString()}));

    // Next run: the adapters came up the other way round.
    devices = plug("ttyUSB1", "ttyUSB0");
    const ComChoice choice = LoadComChoice(settingsFile);
    EXPECT_EQ(choice, (ComChoice{stableB, QString()}));

    struct Case {
        const char* what;
        PortOptions options;
        QString com1, com2;          // expected devices
        QString serial1, serial2;    // the adapters they are now
    } cases[] = {
        {"remembered", {}, stableB, FindSerialDevice(devices, usb1)->stableName, "BBBB", "AAAA"},
        {"--com1 wins", {"/dev/pts/9", {}}, "/dev/pts/9", stableB, "", "BBBB"},
        {"--com2 given", {{}, usb1}, stableB, usb1, "BBBB", "AAAA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString com1, com2;
        ResolveComDevices(c.options, choice, devices, com1, com2);
        EXPECT_EQ(com1, c.com1);
        EXPECT_EQ(com2, c.com2);
        const SerialDeviceInfo* d1 = FindSerialDevice(devices, com1);
        const SerialDeviceInfo* d2 = FindSerialDevice(devices, com2);
        EXPECT_EQ(d1 ? d1->serialNumber : QString(), c.serial1);
        EXPECT_EQ(d2 ? d2->serialNumber : QString(), c.serial2);
    }
    // B is now ttyUSB0: the remembered name leads to it.
    EXPECT_EQ(FindSerialDevice(devices, stableB)->systemLocation, usb0);

    // Automatic again: the choice is forgotten.
    EXPECT_TRUE(SaveComChoice(settingsFile, {}));
    EXPECT_EQ(LoadComChoice(settingsFile), ComChoice{});
}

TEST(SerialDevices, TheChoiceIsKeptOnlyInARegularFileAndTheRestOfItStays)
{
    QTemporaryDir dir;
    const ComChoice choice{"/dev/serial/by-id/usb-FTDI_A, \"x\"-if00-port0", "/dev/ttyS1"};

    // A file another program wrote, with values QSettings quoted, and lines of its own.
    const QString shared = dir.filePath("kalvora.conf");
    {
        QSettings other(shared, QSettings::IniFormat);
        other.setValue("Recent/files", "a.tnc");
        other.setValue("ComPorts/COM1", "old");
        other.setValue("ComPorts/COM2", "/dev/ttyUSB0, second");
    }
    EXPECT_EQ(LoadComChoice(shared), (ComChoice{"old", "/dev/ttyUSB0, second"}));
    ASSERT_TRUE(SaveComChoice(shared, choice));
    EXPECT_EQ(LoadComChoice(shared), choice);
    {
        QSettings other(shared, QSettings::IniFormat);
        EXPECT_EQ(other.value("Recent/files").toString(), "a.tnc");
        EXPECT_EQ(other.value("ComPorts/COM1").toString(), choice.com1);
        EXPECT_EQ(other.value("ComPorts/COM2").toString(), choice.com2);
    }

    // A link to the file: written through, the link kept, the target holding what it held.
    const QString target = dir.filePath("real.conf");
    ASSERT_TRUE(SaveComChoice(target, {"/dev/ttyS0", {}}));
    const QString link = dir.filePath("link.conf");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(SaveComChoice(link, choice));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(LoadComChoice(target), choice);

    // A FIFO reads as automatic at once (nothing writes into it) and is never replaced.
    const QString fifo = dir.filePath("fifo.conf");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(LoadComChoice(fifo), ComChoice{});
    QString reason;
    EXPECT_FALSE(SaveComChoice(fifo, choice, &reason));
    EXPECT_FALSE(reason.isEmpty());
    struct stat st {};
    ASSERT_EQ(lstat(fifo.toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A missing folder is made.
    EXPECT_TRUE(SaveComChoice(dir.filePath("new/kalvora/kalvora.conf"), choice));
    EXPECT_EQ(LoadComChoice(dir.filePath("new/kalvora/kalvora.conf")), choice);
}

TEST(SerialDevices, WhatThePagesSayAboutAComDevice)
{
    FakeDev dev;
    const QString usb0 = dev.device("ttyUSB0");
    const QString id = dev.link("by-id", "usb-FTDI_X-if00-port0", "ttyUSB0");
    const QList<SerialDeviceInfo> devices = DescribeSerialDevices({{usb0, "FT232R", "FTDI", "X", ""}}, dev.root());
    const QString pty = dev.device("pts7");  // exists, but no serial device the system lists
    struct Case {
        QString device, text;
    } cases[] = {
        {"", "(no device)"},
        {id, "usb-FTDI_X-if00-port0 (" + usb0 + ")"},
        {usb0, "usb-FTDI_X-if00-port0 (" + usb0 + ")"},
        {pty, pty},
        {dev.dir.filePath("serial/by-id/usb-Other_Y-if00-port0"), "usb-Other_Y-if00-port0 (not connected)"},
    };
    for (const Case& c : cases) EXPECT_EQ(ComDeviceText(c.device, devices), c.text) << c.device.toStdString();
}

}  // namespace
}  // namespace kalvora::testing
