#pragma once
// One session with the units: the serial port, the flags, the settings records, the traffic
// trace, the link, the command set and the connection steps, built and wired in one place. The
// window shows a session, kalvora-cli runs its commands on one, the benches and the tests drive
// one; nothing else builds that stack.
//
// What the session is doing is told through its signals (the link up or down, the editing
// allowed or held, the units' IDs and version, the line's status, the connection's state, the
// traffic rows), so a view follows it without reaching into the link.

#include <QObject>
#include <QString>

#include "link/commands.h"
#include "link/connection.h"
#include "link/link.h"
#include "link/traffic_trace.h"
#include "platform/serial_port.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

class Operator;

class Session : public QObject {
    Q_OBJECT
public:
    // Whether the trace records every byte exchanged (the window's traffic view, kalvora-cli
    // --trace) or stays empty.
    enum class Traffic { Recorded, NotRecorded };

    // `op` answers the questions and shows the messages of every operation on the units;
    // `readBack` shows what the commands read back and `connection` follows the connection
    // steps (ReadBackView::none() and ConnectionView::none() where nothing shows them).
    Session(Operator& op, ReadBackView& readBack, ConnectionView& connection, Traffic traffic,
            QObject* parent = nullptr);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Operator& op() { return op_; }
    SerialPort& port() { return port_; }
    const SerialPort& port() const { return port_; }
    MainFlags& flags() { return flags_; }
    Settings& settings() { return settings_; }
    TrafficTrace& trace() { return trace_; }
    Link& link() { return link_; }
    const Link& link() const { return link_; }
    CommandSet& commands() { return commands_; }
    LinkController& linkController() { return controller_; }
    const LinkController& linkController() const { return controller_; }

    // A unit or a controller answers on the open port.
    bool linkUp() const { return link_.linkUp(); }
    // No other operation on the units waits, and the program is not ending: one may start now.
    bool mayStart() const { return link_.MayStart(); }

signals:
    void linkUpChanged(bool up);
    // True while a transaction waits for a unit (or a procedure holds its wait open): the
    // operator's editing is held meanwhile.
    void waitingForUnitsChanged(bool waiting);
    // A search of the ports starts or ends.
    void searchingChanged(bool searching);
    // The connection's state changed: connected, mode, baud rate, parity, port found.
    void connectionChanged();
    // The units' RS-485 IDs or which of them the controller detected.
    void unitIdsChanged();
    // The firmware version unit 1 reported.
    void unitVersionChanged(const QString& text);
    void lineStateChanged(const kalvora::SerialPort::LineState& state);
    // A traffic row was added or the last one grew (a transaction began, bytes came or went,
    // it ended).
    void trafficChanged();
    // The operator chose to end the program at the recovery dialog, with this status. Connected
    // directly: the receiver ends the program before the waiting operation unwinds.
    void exitRequested(int status);

private:
    Operator& op_;
    SerialPort port_;
    MainFlags flags_;
    Settings settings_;
    TrafficTrace trace_;
    Link link_;
    CommandSet commands_;
    LinkController controller_;
};

}  // namespace kalvora
