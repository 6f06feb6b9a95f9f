// The captions as a window manager reads them: the program runs on a real X server (Xvfb) and a
// separate X client (xprop) reads each window's _NET_WM_NAME. Qt may decorate a title on its way
// to the window system, so a widget's windowTitle() alone proves nothing here.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/kalvora_application.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "platform/gui/message_box_operator.h"
#include "qt_print.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

// An Xvfb of the test's own on a free display number, ended with the test program.
class XServer {
public:
    ~XServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // The display name (":N"), or empty with the reason in `why`.
    QString start(QString& why)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            why = QStringLiteral("no pipe");
            return {};
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::fcntl(fds[1], F_SETFD, 0);  // Xvfb writes its display number here when ready
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x1024x24",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        QByteArray number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (::poll(&p, 1, 30000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (pid_ < 0 || number.isEmpty()) {
            why = QStringLiteral("Xvfb could not be started (is the xvfb package installed?)");
            return {};
        }
        return QStringLiteral(":") + QString::fromLatin1(number);
    }

private:
    pid_t pid_ = -1;
};

XServer server;
QString skipReason;  // set when no X server could be started

// What another X client reads as the window's _NET_WM_NAME.
QString NetWmName(QWidget* window)
{
    const WId id = window->winId();
    QCoreApplication::processEvents();
    QApplication::sync();
    QProcess xprop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(env);
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(id), QStringLiteral("-notype"), QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(10000)) return QStringLiteral("<xprop did not finish>");
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype first = out.indexOf(QLatin1Char('"')), last = out.lastIndexOf(QLatin1Char('"'));
    if (first < 0 || last <= first) return QStringLiteral("<no name: %1>").arg(out);
    return out.mid(first + 1, last - first - 1);
}

// Answers each modal window as it appears, after reading its name from the X server.
class ModalWatcher {
public:
    ModalWatcher()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { check(); });
        timer_.start();
    }
    QStringList names;

private:
    void check()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("kalvoraCaptionRead").toBool()) return;
        modal->setProperty("kalvoraCaptionRead", true);
        names << NetWmName(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            // No to every question: the program goes on without a search and keeps running.
            if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->button(QMessageBox::No))
                box->button(QMessageBox::No)->click();
            else
                dialog->done(QDialog::Rejected);
        }
    }
    QTimer timer_;
};

class WindowCaptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!skipReason.isEmpty()) GTEST_SKIP() << skipReason.toStdString();
    }
};

TEST_F(WindowCaptions, EveryWindowAndBoxShowsItsCaptionExactly)
{
    ModalWatcher watcher;
    MessageBoxOperator op;
    TKalvoraForm form(op);
    op.setParent(&form);
    TInfoForm info;
    TConnectionHelpForm help;
    form.setSecondaryWindows(&info, &help);

    // First show: the search question, answered No, then the plain note.
    form.show();
    ASSERT_TRUE(RunUntil([&] { return watcher.names.size() >= 2; }, 20000)) << watcher.names.join('|').toStdString();
    EXPECT_EQ(NetWmName(&form), "Quennel - Kalvora");

    info.showInfo(QStringLiteral("Tornel reset in progress. Please wait...."));
    EXPECT_EQ(NetWmName(&info), "Quennel - Kalvora Info");
    info.hideInfo();
    help.showHelp();
    EXPECT_EQ(NetWmName(&help), "Quennel - Kalvora : Connection Help");
    help.hide();

    form.About1Click();
    ASSERT_TRUE(form.configFiles().SaveDialog1 && form.configFiles().OpenDialog1);
    EXPECT_EQ(form.configFiles().SaveDialog1(), QString());
    EXPECT_EQ(form.configFiles().OpenDialog1(), QString());
    op.askOkCancel(QStringLiteral("Kalvora - Confirm Auto Color Balance"), QStringLiteral("Click OK to continue."));
    op.askRetryCancel(kApplicationTitle, QStringLiteral("keep trying?"));
    static_cast<KalvoraApplication*>(qApp)->showException(QStringLiteral("Unknown error."));
    form.close();  // the exit question, answered No

    EXPECT_EQ(watcher.names, (QStringList{"Vorn - Kalvora :Establish COM port communication with Tornel(s)",
                                          "Vorn - Kalvora", "About Kalvora", "Save As", "Open",
                                          "Kalvora - Confirm Auto Color Balance", "Vorn - Kalvora", "Vorn - Kalvora",
                                          "Vorn - Kalvora :Confirm Exit"}));
    EXPECT_TRUE(form.isVisible());
}

}  // namespace

// Starts the X server before the application object, which connects to it.
std::unique_ptr<QCoreApplication> MakeTestApplication(int& argc, char** argv)
{
    const QString display = server.start(skipReason);
    if (display.isEmpty()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        ::setenv("DISPLAY", display.toLocal8Bit().constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
    }
    return std::make_unique<KalvoraApplication>(argc, argv);
}

}  // namespace kalvora::testing
