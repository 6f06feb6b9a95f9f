#pragma once
// kalvora-cli and kalvora-sim as programs: a simulator on its pseudo-terminal for the length of
// a test, and one run of the tool with its exit status and both outputs.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace kalvora::testing {

// One kalvora-sim process; its first output line is the device path.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args)
    {
        process_.start(QStringLiteral(KALVORA_SIM_PATH), args + QStringList{"--think", "0"});
        if (process_.waitForStarted() && process_.waitForReadyRead(10000))
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~SimProcess()
    {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    QString path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

struct CliRun {
    int status = -1;
    QString out, err;
};

// Runs kalvora-cli with every timeout a tenth as long.
inline CliRun RunCli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(KALVORA_CLI_PATH), QStringList{"--clock-scale", "0.1"} + args);
    CliRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

}  // namespace kalvora::testing
