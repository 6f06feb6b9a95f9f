// Saves a PNG of every page of the main window and of the secondary windows, rendered with the
// offscreen platform, so the look can be reviewed without a display:
//   QT_QPA_PLATFORM=offscreen kalvora_screenshots DIR
// Then the pages and windows again at the desktop fonts 9 to 12 pt, at the scale factors 1, 1.25,
// 1.5 and 2 (each scale in a run of its own, which the first run starts with --fonts-only):
// DIR/fonts/<points>pt-x<scale>-<what>.png.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/info_page.h"
#include "app/kalvora_application.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "app/traffic_window.h"
#include "app/wall_overview_view.h"
#include "editors/display_setup_page.h"
#include "editors/radio_group.h"
#include "layout_check.h"
#include "link/link.h"
#include "editors/planning_page.h"
#include "platform/gui/message_box_operator.h"
#include "platform/gui/named_widget.h"
#include "platform/clock.h"
#include "scripted_operator.h"
#include "sim/simulator.h"

namespace {

bool Save(QWidget& w, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!w.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Runs `ask`, saves the message box it opens and closes the box.
bool SaveMessageBox(const QDir& dir, const QString& name, const std::function<void()>& ask)
{
    bool ok = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll.stop();
        ok = Save(*box, dir, name);
        box->done(QDialog::Rejected);
    });
    poll.start();
    ask();
    return ok;
}

// The pages (the Display Setup with eight screens, advanced feathering, both tabs) and the
// secondary windows at each desktop font, at the scale this run has.
bool SaveAtEveryFont(const QDir& top)
{
    QDir dir(top.filePath(QStringLiteral("fonts")));
    if (!dir.mkpath(QStringLiteral("."))) return false;
    const QString scale = qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") ? QStringLiteral("1")
                                                                         : qEnvironmentVariable("QT_SCALE_FACTOR");
    const QFont desktop = QApplication::font();
    bool ok = true;
    for (int points : {9, 10, 11, 12}) {
        QFont f = desktop;
        f.setPointSize(points);
        QApplication::setFont(f);
        const QString prefix = QStringLiteral("%1pt-x%2-").arg(points).arg(scale);
        kalvora::testing::ScriptedOperator op;
        kalvora::TKalvoraForm form(op);
        form.show();
        while (op.questions().isEmpty()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        QApplication::processEvents();
        kalvora::PlanningPage* planning = form.planningPage();
        kalvora::FindNamed<QComboBox>(planning, QStringLiteral("ImageAlignComboBox"))->setCurrentIndex(0);
        planning->ImageAlignComboBoxChange();
        kalvora::FindNamed<QComboBox>(planning, QStringLiteral("NumOfScreenComboBox"))->setCurrentIndex(7);
        planning->NumOfScreenComboBoxChange();
        kalvora::FindNamed<QCheckBox>(&form, QStringLiteral("AdvanceModeCheckBox"))->setChecked(true);
        kalvora::testing::FillLongestValues(form.settings());
        form.infoPage()->ScreenInfoComboBoxChange();
        QTabWidget* pages = form.pages();
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QApplication::processEvents();
            ok &= Save(form, dir, prefix + QStringLiteral("%1-%2").arg(i + 1).arg(pages->widget(i)->objectName()));
        }
        auto* tabs = kalvora::FindNamed<QTabWidget>(&form, QStringLiteral("ScreenPageControl"));
        pages->setCurrentWidget(form.displayPage());
        tabs->setCurrentIndex(1);
        QApplication::processEvents();
        ok &= Save(form, dir, prefix + QStringLiteral("4-DisplaySetupTabSheet-screens5-8"));
        kalvora::TInfoForm info;
        info.showInfo(QStringLiteral("Auto Color Balance in progress. Please wait...."));
        info.setUnit(2, 2);
        ok &= Save(info, dir, prefix + QStringLiteral("TInfoForm"));
        kalvora::TConnectionHelpForm help;
        help.show();
        ok &= Save(help, dir, prefix + QStringLiteral("TConnectionHelpForm"));
        kalvora::AboutBox about(kalvora::kVersionText, &form);
        about.show();
        ok &= Save(about, dir, prefix + QStringLiteral("AboutBox"));
        about.hide();
        form.trafficWindow()->show();
        QApplication::processEvents();
        ok &= Save(*form.trafficWindow(), dir, prefix + QStringLiteral("TrafficWindow"));
        form.settings().FileLoadedAvailable = true;  // the wall as the records hold it
        form.settings().output(1, 1).TotalProjectors = 8;
        form.settings().output(1, 1).OverlapWidth = 48;
        form.infoPage()->showWallOverview();
        QApplication::processEvents();
        ok &= Save(*form.infoPage()->wallOverviewWindow(), dir, prefix + QStringLiteral("WallOverview"));
    }
    QApplication::setFont(desktop);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    kalvora::KalvoraApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool fontsOnly = args.size() == 3 && args[2] == QStringLiteral("--fonts-only");
    if (args.size() != 2 && !fontsOnly) {
        std::fprintf(stderr, "usage: kalvora_screenshots DIR\n");
        return 2;
    }
    QDir dir(args[1]);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    kalvora::clock::setScale(0.01);
    if (fontsOnly) return SaveAtEveryFont(dir) ? 0 : 1;

    kalvora::testing::ScriptedOperator op;  // answers No to the search question
    kalvora::TKalvoraForm form(op);
    form.show();
    // The first show's dialogue (plan, search question) runs from the event loop.
    while (op.questions().isEmpty()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QApplication::processEvents();

    bool ok = true;
    QTabWidget* pages = form.pages();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        ok &= Save(form, dir, QStringLiteral("%1-%2").arg(i + 1).arg(pages->widget(i)->objectName()));
    }
    // The Display Setup page with every screen group shown: a wall of 8 projectors, both tabs,
    // advanced feathering off and on.
    {
        kalvora::PlanningPage* planning = form.planningPage();
        kalvora::FindNamed<QComboBox>(planning, QStringLiteral("ImageAlignComboBox"))->setCurrentIndex(0);
        planning->ImageAlignComboBoxChange();
        kalvora::FindNamed<QComboBox>(planning, QStringLiteral("NumOfScreenComboBox"))->setCurrentIndex(7);
        planning->NumOfScreenComboBoxChange();
        pages->setCurrentWidget(form.displayPage());
        auto* tabs = kalvora::FindNamed<QTabWidget>(&form, QStringLiteral("ScreenPageControl"));
        auto* advanced = kalvora::FindNamed<QCheckBox>(&form, QStringLiteral("AdvanceModeCheckBox"));
        for (bool on : {false, true}) {
            advanced->setChecked(on);
            for (int tab = 0; tab < 2; ++tab) {
                tabs->setCurrentIndex(tab);
                QApplication::processEvents();
                ok &= Save(form, dir,
                           QStringLiteral("12-DisplaySetup-8-%1-screens%2").arg(on ? "advanced" : "basic").arg(tab ? "5-8" : "1-4"));
            }
        }
        tabs->setCurrentIndex(0);
        pages->setCurrentIndex(0);
    }

    kalvora::TInfoForm info;
    info.showInfo(QStringLiteral("Tornel reset in progress. Please wait...."));
    ok &= Save(info, dir, QStringLiteral("7-TInfoForm"));
    // The same window while a colour balance runs on the second of two units.
    kalvora::TInfoForm balance;
    balance.showInfo(QStringLiteral("Auto Color Balance in progress. Please wait...."));
    balance.setUnit(2, 2);
    ok &= Save(balance, dir, QStringLiteral("7-TInfoForm-colour-balance"));
    kalvora::TConnectionHelpForm help;
    help.show();
    ok &= Save(help, dir, QStringLiteral("8-TConnectionHelpForm"));
    kalvora::AboutBox about(kalvora::kVersionText, &form);
    about.show();
    ok &= Save(about, dir, QStringLiteral("9-AboutBox"));

    // The window once connected to simulated units and read: the Information page with values.
    {
        kalvora::clock::setScale(0.1);
        kalvora::sim::SimConfig config;
        config.mode = kalvora::sim::PortMode::Controller;
        config.ids = {1, 2};
        kalvora::sim::Simulator simulator(config);
        QString error;
        if (!simulator.start(&error)) {
            std::fprintf(stderr, "cannot start the simulated units: %s\n", qPrintable(error));
            return 1;
        }
        kalvora::testing::ScriptedOperator connectedOp;
        connectedOp.answerAll({true, true});  // search at start, then read the units
        kalvora::TKalvoraForm connected(connectedOp);
        connected.setComDevices(simulator.slavePath(), QString());
        connected.show();
        while (connectedOp.questions().isEmpty()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        QApplication::processEvents();
        // A wall of eight projectors on the two units, as the operator plans it after the read.
        kalvora::PlanningPage* planning = connected.planningPage();
        kalvora::FindNamed<QComboBox>(planning, QStringLiteral("ImageAlignComboBox"))->setCurrentIndex(0);  // left
        planning->ImageAlignComboBoxChange();
        kalvora::FindNamed<QComboBox>(planning, QStringLiteral("NumOfScreenComboBox"))->setCurrentIndex(7);
        planning->NumOfScreenComboBoxChange();
        QApplication::processEvents();
        // The source and seam pages show channel 6 (unit 2, input and screen 2).
        for (const char* name : {"SourceScreenSelectRadioGroup", "SeamScreenSelectRadioGroup"})
            kalvora::FindNamed<kalvora::RadioGroup>(&connected, QString::fromLatin1(name))->setItemIndex(5);
        // Every page after the read of both units (eight projectors).
        QTabWidget* connectedPages = connected.pages();
        for (int i = 0; i < connectedPages->count(); ++i) {
            connectedPages->setCurrentIndex(i);
            QApplication::processEvents();
            ok &= Save(connected, dir,
                       QStringLiteral("10-%1-%2-connected").arg(i + 1).arg(connectedPages->widget(i)->objectName()));
        }
        // The traffic of that search and read, and the wall as the units hold it.
        kalvora::TrafficWindow* traffic = connected.trafficWindow();
        traffic->show();
        QApplication::processEvents();
        ok &= Save(*traffic, dir, QStringLiteral("14-TrafficWindow-connected"));
        connected.infoPage()->showWallOverview();
        QApplication::processEvents();
        ok &= Save(*connected.infoPage()->wallOverviewWindow(), dir, QStringLiteral("15-WallOverview-connected"));
        // The Information page with the longest texts its labels can show.
        kalvora::testing::FillLongestValues(connected.settings());
        connected.pages()->setCurrentWidget(connected.infoPage());
        connected.infoPage()->ScreenInfoComboBoxChange();
        QApplication::processEvents();
        ok &= Save(connected, dir, QStringLiteral("11-InfoTabSheet-longest-values"));
        // COM1 and COM2 on network serial servers, with long addresses.
        connected.setComDevices(QStringLiteral("rfc2217://projection-room-server.example.net:4001"),
                                QStringLiteral("socket://[fd00:1234:5678::17]:2217"));
        QApplication::processEvents();
        ok &= Save(connected, dir, QStringLiteral("11-InfoTabSheet-network-ports"));
    }

    // The wall overview of an eight-screen wall with a little of everything: advanced feathering
    // on unit 1, basic on unit 2, halo removal, a screen without feathering, unlocked inputs.
    {
        kalvora::Settings s;
        s.FileLoadedAvailable = true;
        for (int u = 1; u <= 2; ++u) {
            kalvora::OutputScreenRecord& unit = s.output(u, 1);
            unit.OutputFormat = 3;
            unit.TotalProjectors = 8;
            unit.OverlapWidth = 256;
            unit.ControlMode = u == 1 ? 1 : 0;
            unit.BasicFeather = 1;
            unit.BasicGamma = 2.2f;
            for (int i = 1; i <= 4; ++i) {
                kalvora::OutputScreenRecord& r = s.output(u, i);
                r.TestPattern = uint8_t((u - 1) * 4 + i) % 11;
                r.BlackLevel = uint8_t(12 * i);
                r.LeftFeather = r.RightFeather = 1;
                r.LeftGamma = 1.8f;
                r.RightGamma = 2.4f;
                s.input(u, i).VideoLocked = 1;
            }
        }
        s.output(1, 2).LeftHaloWidth = 14;
        s.output(1, 2).LeftHaloOffset = 2;
        s.output(1, 3).RightFeather = 0;
        s.output(1, 3).TestGrid = 1;
        s.input(2, 3).VideoLocked = 0;
        kalvora::WallOverviewView view;
        view.setOverview(kalvora::LayoutWallOverview(s, 8, kalvora::kOverviewWindowWidth));
        view.show();
        QApplication::processEvents();
        ok &= Save(view, dir, QStringLiteral("16-WallOverview-8"));
        s.output(1, 1).TotalProjectors = 3;
        view.setOverview(kalvora::LayoutWallOverview(s, 3, kalvora::kOverviewWindowWidth));
        QApplication::processEvents();
        ok &= Save(view, dir, QStringLiteral("17-WallOverview-3"));
    }

    // Every kind of message box, as the program shows them.
    kalvora::MessageBoxOperator boxes(&form);
    ok &= SaveMessageBox(dir, QStringLiteral("13-1-message"), [&] {
        boxes.showMessage(QStringLiteral("When Tornel(s) are connected, go to 'Serial Port->Search for Tornel(s)->Search' "
                                         "menu item for the Kalvora to search for Tornel(s).\nPlease refer to Tornel "
                                         "manual for help with Kalvora serial connection."));
    });
    ok &= SaveMessageBox(dir, QStringLiteral("13-2-question-yes-no"), [&] {
        boxes.askYesNo(QStringLiteral("Vorn - Kalvora :Confirm Exit"),
                       QStringLiteral("Are you sure you want to exit this application?"));
    });
    ok &= SaveMessageBox(dir, QStringLiteral("13-3-question-ok-cancel"), [&] {
        boxes.askOkCancel(QStringLiteral("Kalvora - Confirm Auto Color Balance"),
                          QStringLiteral("Automatic Color Balance takes several minutes to complete. Are you sure you "
                                         "want to run Automatic Color Balance? Click OK to continue."));
    });
    ok &= SaveMessageBox(dir, QStringLiteral("13-4-question-retry-cancel"), [&] {
        boxes.askRetryCancel(kalvora::kTitleGiveUp, kalvora::MsgGiveUpQuery(3));
    });
    ok &= SaveMessageBox(dir, QStringLiteral("13-5-exception"),
                         [&] { app.showException(QStringLiteral("Unknown error.")); });

    // Every desktop font at this scale, then at the other scales in runs of their own.
    ok &= SaveAtEveryFont(dir);
    for (const char* scale : {"1.25", "1.5", "2"}) {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(), {dir.absolutePath(), QStringLiteral("--fonts-only")});
        if (!run.waitForFinished(120000) || run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0) {
            std::fprintf(stderr, "the run at scale %s failed\n", scale);
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
