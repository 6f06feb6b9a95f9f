// The configuration file under hostile conditions: a full disk or a size limit, special files
// in the place of the file, a FIFO given to open, and a save killed at random moments.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/recent_files.h"
#include "platform/serial_devices.h"
#include "platform/whole_file.h"
#include "file_bytes.h"
#include "scripted_operator.h"
#include "settings/config_file.h"

using namespace kalvora;
using kalvora::testing::ReadAll;
using kalvora::testing::ScriptedOperator;
using kalvora::testing::WriteBytes;

namespace {

Settings Patterned(int seed)
{
    Settings s;
    int k = seed;
    for (int u = 1; u <= 2; ++u) {
        for (auto& r : s.InputRecords[u])
            for (auto& b : RecordBytes(r)) b = uint8_t(k++ * 7);
        for (auto& r : s.OutputRecords[u])
            for (auto& b : RecordBytes(r)) b = uint8_t(k++ * 13);
    }
    return s;
}

// Every name in the folder but `keep`.
QStringList Others(const QString& dir, const QString& keep)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(QFileInfo(keep).fileName());
    return names;
}

// The save in a child process whose file size limit is below the file's size; the child's
// exit status is 0 when the save reported failure.
bool SaveFailsUnderSizeLimit(const Settings& s, const QString& path, rlim_t limit)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{limit, limit};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(SaveConfigFile(s, path).ok ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(FileSafety, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    const Settings fresh = Patterned(3);
    const QByteArray good = ConfigImage(Patterned(1));
    for (const rlim_t limit : {rlim_t(0), rlim_t(1000), rlim_t(1559)}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("wall.tnc");
        WriteBytes(path, good);
        EXPECT_TRUE(SaveFailsUnderSizeLimit(fresh, path, limit)) << limit;
        EXPECT_EQ(ReadAll(path), good) << limit;
        EXPECT_EQ(Others(dir.path(), path), QStringList()) << limit;
    }
}

TEST(FileSafety, AFullFileSystemKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath("small");
    QDir(dir.path()).mkdir("small");
    if (mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    struct Unmount {
        QByteArray at;
        ~Unmount() { umount(at.constData()); }
    } unmount{mountPoint.toLocal8Bit()};
    const QString path = mountPoint + "/wall.tnc";
    const QByteArray good = ConfigImage(Patterned(1));
    WriteBytes(path, good);
    {
        // Fill what is left.
        QFile filler(mountPoint + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const ConfigFileResult r = SaveConfigFile(Patterned(5), path);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kMsgUnableToCreate);
    EXPECT_EQ(r.reason, QString::fromLocal8Bit(strerror(ENOSPC)));
    EXPECT_EQ(ReadAll(path), good);
    EXPECT_EQ(Others(mountPoint, path), QStringList{"filler"});
}

TEST(FileSafety, SpecialFilesAreNeverReplaced)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.tnc");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QDir(dir.path()).mkdir("folder.tnc");
    QFile::link(fifo, dir.filePath("link-to-fifo.tnc"));
    QStringList names{"fifo.tnc", "folder.tnc", "link-to-fifo.tnc"};
    // Copies of /dev/null and /dev/full where device nodes can be made (as root).
    if (mknod(dir.filePath("null.tnc").toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) names << "null.tnc";
    if (mknod(dir.filePath("full.tnc").toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 7)) == 0) names << "full.tnc";

    auto kind = [](const QString& p) {
        struct stat st {};
        lstat(p.toLocal8Bit().constData(), &st);
        return st.st_mode & S_IFMT;
    };
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        const auto was = kind(path);
        ScriptedOperator op;
        EXPECT_FALSE(WriteConfigFile(Patterned(2), path, op)) << name.toStdString();
        EXPECT_EQ(op.messages(), QStringList{kMsgUnableToCreate}) << name.toStdString();
        EXPECT_EQ(kind(path), was) << name.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

TEST(FileSafety, ALinkToARegularFileIsWrittenThroughAndKept)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("real");
    const QString target = dir.filePath("real/wall.tnc");
    WriteBytes(target, QByteArray(1560, 'o'));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString link = dir.filePath("wall.tnc");
    ASSERT_TRUE(QFile::link("real/wall.tnc", link));

    ScriptedOperator op;
    ASSERT_TRUE(WriteConfigFile(Patterned(4), link, op));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(target), ConfigImage(Patterned(4)));
    EXPECT_EQ(QFile::permissions(target), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                              QFile::WriteUser | QFile::ReadGroup);
    EXPECT_EQ(Others(dir.filePath("real"), target), QStringList());
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST(FileSafety, OpeningAnythingButARegularFileIsRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.tnc");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const struct {
        QString path;
        QString reason;
    } cases[] = {
        {fifo, QStringLiteral("not a regular file")},
        {QStringLiteral("/dev/null"), QStringLiteral("not a regular file")},
        {dir.path(), QString::fromLocal8Bit(strerror(EISDIR))},
        {dir.filePath("missing.tnc"), QString::fromLocal8Bit(strerror(ENOENT))},
    };
    alarm(20);  // a blocking open would otherwise hang the test run
    for (const auto& c : cases) {
        Settings s = Patterned(6);
        const ConfigFileResult r = LoadConfigFile(s, c.path);
        EXPECT_FALSE(r.ok) << c.path.toStdString();
        EXPECT_EQ(r.message, kMsgUnableToOpen) << c.path.toStdString();
        EXPECT_EQ(r.reason, c.reason) << c.path.toStdString();
        EXPECT_EQ(ConfigImage(s), ConfigImage(Patterned(6)));
    }
    alarm(0);
}

TEST(FileSafety, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wall.tnc");
    const QByteArray images[2] = {ConfigImage(Patterned(1)), ConfigImage(Patterned(2))};
    WriteBytes(path, images[0]);
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> delayUs(0, 1000);
    for (int i = 0; i < 200; ++i) {
        const Settings next = Patterned(1 + (i + 1) % 2);
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) SaveConfigFile(next, path);
        }
        usleep(useconds_t(delayUs(rng)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const QByteArray now = ReadAll(path);
        ASSERT_TRUE(now == images[0] || now == images[1]) << "iteration " << i;
        ASSERT_LE(Others(dir.path(), path).size(), 1) << "iteration " << i;
    }
    ScriptedOperator op;
    ASSERT_TRUE(WriteConfigFile(Patterned(1), path, op));
    EXPECT_EQ(ReadAll(path), images[0]);
    EXPECT_EQ(Others(dir.path(), path), QStringList());
}

TEST(FileSafety, SavesOfOneFileSideBySideEachSucceedWithTheirOwnTemporary)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wall.tnc");
    WriteBytes(path, ConfigImage(Patterned(1)));
    // Ten processes save different settings into one file, many times each, at the same time:
    // each save reports success, and the file is always one of them, whole.
    constexpr int kWriters = 10;
    pid_t pids[kWriters];
    for (int w = 0; w < kWriters; ++w) {
        pids[w] = fork();
        if (pids[w] == 0) {
            const Settings mine = Patterned(10 + w);
            for (int k = 0; k < 30; ++k)
                if (!SaveConfigFile(mine, path).ok) _exit(1);
            _exit(0);
        }
    }
    for (int w = 0; w < kWriters; ++w) {
        int status = 0;
        waitpid(pids[w], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << w;
    }
    const QByteArray now = ReadAll(path);
    bool fromAWriter = false;
    for (int w = 0; w < kWriters; ++w) fromAWriter = fromAWriter || now == ConfigImage(Patterned(10 + w));
    EXPECT_TRUE(fromAWriter);
    EXPECT_EQ(Others(dir.path(), path), QStringList());
}

TEST(FileSafety, OutputsAreWrittenIntoDevicesAndPipesAndNeverReplaceThem)
{
    QTemporaryDir dir;
    const QByteArray text("-> PASS *3BLKGN 2 30!C4\n");
    auto kind = [](const QString& p) {
        struct stat st {};
        lstat(p.toLocal8Bit().constData(), &st);
        return st.st_mode & S_IFMT;
    };
    const QString regular = dir.filePath("trace.txt");
    WriteBytes(regular, "old");
    const QString target = dir.filePath("target.txt");
    WriteBytes(target, "old");
    const QString link = dir.filePath("link.txt");
    QFile::link(target, link);
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString nullCopy = dir.filePath("null");
    const QString fullCopy = dir.filePath("full");
    const bool nodes = mknod(nullCopy.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                       mknod(fullCopy.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;

    struct Case {
        QString path;
        bool ok;
        QString reason;  // on failure
    };
    std::vector<Case> cases = {
        {regular, true, {}},
        {link, true, {}},
        {dir.filePath("new.txt"), true, {}},
        {fifo, false, QString::fromLocal8Bit(strerror(EPIPE))},  // nobody reads it
        {"/dev/null", true, {}},
        {"/dev/full", false, QString::fromLocal8Bit(strerror(ENOSPC))},
        {dir.filePath("missing/trace.txt"), false, QString::fromLocal8Bit(strerror(ENOENT))},
    };
    if (nodes) {
        cases.push_back({nullCopy, true, {}});
        cases.push_back({fullCopy, false, QString::fromLocal8Bit(strerror(ENOSPC))});
    }
    for (const Case& c : cases) {
        const auto was = kind(c.path);
        const FileResult r = WriteOutputFile(c.path, text);
        EXPECT_EQ(r.ok, c.ok) << c.path.toStdString();
        if (!c.ok) {
            EXPECT_EQ(r.reason, c.reason) << c.path.toStdString();
        }
        if (was != 0) {
            EXPECT_EQ(kind(c.path), was) << c.path.toStdString();
        }
    }
    EXPECT_EQ(ReadAll(regular), text);
    EXPECT_EQ(ReadAll(target), text);
    EXPECT_EQ(kind(link), S_IFLNK);

    // A pipe with a reader gets the text.
    const int reader = open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(WriteOutputFile(fifo, text).ok);
    char got[64] = {};
    EXPECT_EQ(read(reader, got, sizeof got), text.size());
    EXPECT_EQ(QByteArray(got, int(text.size())), text);
    close(reader);
    EXPECT_EQ(kind(fifo), S_IFIFO);
}

// Every writer over every kind of path it may be given: the configuration file, a trace, and the
// two sections of the settings file. A regular file is replaced, a link to one is written
// through and stays a link, and nothing else is ever renamed over: a FIFO or a device keeps its
// kind, an output is written straight into a device, and whatever happens the result says so.
TEST(FileSafety, EveryWriterOverEveryKindOfPath)
{
    struct Writer {
        const char* name;
        bool intoDevices;  // an output the operator names: written straight into devices and pipes
        std::function<bool(const QString&)> write;
        std::function<bool(const QString&)> landed;  // the written content is there
    };
    const Settings file = Patterned(4);
    const QByteArray text("-> TNQUERY *7OINFOTN 2!\n");
    RecentFiles recent;
    recent.use(QStringLiteral("/walls/hall.tnc"));
    const ComChoice choice{QStringLiteral("/dev/ttyUSB3"), QString()};
    const Writer writers[] = {
        {"configuration file", false,
         [&](const QString& p) {
             ScriptedOperator op;
             return WriteConfigFile(file, p, op);
         },
         [&](const QString& p) { return ReadAll(p) == ConfigImage(file); }},
        {"trace", true, [&](const QString& p) { return WriteOutputFile(p, text).ok; },
         [&](const QString& p) { return ReadAll(p) == text; }},
        {"recent files", false, [&](const QString& p) { return SaveRecentFiles(p, recent); },
         [&](const QString& p) { return LoadRecentFiles(p) == recent; }},
        {"COM choice", false, [&](const QString& p) { return SaveComChoice(p, choice); },
         [&](const QString& p) { return LoadComChoice(p) == choice; }},
    };
    auto kind = [](const QString& p) {
        struct stat st {};
        lstat(p.toLocal8Bit().constData(), &st);
        return st.st_mode & S_IFMT;
    };
    enum class Kind { Regular, LinkToRegular, Fifo, DeviceCopy, DevNull };
    for (const Writer& w : writers) {
        for (const Kind k : {Kind::Regular, Kind::LinkToRegular, Kind::Fifo, Kind::DeviceCopy, Kind::DevNull}) {
            QTemporaryDir dir;
            QString path = dir.filePath("out");
            switch (k) {
            case Kind::Regular: WriteBytes(path, "old"); break;
            case Kind::LinkToRegular:
                WriteBytes(dir.filePath("target"), "old");
                QFile::link(dir.filePath("target"), path);
                break;
            case Kind::Fifo: ASSERT_EQ(mkfifo(path.toLocal8Bit().constData(), 0600), 0); break;
            case Kind::DeviceCopy:
                if (mknod(path.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) continue;  // not root
                break;
            case Kind::DevNull:
                if (!w.intoDevices) continue;  // the system's own /dev/null is given only to outputs
                path = QStringLiteral("/dev/null");
                break;
            }
            SCOPED_TRACE(std::string(w.name) + ", kind " + std::to_string(int(k)));
            const auto was = kind(path);
            const bool regular = k == Kind::Regular || k == Kind::LinkToRegular;
            // A FIFO nobody reads fails at once rather than blocking; a device takes an output.
            const bool expected = regular || (w.intoDevices && k != Kind::Fifo);
            EXPECT_EQ(w.write(path), expected);
            EXPECT_EQ(kind(path), was) << "never renamed over";
            if (regular) {
                EXPECT_TRUE(w.landed(k == Kind::LinkToRegular ? dir.filePath("target") : path));
            }
            if (k != Kind::DevNull) {
                const QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                                    QDir::NoDotAndDotDot);
                EXPECT_EQ(left, k == Kind::LinkToRegular ? QStringList({"out", "target"}) : QStringList{"out"})
                    << "no temporary left";
            }
        }
    }
}
