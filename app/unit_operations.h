#pragma once
// The operations on whole units the window starts: "Send Current Settings to Tornel(s)" (every
// setting the pages show, to the units, with its step in the status bar) and the Information
// page's factory reset and system save.

#include <QObject>
#include <QPointer>

#include "app/window_values.h"
#include "operations/bulk_send.h"

class QAction;
class QWidget;

namespace kalvora {

class Operator;
class Session;
class StatusBarDisplay;
class TInfoForm;

inline const QString kTitleFactoryReset = QStringLiteral("Kalvora - Factory Reset Verification");
inline const QString kQuestionFactoryReset = QStringLiteral(
    "Resetting the Tornel(s) will reset settings to default values. Are you sure you want to reset the Tornel(s)?");
inline const QString kInfoResetInProgress = QStringLiteral("Tornel reset in progress. Please wait....");

class UnitOperations : public QObject {
    Q_OBJECT
public:
    // `window`: the controls the send reads its values from; `unitMenus`: the menus held while a
    // reset runs.
    UnitOperations(QWidget& window, Session& session, Operator& op, StatusBarDisplay& status,
                   WindowPages& pages, QList<QAction*> unitMenus);

    // The stay-on-top note shown while a reset runs (none: nothing shown).
    void setInfoForm(TInfoForm* form) { infoForm_ = form; }

    BulkOutcome SendCurrentSettings();
    // Each guards itself with EditorBusy.
    void ResetUnits();
    void SystemSaveUnits();

private:
    void setUnitMenusEnabled(bool enabled);

    QWidget& window_;
    Session& session_;
    Operator& op_;
    StatusBarDisplay& status_;
    WindowPages& pages_;
    QList<QAction*> unitMenus_;
    QPointer<TInfoForm> infoForm_;
};

}  // namespace kalvora
