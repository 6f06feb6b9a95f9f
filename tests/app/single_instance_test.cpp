#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cstring>

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

}  // namespace
}  // namespace kalvora::testing
