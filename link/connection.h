#pragma once
// Finding the units and connecting to them: the switch between direct mode (one unit on the
// PC's port) and controller mode (up to two units behind a controller on an RS-485 bus), the
// search of COM1 and COM2, the three connection commands, the two-unit check, the disconnect,
// and the baud and parity choices. The window's menus call these operations; what the window
// shows of them (whether a connection is made, the baud and parity chosen, the port in use) is
// readable state announced by stateChanged().

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/port_open_error.h"
#include "platform/serial_port.h"

namespace kalvora {

class Link;
struct Settings;

inline const QString kMsgTwoUnitsNeedController = QStringLiteral(
    "Error! Current output settings require 2 Tornels. Please connect PC's COM Port to Vorn Controller's Serial "
    "Port and have the Tornels connected to the Vorn Controller's Remote Port.");
inline const QString kMsgTornelsNotDetected = QStringLiteral(
    "Tornel(s) not detected.\n1) Please check RS-232 cable.\n2) Make sure Tornel(s) boot-up initialization has been "
    "completed.\n3) Go to 'Serial Port->Search for Tornel(s)->Search' menu item for the Kalvora to search for "
    "Tornel(s) again.");
inline const QString kMsgControllerNotDetected = QStringLiteral(
    "Controller not detected.\n1) Please check RS-232 cable and make sure it is connected to laptop/PC and to the "
    "'Console' port on the Controller.\n2) Make sure Controller and Tornel unit(s) boot-up initialization has been "
    "completed.");
inline const QString kMsgTornelNotDetected = QStringLiteral(
    "Tornel not detected.\n1) Please check RS-232 cable and make sure it is connected to laptop/PC and to the "
    "'Remote' port on the Tornel.\n2) Make sure Tornel unit(s) boot-up initialization has been completed.");
inline const QString kQuestionQuerySettings = QStringLiteral(
    "Serial communication established. Do you wish to query the Tornel's settings and update the Kalvora?");
inline const QString kTitleQuerySearchAll = QStringLiteral("Vorn - Kalvora :Query Tornel settings verification");
inline const QString kTitleQueryConnect = QStringLiteral("Kalvora - Query Tornel settings verification");
inline const QString kStatusEstablishedOnCom = QStringLiteral("Established communication with Tornel on Com ");
inline const QString kTitleTwoUnitCheck =
    QStringLiteral("Vorn - Kalvora :Establish COM port communication with Tornel(s)");
inline const QString kQuestionControlOnlyUnit1 = QStringLiteral(
    "Tornel total # of projectors settings indicate that 2 Tornels are required.To access 2 Tornels, Kalvora "
    "requires the use of an Vorn Controller.\nDo you wish to continue and control only Tornel #1?");
inline const QString kMsgTwoUnitInstructions = QStringLiteral(
    "For Kalvora to control 2 Tornels:\n1)Connect PC's COM Port to Vorn Controller's 'Console' port\n2)Connect "
    "Tornels to Pannex Plus chassis(to ports labelled 'Pannex')\n3)Set Tornel Serial Mode to RS485 and set RS485 ID "
    "to next available #.\n4)Reboot Vorn Controller and verify that it detects Tornels (TN:#)");
inline const QString kMsgMoreThanFourNeedsTwoUnits =
    QStringLiteral("Error! Increasing the # of Projectors to exceed 4 will require using 2 Tornels.\n\n") +
    kMsgTwoUnitInstructions;

// The read of the units after a connection.
inline const QString kStatusQuerying = QStringLiteral("Querying Tornel(s). Please wait....");
inline const QString kMsgNotDetectedByController = QStringLiteral(
    "Tornel not detected by Controller.\n(1)Check cables.\n(2)Make sure the Tornel has booted up completely and "
    "reboot the Controller.");
inline const QString kMsgUnit1CommError =
    QStringLiteral("Tornel communication error! Please check Serial connections and try again");
inline const QString kMsgUnit2CommError =
    QStringLiteral("Tornel 2 communication error! Please check Serial connections and try again");

// Reads every unit in use into the records: through a controller NTN gives the unit count
// (at most 2 are addressed) and the IDs, then each unit is read completely; in direct mode
// unit 1 is read. Sets flags().UnitCount and, once it is known and before any unit is read,
// calls unitCountKnown with it. Tells the operator of a failure; false on failure.
bool ReadAllUnits(Link& link, Settings& settings, const std::function<void(int)>& unitCountKnown = {});

class LinkController : public QObject {
    Q_OBJECT
public:
    // The baud rates to choose from; Default follows the connection mode.
    enum class BaudChoice { Default, B9600, B19200, B38400, B57600 };
    // The rates of the connection modes (direct, through a controller), by mode index.
    static constexpr int kBaudItems[2] = {38400, 57600};
    static QStringList baudItems() { return {QStringLiteral("38400"), QStringLiteral("57600")}; }

    LinkController(Link& link, Settings& settings, QObject* parent = nullptr);

    // ---- Inputs the window provides --------------------------------------------------------
    // The planned projector count of the planning calculator (more than 4 needs two units).
    std::function<int()> NumOfProjectors;
    // The working projector count: the Display Setup page's projector count.
    std::function<int()> WorkingProjectorCount;
    // "Read from Tornel(s) ...": the full read with the page refills. When empty,
    // ReadAllUnits followed by FillAfterRead (under FormFilling) is run.
    std::function<bool()> ReadUnits;
    std::function<void()> FillAfterRead;
    // The unit count of a read, known before the units are read.
    std::function<void(int)> UnitCountKnown;
    // The link was dropped (disconnect, port lost): the window brings its enabling up to date.
    std::function<void()> LinkDropped;

    // ---- Operations ---------------------------------------------------------------------------
    // Applies the connection mode: the reply terminator, the flow control and, unless a rate
    // was chosen, the mode's baud rate.
    void applyMode();
    // Sets the port to the baud rate of baudIndex().
    void applyBaudIndex();
    // Probes COM1, then COM2, in the current mode. Returns the port found, or -1.
    int searchPorts();
    // Looks for a unit directly on the port, then for a controller.
    void searchAll();
    void connectThroughController();
    void connectDirectly();
    // A wall of more than four projectors needs two units, so a controller: checks the
    // connection can serve it, asking the operator where it cannot. False to stop.
    bool checkTwoUnits();
    void disconnectUnits();
    // Reads every unit in use and fills the pages from what they reported.
    bool readFromUnits();

    // A rate of its own (the port is set now), or Default: the mode's rate from the next
    // mode switch on.
    void chooseBaud(BaudChoice choice);
    void chooseParity(Parity parity);

    // ---- State the window shows ---------------------------------------------------------------
    bool throughController() const;
    // The baud rate follows the connection mode (no rate of its own chosen).
    bool baudFollowsMode() const { return defaultBaudFlag_ == 1; }
    BaudChoice baudChoice() const { return checkedBaud_; }
    Parity parity() const { return checkedParity_; }
    int baudIndex() const { return baudIndex_; }  // -1: no selection
    // The number of the port found by the last search, or "None".
    QString portNumberText() const { return comNumberLabel_; }
    // A connection command found the units: they can be read and sent to.
    bool connected() const { return connected_; }
    bool searching() const { return searching_; }
    // The ports the last connection command could not use, and why (a device missing, held by
    // another program, not permitted), each once; empty when every port named could be tried.
    struct PortTrouble {
        int com = 0;
        PortProblem problem;
    };
    const QList<PortTrouble>& searchTroubles() const { return troubles_; }

signals:
    // Any of the state above changed.
    void stateChanged();
    // A search runs: the window disables PhasePageControl meanwhile.
    void searchingChanged(bool searching);

private:
    void SetMode(bool controller);
    // Through a controller: asks NTN and takes the unit count and IDs from it (false when no
    // unit answered, with a message). In direct mode the count is one.
    bool LearnUnits();
    // The link is up: connected, the units learned, the question, the read on Yes.
    void Established(const QString& questionTitle);
    void setConnected(bool connected);
    // The disconnect's steps: port closed, link down, not connected, the window told,
    // the status-read flag cleared. Also run when the port fails.
    void DropLink();
    // A connection command's search starts: no port troubles yet.
    void BeginSearch();
    // Probes port n unless it is known beforehand that it cannot be opened; then the trouble
    // is noted and false returned.
    bool ProbeUsable(int n);
    // The text when nothing answered: the port troubles, followed by `advice` (check the cable,
    // the boot-up) when a port was actually tried; the advice alone when no port had trouble.
    QString NotFoundText(const QString& advice) const;
    int Planned() const { return NumOfProjectors ? NumOfProjectors() : 0; }
    int Working() const { return WorkingProjectorCount ? WorkingProjectorCount() : 1; }

    Link& link_;
    Settings& settings_;
    int defaultBaudFlag_ = 1;
    BaudChoice checkedBaud_ = BaudChoice::Default;
    Parity checkedParity_ = Parity::None;
    int baudIndex_ = 0;
    QString comNumberLabel_ = QStringLiteral("None");
    bool connected_ = false;
    bool searching_ = false;
    QList<PortTrouble> troubles_;
    bool portTried_ = false;
};

}  // namespace kalvora
