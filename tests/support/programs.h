#pragma once
// The programs as processes, for the tests that run them: kalvora-sim on its pseudo-terminal for
// the length of a test, one run of a program with its exit status and both outputs, and a
// kalvora-cli left running while the test watches its progress and signals it.
// A test target that includes this declares it with kalvora_runs_programs() (tests/CMakeLists.txt),
// which gives it the programs' paths and builds them first; a benchmark names the program it runs
// (KALVORA_SIM_PATH) and gets only what runs that one.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <csignal>

namespace kalvora::testing {

inline QString SimPath() { return QStringLiteral(KALVORA_SIM_PATH); }
#ifdef KALVORA_WINDOW_PATH
inline QString WindowPath() { return QStringLiteral(KALVORA_WINDOW_PATH); }
#endif

// One kalvora-sim process; its first output line is the device path (empty when it did not start).
class SimProcess {
public:
    enum class Thinking { None, Usual };
    explicit SimProcess(const QStringList& args, Thinking thinking = Thinking::None)
    {
        process_.start(SimPath(), thinking == Thinking::None ? args + QStringList{"--think", "0"} : args);
        if (!process_.waitForStarted()) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~SimProcess()
    {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    QString path() const { return path_; }
    QProcess& process() { return process_; }
    // The units go away at once, as a pulled cable or a killed server would take them.
    void kill()
    {
        process_.kill();
        process_.waitForFinished();
    }

private:
    QProcess process_;
    QString path_;
};

struct ProgramRun {
    int status = -1;  // -1: ended by a signal or did not end in time
    QString out, err;
};

inline ProgramRun RunProgram(const QString& program, const QStringList& args,
                             const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                             int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

#ifdef KALVORA_CLI_PATH
inline QString CliPath() { return QStringLiteral(KALVORA_CLI_PATH); }

// Every timeout of a kalvora-cli run a tenth as long.
inline const QStringList kCliClock{QStringLiteral("--clock-scale"), QStringLiteral("0.1")};

// One kalvora-cli run to its end (with its configuration under `configHome` when given).
inline ProgramRun RunCli(const QStringList& args, const QString& configHome = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!configHome.isEmpty()) env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return RunProgram(CliPath(), kCliClock + args, env);
}

// A kalvora-cli run the test watches while it works: its standard error as it comes, a signal
// at a chosen moment, its end.
class CliProcess {
public:
    explicit CliProcess(const QStringList& args)
    {
        process_.setReadChannel(QProcess::StandardError);
        process_.start(CliPath(), kCliClock + args);
    }
    ~CliProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() { return process_.waitForStarted(); }
    // Reads standard error until it holds `text`; false when the run ended or fell silent first.
    bool waitForError(const QByteArray& text)
    {
        while (!err_.contains(text) && process_.waitForReadyRead(10000)) err_ += process_.readAllStandardError();
        return err_.contains(text);
    }
    // Until the first output on standard error: the run is at work.
    bool waitForAnyError() { return process_.waitForReadyRead(10000); }
    void signal(int sig) { ::kill(pid_t(process_.processId()), sig); }
    // Waits for the end; false when the run did not end in time.
    bool finish(int timeoutMs = 30000)
    {
        const bool ended = process_.waitForFinished(timeoutMs);
        err_ += process_.readAllStandardError();
        out_ += process_.readAllStandardOutput();
        return ended;
    }
    bool endedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }
    int status() const { return process_.exitCode(); }
    const QByteArray& err() const { return err_; }
    const QByteArray& out() const { return out_; }

private:
    QProcess process_;
    QByteArray err_, out_;
};

#endif  // KALVORA_CLI_PATH

}  // namespace kalvora::testing
