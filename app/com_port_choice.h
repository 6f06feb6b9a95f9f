#pragma once
// Which serial devices COM1 and COM2 stand for: the choice from the command line, the "COM Port"
// menu and the remembered settings, kept in the session's port and shown in the menu and on the
// Information page.

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "platform/serial_devices.h"

class QMenu;
class QWidget;

namespace kalvora {

class Operator;
class SerialPort;

class ComPortChoice : public QObject {
    Q_OBJECT
public:
    // `menu`: the "COM Port" menu; the devices are looked up afresh whenever it opens (adapters
    // come and go). `dialogParent`: the window the address question belongs to.
    ComPortChoice(SerialPort& port, Operator& op, QMenu* menu, QWidget* dialogParent);

    // The devices COM1 and COM2 stand for.
    void setDevices(const QString& com1, const QString& com2);
    // The operator's choice of devices by stable name, remembered in `file` (a QSettings INI
    // file; empty: not remembered) when the menu changes it.
    void setChoice(const ComChoice& choice, const QString& file);
    ComChoice choice() const { return choice_; }
    // COM n is to stand for the device of stable name `name` (empty: automatic, the first device
    // the other port does not take).
    void chooseDevice(int n, const QString& name);
    // "Network port...": asks for the address (socket:// or rfc2217://), again after a malformed
    // one, and makes COM n stand for it.
    void chooseNetworkPort(int n);

    // The machine's serial devices as the menu lists them; tests give their own.
    std::function<QList<SerialDeviceInfo>()> ListSerialDevices = [] { return SystemSerialDeviceInfos(); };
    // The question for the address, `current` offered; empty: cancelled. Tests give their own.
    std::function<QString(int n, const QString& current)> AskNetworkPortAddress;

signals:
    // What COM n stands for, as the Information page shows it: the text, the details in its tip,
    // and how many characters at its end stay when it is cut.
    void deviceShown(int n, const QString& text, const QString& details, int keepTail);

private:
    void show();
    void listDevices();

    SerialPort& port_;
    Operator& op_;
    QMenu* menu_;
    QWidget* dialogParent_;
    ComChoice choice_;
    QString choiceFile_;
    QList<SerialDeviceInfo> devices_;
};

}  // namespace kalvora
