#include "app/no_display.h"

#include <QtGlobal>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace kalvora {
namespace {

struct HeldMessage {
    QtMsgType type;
    QString text;
};

QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage>* heldMessages = nullptr;

void HoldOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        heldMessages->push_back({type, text});
        return;
    }
    // The platform plugin gave up: its warnings before this name the cause.
    QString cause;
    for (const HeldMessage& m : *heldMessages)
        if (m.type != QtDebugMsg && m.type != QtInfoMsg) {
            cause = m.text;
            break;
        }
    if (cause.isEmpty()) cause = text.section(QLatin1Char('\n'), 0, 0);
    Q_UNUSED(context);
    const QByteArray line = NoDisplayLine(qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                                          cause)
                                .toLocal8Bit() +
                            '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    ::_exit(1);  // nothing of the program exists yet, so there is nothing to tidy up
}

}  // namespace

QString NoDisplayLine(const QString& display, const QString& waylandDisplay, const QString& cause)
{
    QString where;
    if (display.isEmpty() && waylandDisplay.isEmpty())
        where = QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    else
        where = cause.trimmed();
    return QStringLiteral("kalvora: no display to open the window on (%1). Start it in a desktop session, "
                          "or use kalvora-cli, which needs no display.")
        .arg(where);
}

NoDisplayGuard::NoDisplayGuard()
{
    heldMessages = new std::vector<HeldMessage>;
    previousHandler = qInstallMessageHandler(HoldOrEnd);
}

NoDisplayGuard::~NoDisplayGuard()
{
    qInstallMessageHandler(previousHandler);
    std::vector<HeldMessage>* held = heldMessages;
    heldMessages = nullptr;
    for (const HeldMessage& m : *held) {
        switch (m.type) {
        case QtDebugMsg: qDebug("%s", qUtf8Printable(m.text)); break;
        case QtInfoMsg: qInfo("%s", qUtf8Printable(m.text)); break;
        case QtWarningMsg: qWarning("%s", qUtf8Printable(m.text)); break;
        case QtCriticalMsg: qCritical("%s", qUtf8Printable(m.text)); break;
        case QtFatalMsg: break;
        }
    }
    delete held;
}

}  // namespace kalvora
