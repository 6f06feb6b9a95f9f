// Saves a PNG of every page of the main window and of the secondary windows, rendered with the
// offscreen platform, so the look can be reviewed without a display:
//   QT_QPA_PLATFORM=offscreen kalvora_screenshots DIR
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "platform/clock.h"
#include "scripted_operator.h"

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

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kalvora_screenshots DIR\n");
        return 2;
    }
    QDir dir(args[1]);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    kalvora::clock::setScale(0.01);

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
    kalvora::TInfoForm info;
    info.showInfo(QStringLiteral("Tornel reset in progress. Please wait...."));
    ok &= Save(info, dir, QStringLiteral("7-TInfoForm"));
    kalvora::TConnectionHelpForm help;
    help.show();
    ok &= Save(help, dir, QStringLiteral("8-TConnectionHelpForm"));
    kalvora::AboutBox about(kalvora::kVersionText, &form);
    about.show();
    ok &= Save(about, dir, QStringLiteral("9-AboutBox"));
    return ok ? 0 : 1;
}
