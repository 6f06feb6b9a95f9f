#include "app/window_unit_operation_host.h"

#include <QCoreApplication>

#include "app/main_window.h"
#include "app/secondary_windows.h"

namespace kalvora {

bool WindowUnitOperationHost::linkUp() const { return form_.LinkEstablished(); }

void WindowUnitOperationHost::refreshCurrentPage() { form_.PhasePageControlChange(); }

void WindowUnitOperationHost::holdPages(bool held)
{
    form_.pageControlHeld_ = held;
    form_.updatePageControlEnabling();
}

void WindowUnitOperationHost::showProgress(const QString& text)
{
    if (!form_.infoForm()) return;
    form_.infoForm()->showInfo(text);
    // The window is painted before the long operation takes the thread into its waits.
    QCoreApplication::processEvents();
    form_.infoForm()->repaint();
    QCoreApplication::processEvents();
}

void WindowUnitOperationHost::showProgressUnit(int unit, int units)
{
    if (TInfoForm* info = form_.infoForm()) info->setUnit(unit, units);
}

void WindowUnitOperationHost::hideProgress()
{
    if (TInfoForm* info = form_.infoForm()) info->hideInfo();
}

void WindowUnitOperationHost::setBusy(bool busy)
{
    if (busy)
        form_.link().beginOperation();
    else
        form_.link().endOperation();
}

}  // namespace kalvora
