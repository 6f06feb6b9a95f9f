#include "link/connection.h"

#include <algorithm>

#include "link/frame.h"
#include "link/link.h"
#include "link/queries.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

bool ReadAllUnits(Link& link, Settings& settings, const std::function<void(int)>& unitCountKnown)
{
    Operator& op = link.op();
    MainFlags& flags = link.flags();
    op.setStatus(kStatusQuerying);
    link.beginOperation();
    auto finish = [&](bool ok) {
        op.setStatus(QString());
        link.endOperation();
        return ok;
    };
    if (link.throughController()) {
        const int count = QueryUnitCount(link);
        if (count <= 0) {
            if (!link.sequenceStopped()) op.showMessage(kMsgNotDetectedByController);
            return finish(false);
        }
        // A controller may see more units than the two this program addresses.
        flags.UnitCount = std::min(count, 2);
    } else {
        flags.UnitCount = 1;
    }
    if (unitCountKnown) unitCountKnown(flags.UnitCount);
    if (!QueryUnit(link, settings, 1)) {
        if (!link.sequenceStopped()) op.showMessage(kMsgUnit1CommError);
        return finish(false);
    }
    if (flags.UnitCount == 2 && !QueryUnit(link, settings, 2)) {
        if (!link.sequenceStopped()) op.showMessage(kMsgUnit2CommError);
        return finish(false);
    }
    return finish(true);
}

ConnectionView& ConnectionView::none()
{
    class NoView final : public ConnectionView {
        int plannedProjectors() const override { return 0; }
        int workingProjectors() const override { return 1; }
        void unitCountKnown(int) override {}
        void showUnitsRead() override {}
        void linkDropped() override {}
    };
    static NoView view;
    return view;
}

LinkController::LinkController(Link& link, Settings& settings, ConnectionView& view, QObject* parent)
    : QObject(parent), link_(link), settings_(settings), view_(view)
{
    // A port that fails (an adapter pulled, idle or not) leaves the window as a disconnect does.
    connect(&link_, &Link::portLost, this, &LinkController::DropLink);
}

bool LinkController::throughController() const { return link_.throughController(); }

void LinkController::applyMode()
{
    if (link_.throughController()) {
        if (defaultBaudFlag_ == 1) baudIndex_ = 1;
        link_.setReplyEnd(kControllerReplyEnd.back());
        link_.port().setFlowControl(FlowControl::RtsCts);
    } else {
        if (defaultBaudFlag_ == 1) baudIndex_ = 0;
        link_.setReplyEnd(kDirectReplyEnd.back());
        link_.port().setFlowControl(FlowControl::None);
    }
    applyBaudIndex();
    emit stateChanged();
}

void LinkController::applyBaudIndex()
{
    if (baudIndex_ == 0 || baudIndex_ == 1) link_.port().setBaud(kBaudItems[baudIndex_]);
}

void LinkController::SetMode(bool controller)
{
    if (link_.throughController() != controller) link_.setUnitsReported(0);
    link_.setThroughController(controller);
    applyMode();
}

int LinkController::searchPorts()
{
    searching_ = true;
    emit searchingChanged(true);
    link_.forgetReportedUnits();  // whatever is found, its units are asked afresh
    link_.beginOperation();
    link_.setPromptWaitTicks(10);

    int found = -1;
    if (ProbeUsable(1)) {
        found = 1;
        // A network port's address follows the port number: the operator sees which server.
        const QString where = link_.port().isNetworkPort(1) ? QStringLiteral(" (%1)").arg(link_.port().device(1)) : QString();
        link_.op().setStatus(kStatusEstablishedOnCom + QString::number(1) + where);
    } else if (ProbeUsable(2)) {
        // The label names the port actually in use, whichever it is.
        found = 2;
        // A device found on COM2 leaves the status bar as it was; a server on the network is
        // named wherever it is found, so the operator sees which one answered.
        if (link_.port().isNetworkPort(2))
            link_.op().setStatus(kStatusEstablishedOnCom + QStringLiteral("2 (%1)").arg(link_.port().device(2)));
    } else {
        link_.port().close();
    }
    if (found > 0) comNumberLabel_ = QString::number(found);

    link_.setPromptWaitTicks(kDefaultWaitTicks);
    link_.endOperation();
    searching_ = false;
    emit searchingChanged(false);
    emit stateChanged();
    return found;
}

void LinkController::BeginSearch()
{
    troubles_.clear();
    portTried_ = false;
}

bool LinkController::ProbeUsable(int n)
{
    SerialPort& port = link_.port();
    const QString device = port.device(n);
    // The port this program has open is probed as it is; a network port has no device file
    // or lock file to look at, its server tells when it is opened.
    if (!port.isNetworkPort(n) && !(port.isOpen() && port.openDevice() == device)) {
        const PortProblem problem = DiagnosePort(device);
        if (problem.kind != PortProblem::Kind::None) {
            // Both modes search the same ports: each trouble is told once.
            const bool known = std::any_of(troubles_.begin(), troubles_.end(),
                                           [&](const PortTrouble& t) { return t.com == n && t.problem == problem; });
            if (!known) troubles_.append({n, problem});
            return false;
        }
    }
    if (!device.isEmpty()) portTried_ = true;
    return link_.ProbePort(n);
}

QString LinkController::NotFoundText(const QString& advice) const
{
    if (troubles_.isEmpty()) return advice;
    QStringList lines;
    for (const PortTrouble& t : troubles_) lines << PortProblemText(t.com, t.problem);
    // A port that could not be opened needs no cable advice; one that was tried and stayed
    // silent does.
    return portTried_ ? lines.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + advice : lines.join(QLatin1Char('\n'));
}

void LinkController::setConnected(bool connected)
{
    connected_ = connected;
    emit stateChanged();
}

bool LinkController::LearnUnits()
{
    if (!link_.throughController()) {
        link_.flags().UnitCount = 1;
        return true;
    }
    // The controller says which units it reaches and their RS-485 IDs; whatever was assumed
    // before (a file's wall, an earlier connection) gives way to that.
    const int count = QueryUnitCount(link_);
    if (count <= 0 || link_.unitsReported() <= 0) {
        if (!link_.sequenceStopped()) link_.op().showMessage(kMsgNotDetectedByController);
        link_.flags().UnitCount = 1;
        return false;
    }
    link_.flags().UnitCount = link_.unitsReported();
    view_.unitCountKnown(link_.unitsReported());
    return true;
}

void LinkController::Established(const QString& questionTitle)
{
    setConnected(true);
    if (!LearnUnits()) return;
    if (link_.op().askYesNo(questionTitle, kQuestionQuerySettings)) readFromUnits();
}

bool LinkController::readFromUnits()
{
    if (!link_.MayStart()) return false;
    if (!ReadAllUnits(link_, settings_, [this](int count) { view_.unitCountKnown(count); })) return false;
    FlagGuard filling(link_.flags().FormFilling);
    view_.showUnitsRead();
    return true;
}

void LinkController::searchAll()
{
    if (!link_.MayStart()) return;
    BeginSearch();
    SetMode(false);
    if (searchPorts() > 0) {
        if (Planned() > 4) {
            link_.op().showMessage(kMsgTwoUnitsNeedController);
            link_.port().close();
            return;
        }
        link_.setLinkUp(true);
        Established(kTitleQuerySearchAll);
        link_.flags().EditorBusy = false;
        return;
    }
    SetMode(true);
    if (searchPorts() > 0) {
        link_.setLinkUp(true);
        Established(kTitleQuerySearchAll);
        link_.flags().EditorBusy = false;
        return;
    }
    link_.op().showMessage(NotFoundText(kMsgTornelsNotDetected));
    link_.setLinkUp(false);
}

void LinkController::connectThroughController()
{
    if (!link_.MayStart()) return;
    BeginSearch();
    SetMode(true);
    if (searchPorts() < 0) {
        link_.op().showMessage(NotFoundText(kMsgControllerNotDetected));
        link_.setLinkUp(false);
        return;
    }
    link_.setLinkUp(true);
    Established(kTitleQueryConnect);
}

void LinkController::connectDirectly()
{
    if (!link_.MayStart()) return;
    BeginSearch();
    SetMode(false);
    if (searchPorts() < 0) {
        link_.op().showMessage(NotFoundText(kMsgTornelNotDetected));
        link_.setLinkUp(false);
        return;
    }
    if (!checkTwoUnits()) return;
    link_.setLinkUp(true);
    Established(kTitleQueryConnect);
    link_.flags().EditorBusy = false;
}

bool LinkController::checkTwoUnits()
{
    // Inside another operation's wait the check cannot ask the controller: the change waits.
    if (!link_.MayStart()) return false;
    const bool direct = !link_.throughController();
    if (Planned() > 4 && direct) {
        if (link_.op().askYesNo(kTitleTwoUnitCheck, kQuestionControlOnlyUnit1)) return true;
        link_.op().showMessage(kMsgTwoUnitInstructions);
        disconnectUnits();
        return false;
    }
    if (Working() >= 5 && direct) {
        link_.op().showMessage(kMsgMoreThanFourNeedsTwoUnits);
        return false;
    }
    if (Working() >= 5) {
        if (QueryUnitCount(link_) > 1) return true;
        // A controller that has just booted may not have found both units yet: ask once more.
        if (!link_.sequenceStopped()) {
            link_.WaitMs(1000);
            link_.HandlePendingEvents();
            if (QueryUnitCount(link_) > 1) return true;
        }
        link_.op().showMessage(kMsgMoreThanFourNeedsTwoUnits);
        return false;
    }
    return true;
}

void LinkController::disconnectUnits()
{
    if (!link_.MayStart()) return;
    DropLink();
}

void LinkController::DropLink()
{
    link_.port().close();
    link_.setLinkUp(false);
    link_.forgetReportedUnits();
    setConnected(false);
    view_.linkDropped();
    settings_.StatusReadAvailable = false;
}

void LinkController::chooseBaud(BaudChoice choice)
{
    if (choice == BaudChoice::Default) {
        defaultBaudFlag_ = 1;
        checkedBaud_ = BaudChoice::Default;
        emit stateChanged();
        return;
    }
    static constexpr int kRates[] = {0, 9600, 19200, 38400, 57600};
    link_.port().setBaud(kRates[static_cast<int>(choice)]);
    defaultBaudFlag_ = 0;
    checkedBaud_ = choice;
    emit stateChanged();
}

void LinkController::chooseParity(Parity parity)
{
    link_.port().setParity(parity);
    checkedParity_ = parity;
    emit stateChanged();
}

}  // namespace kalvora
