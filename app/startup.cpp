#include "app/startup.h"

#include <QFile>
#include <QFileInfo>
#include <climits>
#include <cstdio>
#include <unistd.h>

#include "app/main_window.h"
#include "platform/file_name.h"
#include "platform/gui/single_instance.h"
#include "platform/operator.h"

namespace kalvora {

bool HandOverToRunningInstance(SingleInstance& instance, Operator& op, const QByteArray& fileName)
{
    switch (instance.claim()) {
    case SingleInstance::Result::OtherRunning:
        op.showMessage(kMsgAlreadyRunning);
        instance.notifyRunning(fileName);
        return true;
    case SingleInstance::Result::Failed:
        // Without the socket a later start cannot find this one; the program still works.
        std::fprintf(stderr, "kalvora: single-instance check unavailable: %s\n", qPrintable(instance.errorText()));
        return false;
    case SingleInstance::Result::Primary:
        return false;
    }
    return false;
}

void RaiseOnActivation(SingleInstance& instance, TKalvoraForm& form)
{
    QObject::connect(&instance, &SingleInstance::activationRequested, &form, [&form] {
        if (form.isMinimized()) form.showNormal();
        form.raise();
        form.activateWindow();
    });
    QObject::connect(&instance, &SingleInstance::openRequested, &form, &TKalvoraForm::OpenRequestedFileName);
}

QByteArray CommandLineFileName(const QString& parsed, int argc, const char* const* argv)
{
    if (parsed.isEmpty()) return {};
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (QFileInfo(QFile::decodeName(arg)).absoluteFilePath() != parsed) continue;
        QByteArray absolute = arg;
        if (!arg.startsWith('/')) {
            char cwd[PATH_MAX];
            absolute = (::getcwd(cwd, sizeof cwd) ? QByteArray(cwd) : QByteArray()) + '/' + arg;
        }
        // The name as read when that is exactly these bytes; else the bytes, to be refused.
        return ExactFileName(absolute) ? QFile::encodeName(parsed) : absolute;
    }
    return QFile::encodeName(parsed);
}

}  // namespace kalvora
