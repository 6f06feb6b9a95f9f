#include "link/link.h"

#include <QCoreApplication>
#include <cstdarg>
#include <cstdio>

#include "platform/operator.h"
#include "settings/main_flags.h"

namespace kalvora {

QString MsgPortBusy(int n) { return QStringLiteral("Note: COM Port #%1 is not responding/being used by another application.").arg(n); }
QString MsgPortPermission(int n, const QString&) { return MsgPortBusy(n); }
QString MsgPortNotResponding(int n) { return QStringLiteral("Note: COM Port #%1 is not responding.").arg(n); }
QString MsgGiveUpCommand(int) { return {}; }
QString MsgGiveUpQuery(int) { return {}; }
int ComputeChecksumOf(const char*) { return 0; }
QByteArray ChecksumDigits(int) { return {}; }
int FormatCommand(char*, int, const char*, ...) { return 0; }

Link::Link(SerialPort& port, Operator& op, MainFlags& flags, QObject* parent)
    : QObject(parent), port_(port), op_(op), flags_(flags) {}
Link::~Link() = default;
void Link::SetCommandText(const char*, ...) {}
int Link::UnitId(int) const { return 0; }
void Link::SetUnitIds(const QString&, bool, const QString&, bool) {}
void Link::SetVersion1Label(const QString&) {}
void Link::ComputeChecksum() {}
bool Link::WriteIfRoom(const QByteArray&) { return false; }
bool Link::WriteIfRoom(const char*) { return false; }
bool Link::SendControllerCommand(int) { return false; }
bool Link::SendQuery() { return false; }
bool Link::SendAndWaitPrompt(const QByteArray&) { return false; }
bool Link::SendDirectCommand() { return false; }
bool Link::RecoverDirectLink() { return false; }
bool Link::ProbePort(int) { return false; }
void Link::SetLinkEstablished(bool) {}
void Link::ApdComPort1TriggerAvail(int) {}
void Link::Timer1Timer() {}
bool Link::AdTerminal1KeyPress(char) { return false; }
void Link::WaitMs(int) {}
void Link::HandlePendingEvents() {}
void Link::SetCursorBusy(bool) {}
bool Link::KeepTrying(int, bool) { return false; }
void Link::setPageEnabled(bool) {}
void Link::startTimer1() {}
void Link::stopTimer1() {}
void Link::waitForReplyOrFailure() {}
void Link::runDeferredEffects() {}
void Link::onPortFailed(const QString&) {}
void Link::resetAssembly() {}

}  // namespace kalvora
