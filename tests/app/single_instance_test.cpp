#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include "app/startup.h"
#include "platform/gui/single_instance.h"
#include "scripted_operator.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir dir{QDir::tempPath() + "/kalvora-si-XXXXXX"};
    QString name() const { return dir.filePath("TKalvoraForm-test"); }
};

TEST_F(SingleInstanceTest, NameCarriesTheWindowClassAndTheUser)
{
    const QString name = SingleInstance::defaultName();
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith("TKalvoraForm-"));
    EXPECT_TRUE(name.endsWith(QString::number(::getuid())));
}

TEST_F(SingleInstanceTest, ASecondStartIsToldAndTheFirstIsAskedToComeToTheFront)
{
    ASSERT_TRUE(dir.isValid());
    SingleInstance first(name());
    ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
    QSignalSpy raised(&first, &SingleInstance::activationRequested);

    SingleInstance second(name());
    ScriptedOperator op;
    EXPECT_TRUE(HandOverToRunningInstance(second, op));
    EXPECT_EQ(op.messages(),
              QStringList{"Error! Already have an instance of the Kalvora running. Exiting application."});
    EXPECT_EQ(op.events.front().title, "Vorn - Kalvora");
    EXPECT_TRUE(RunUntil([&] { return raised.count() > 0; }));
    EXPECT_EQ(raised.count(), 1);
}

TEST_F(SingleInstanceTest, AFileGivenToASecondStartIsOpenedByTheFirst)
{
    ASSERT_TRUE(dir.isValid());
    SingleInstance first(name());
    ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
    QSignalSpy raised(&first, &SingleInstance::activationRequested);
    QSignalSpy opened(&first, &SingleInstance::openRequested);

    const QString file = QStringLiteral("/home/op/Wände Saal 2/front wall.tnc");
    SingleInstance second(name());
    ScriptedOperator op;
    EXPECT_TRUE(HandOverToRunningInstance(second, op, file));
    EXPECT_TRUE(RunUntil([&] { return opened.count() > 0; }));
    EXPECT_EQ(raised.count(), 1);
    EXPECT_EQ(opened.takeFirst().at(0).toString(), file);

    // A request written in pieces is taken whole, once its line ends.
    QLocalSocket peer;
    peer.connectToServer(name());
    ASSERT_TRUE(peer.waitForConnected(1000));
    peer.write("open /tmp/a");
    peer.flush();
    EXPECT_FALSE(RunUntil([&] { return opened.count() > 0; }, 100));
    peer.write(".tnc\n");
    peer.flush();
    EXPECT_TRUE(RunUntil([&] { return opened.count() > 0; }));
    EXPECT_EQ(opened.takeFirst().at(0).toString(), "/tmp/a.tnc");
}

TEST_F(SingleInstanceTest, AStaleSocketOfACrashedInstanceIsRemovedAndTakenOver)
{
    ASSERT_TRUE(dir.isValid());
    // What a crashed instance leaves: a socket file that nobody listens on.
    const QByteArray path = QFile::encodeName(name());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof(addr.sun_path));
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(name()));

    SingleInstance restarted(name());
    ScriptedOperator op;
    EXPECT_FALSE(HandOverToRunningInstance(restarted, op));
    EXPECT_TRUE(op.messages().isEmpty());
    // And it is now the running instance for the next start.
    SingleInstance next(name());
    EXPECT_EQ(next.claim(), SingleInstance::Result::OtherRunning);
}

TEST_F(SingleInstanceTest, TheSocketGoesWithTheInstance)
{
    ASSERT_TRUE(dir.isValid());
    {
        SingleInstance first(name());
        ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
    }
    SingleInstance again(name());
    EXPECT_EQ(again.claim(), SingleInstance::Result::Primary);
}

TEST_F(SingleInstanceTest, TheNameLivesInAFolderOnlyTheUserMayEnter)
{
    ASSERT_TRUE(dir.isValid());
    QTemporaryDir home;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedTmp = qgetenv("TMPDIR"), savedHome = qgetenv("HOME");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString own = dir.filePath(QStringLiteral("kalvora-%1").arg(::getuid()));
    const QString name = SingleInstance::defaultName();
    EXPECT_EQ(QFileInfo(name).absolutePath(), own);
    EXPECT_EQ(QFileInfo(own).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                              QFile::WriteOther | QFile::ExeOther),
              QFile::Permissions());
    SingleInstance first(name);
    EXPECT_EQ(first.claim(), SingleInstance::Result::Primary);

    // Someone else's folder of that name, or one open to others, is never used.
    SingleInstance squatted(dir.filePath("open/TKalvoraForm-x"));
    QDir(dir.path()).mkdir("open");
    QFile::setPermissions(dir.filePath("open"), QFile::Permissions(0x7777));
    ScriptedOperator op;
    EXPECT_FALSE(HandOverToRunningInstance(squatted, op));
    EXPECT_TRUE(op.messages().isEmpty());
    if (::getuid() == 0) {
        // As root a folder can be given to another user: the cache folder is taken instead.
        QTemporaryDir tmp2;
        qputenv("TMPDIR", QFile::encodeName(tmp2.path()));
        const QByteArray taken = QFile::encodeName(tmp2.filePath("kalvora-0"));
        ASSERT_EQ(::mkdir(taken.constData(), 0700), 0);
        ASSERT_EQ(::chown(taken.constData(), 65534, 65534), 0);
        EXPECT_EQ(QFileInfo(SingleInstance::defaultName()).absolutePath(), home.filePath(".cache/kalvora-run"));
    }
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", savedTmp);
    qputenv("HOME", savedHome);
}

TEST_F(SingleInstanceTest, SilentConnectionsAreDroppedAndTheNameIsKept)
{
    ASSERT_TRUE(dir.isValid());
    SingleInstance first(name());
    first.setRequestTimeout(40);
    ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
    QSignalSpy opened(&first, &SingleInstance::openRequested);
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int k = 0; k < 60; ++k) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(name());
    }
    // Every silent connection is closed by the instance, not kept open.
    EXPECT_TRUE(RunUntil([&] {
        return std::all_of(silent.begin(), silent.end(),
                           [](const auto& s) { return s->state() == QLocalSocket::UnconnectedState; });
    }));
    // And a later start still finds it.
    SingleInstance second(name());
    ScriptedOperator op;
    EXPECT_TRUE(HandOverToRunningInstance(second, op, "/tmp/b.tnc"));
    EXPECT_TRUE(RunUntil([&] { return opened.count() > 0; }));
    EXPECT_EQ(opened.takeFirst().at(0).toString(), "/tmp/b.tnc");
}

TEST_F(SingleInstanceTest, OfManyRequestsInOneConnectionOnlyTheNewestIsOpened)
{
    ASSERT_TRUE(dir.isValid());
    SingleInstance first(name());
    ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
    QSignalSpy raised(&first, &SingleInstance::activationRequested);
    QSignalSpy opened(&first, &SingleInstance::openRequested);
    QLocalSocket peer;
    peer.connectToServer(name());
    ASSERT_TRUE(peer.waitForConnected(1000));
    QByteArray lines;
    for (int k = 1; k <= 50; ++k) lines += "open /tmp/wall" + QByteArray::number(k) + ".tnc\n";
    peer.write(lines);
    peer.flush();
    EXPECT_TRUE(RunUntil([&] { return opened.count() > 0; }));
    EXPECT_FALSE(RunUntil([&] { return opened.count() > 1; }, 100));
    EXPECT_EQ(opened.takeFirst().at(0).toString(), "/tmp/wall50.tnc");
    EXPECT_EQ(raised.count(), 1);
}

}  // namespace
}  // namespace kalvora::testing
