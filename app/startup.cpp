#include "app/startup.h"

#include <cstdio>

#include "app/main_window.h"
#include "platform/gui/single_instance.h"
#include "platform/operator.h"

namespace kalvora {

bool HandOverToRunningInstance(SingleInstance& instance, Operator& op, const QString& file)
{
    switch (instance.claim()) {
    case SingleInstance::Result::OtherRunning:
        op.showMessage(kMsgAlreadyRunning);
        instance.notifyRunning(file);
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
    QObject::connect(&instance, &SingleInstance::openRequested, &form, &TKalvoraForm::OpenRequestedFile);
}

}  // namespace kalvora
