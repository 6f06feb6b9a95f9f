#include <gtest/gtest.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include "app/startup.h"
#include "file_bytes.h"
#include "platform/clock.h"
#include "platform/file_name.h"
#include "platform/gui/message_box_operator.h"
#include "platform/gui/single_instance.h"
#include "settings/config_file.h"
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
    EXPECT_TRUE(HandOverToRunningInstance(second, op, QFile::encodeName(file)));
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

// Freed memory is overwritten while it lives, so that an object used after it was deleted (a
// socket deleted while its own handler runs) fails at once here too, not only under the address
// sanitizer.
struct FreedMemoryOverwritten {
    FreedMemoryOverwritten() { ::mallopt(M_PERTURB, 0x5a); }
    ~FreedMemoryOverwritten() { ::mallopt(M_PERTURB, 0); }
};

// Answers the window's real message boxes as an operator does, with a key press: Escape (OK on
// a note, No on a question), `delayMs` (by the program's clock) after each box appears.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int delayMs) : delayMs_(delayMs)
    {
        poll_.setInterval(2);
        QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
        poll_.start();
    }
    QStringList texts;                                  // every box, in order
    std::function<void(const QString& text)> onShown;  // runs while the box is open

private:
    void look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box->property("answerPlanned").toBool()) return;
        box->setProperty("answerPlanned", true);
        texts << box->text();
        if (onShown) onShown(box->text());
        QTimer::singleShot(clock::scaled(delayMs_), box, [box] { QTest::keyClick(box, Qt::Key_Escape); });
    }
    int delayMs_;
    QTimer poll_;
};

// A file opened from the desktop while the window runs: three starts in a row hand theirs over,
// each while the window's load of the one before shows its boxes (the later start has gone by
// the time they are answered, at once or after 3 s). Each file is opened in turn, whole, and the
// window goes on running.
TEST_F(SingleInstanceTest, HandOversWhileTheLoadOfTheOneBeforeAsksItsQuestions)
{
    ASSERT_TRUE(dir.isValid());
    FreedMemoryOverwritten perturbed;
    // Each file plans another wall than the one before: its load warns before it says it opened.
    QStringList files;
    std::vector<Settings> walls(3);
    for (int k = 0; k < 3; ++k) {
        walls[k].output(1, 1).TotalProjectors = uint8_t(2 + k);
        walls[k].output(1, 1).Alignment = uint8_t(k % 2);
        walls[k].output(1, 2).BlackLevel = uint8_t(30 + k);
        files << dir.filePath(QStringLiteral("wall %1.tnc").arg(k + 1));
        WriteBytes(files.last(), ConfigImage(walls[k]));
    }
    for (const int delayMs : {0, 3000}) {
        SCOPED_TRACE(delayMs);
        MessageBoxOperator boxes;
        TKalvoraForm form(boxes);
        boxes.setParent(&form);
        SingleInstance first(name());
        // A connection that stays silent is dropped after 2 s: here while a box is still open.
        first.setRequestTimeout(clock::scaled(2000));
        ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
        RaiseOnActivation(first, form);
        BoxAnswerer answerer(delayMs);
        form.show();
        ASSERT_TRUE(RunUntil([&] { return answerer.texts.size() >= 2 && !QApplication::activeModalWidget(); }))
            << answerer.texts.join('|').toStdString();  // the search question (No) and its note

        // The next start comes while the first box of a load is open.
        int handedOver = 0;
        ScriptedOperator later;
        auto handOver = [&] {
            SingleInstance second(name());
            EXPECT_TRUE(HandOverToRunningInstance(second, later, QFile::encodeName(files[handedOver++])));
        };
        answerer.onShown = [&](const QString& text) {
            if (text.startsWith(QLatin1String("Warning.")) && handedOver < 3) handOver();
        };
        answerer.texts.clear();
        handOver();
        ASSERT_TRUE(RunUntil([&] { return answerer.texts.count(kMsgFileOpenSuccessful) == 3 && !QApplication::activeModalWidget(); }, 20000))
            << answerer.texts.join('|').toStdString();
        EXPECT_EQ(handedOver, 3);
        EXPECT_EQ(later.messages(), QStringList(3, kMsgAlreadyRunning));
        EXPECT_EQ(ConfigImage(form.settings()), ConfigImage(walls[2]));
        // Every load asked its questions, the first a warning, the last saying it opened.
        QList<QStringList> loads{{}};
        for (const QString& text : answerer.texts) {
            loads.last() << text;
            if (text == kMsgFileOpenSuccessful) loads << QStringList();
        }
        EXPECT_TRUE(loads.takeLast().isEmpty());
        ASSERT_EQ(loads.size(), 3) << answerer.texts.join('|').toStdString();
        for (const QStringList& load : loads) {
            EXPECT_GE(load.size(), 2);
            EXPECT_TRUE(load.first().startsWith(QLatin1String("Warning."))) << load.join('|').toStdString();
        }
        EXPECT_TRUE(form.isVisible());
        // And the next start still finds the window.
        SingleInstance fourth(name());
        EXPECT_EQ(fourth.claim(), SingleInstance::Result::OtherRunning);
        form.hide();
    }
}

// Writes `bytes` to the file the path's bytes `name` name, making its folders.
bool WriteRaw(const QByteArray& name, const QByteArray& bytes)
{
    for (qsizetype slash = name.indexOf('/', 1); slash > 0; slash = name.indexOf('/', slash + 1))
        ::mkdir(name.left(slash).constData(), 0700);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// A file opened from the desktop whose name is awkward reaches the running window exactly: it
// is opened by that very name, or refused with one message and the tables left as they were.
TEST_F(SingleInstanceTest, AHandedOverNameArrivesExactlyOrIsRefusedWithOneMessage)
{
    ASSERT_TRUE(dir.isValid());
    const QByteArray base = QFile::encodeName(dir.path()) + '/';
    QByteArray longName = base;  // 4,000 characters in folders of 200
    while (4000 - longName.size() > 250) longName += QByteArray(199, 'w') + '/';
    longName += QByteArray(4000 - longName.size() - 4, 'x') + ".tnc";
    QByteArray longUnicode = base;  // 4,000 characters of two bytes each: longer than a path may be
    while (longUnicode.size() < 8000) longUnicode += QString(100, QChar(0xE4)).toUtf8() + '/';
    longUnicode += "wall.tnc";
    struct Case {
        QByteArray name;
        QString message;  // the one message; empty: the file is opened
    } cases[] = {
        {base + "front\nwall.tnc", {}},
        {base + "-wall.tnc", {}},
        {base + "--simulate", {}},
        {base + "100% wall %41.tnc", {}},
        {base + "W\xc3\xa4nde \x01\x7f\r.tnc", {}},
        {longName, {}},
        {base + "wall \xff\xfe.tnc", kMsgFileNameNotText.arg(QFile::decodeName(base) + "wall \\xFF\\xFE.tnc")},
        {base + "half \xc3.tnc", kMsgFileNameNotText.arg(QFile::decodeName(base) + "half \\xC3.tnc")},
        {longUnicode, kMsgUnableToOpen},
    };
    ASSERT_EQ(longName.size(), 4000);
    ScriptedOperator windowOp;
    TKalvoraForm form(windowOp);
    SingleInstance first(name());
    ASSERT_EQ(first.claim(), SingleInstance::Result::Primary);
    RaiseOnActivation(first, form);
    form.show();
    ASSERT_TRUE(RunUntil([&] { return !windowOp.questions().isEmpty(); }));
    int k = 0;
    auto wallFor = [&k] {
        // One projector, centred: after the first load the files' plan is the window's, and
        // their loads ask nothing.
        Settings wall;
        wall.output(1, 1).TotalProjectors = 1;
        wall.output(1, 1).Alignment = 1;
        wall.output(1, 1).OverlapWidth = 128;
        wall.output(1, 2).BlackLevel = uint8_t(40 + k);
        wall.output(2, 3).LeftHaloWidth = uint8_t(3 + k++);
        return wall;
    };
    const QString settle = QFile::decodeName(base) + "settle.tnc";
    WriteBytes(settle, ConfigImage(wallFor()));
    form.OpenConfigurationFile(settle);
    for (const Case& c : cases) {
        SCOPED_TRACE(ShownFileName(c.name).left(300).toStdString());
        const Settings wall = wallFor();
        ASSERT_TRUE(c.name == longUnicode || WriteRaw(c.name, ConfigImage(wall)));
        const QByteArray before = ConfigImage(form.settings());
        windowOp.events.clear();

        SingleInstance later(name());
        ScriptedOperator laterOp;
        ASSERT_TRUE(HandOverToRunningInstance(later, laterOp, c.name));
        ASSERT_TRUE(RunUntil([&] { return !windowOp.messages().isEmpty(); }));
        QCoreApplication::processEvents();
        if (c.message.isEmpty()) {
            EXPECT_EQ(windowOp.messages(), QStringList{kMsgFileOpenSuccessful});
            EXPECT_EQ(ConfigImage(form.settings()), ConfigImage(wall));
        } else {
            EXPECT_EQ(windowOp.messages(), QStringList{c.message});
            EXPECT_EQ(ConfigImage(form.settings()), before);
        }
    }
    // What the temporary folder cannot remove by itself: names that are not text, and folders
    // too deep for one removal.
    for (const Case& c : cases) ::unlink(c.name.constData());
    for (qsizetype slash = longName.lastIndexOf('/'); slash > base.size(); slash = longName.lastIndexOf('/', slash - 1))
        ::rmdir(longName.left(slash).constData());
}

// The file named on the command line goes on by its own bytes: as read, when that is exactly
// them; else the argument's bytes, made absolute, so that the window refuses it.
TEST_F(SingleInstanceTest, TheFileOfTheCommandLineKeepsItsBytes)
{
    ASSERT_TRUE(dir.isValid());
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QByteArray cwd = QFile::encodeName(dir.path());
    struct Case {
        QByteArray arg;
        QByteArray name;
    } cases[] = {
        {"wall.tnc", cwd + "/wall.tnc"},
        {"./sub/../W\xc3\xa4nde\n.tnc", cwd + "/W\xc3\xa4nde\n.tnc"},
        {"/abs/-x.tnc", "/abs/-x.tnc"},
        {"wall\xff.tnc", cwd + "/wall\xff.tnc"},
        {"/abs/\xe4.tnc", "/abs/\xe4.tnc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg.toStdString());
        const char* argv[] = {"kalvora", "--com1", "/dev/null", c.arg.constData(), nullptr};
        const QString parsed = QFileInfo(QFile::decodeName(c.arg)).absoluteFilePath();  // as main() reads it
        EXPECT_EQ(CommandLineFileName(parsed, 4, argv), c.name);
    }
    EXPECT_EQ(CommandLineFileName(QString(), 1, nullptr), QByteArray());
    QDir::setCurrent(saved);

    // Such a name given at start is refused at the first show with one message, before the
    // search is offered.
    const QByteArray notText = cwd + "/wall\xff.tnc";
    ASSERT_TRUE(WriteRaw(notText, QByteArray(kConfigFileSize, '\0')));
    ScriptedOperator op;
    TKalvoraForm form(op);
    form.setStartupFileName(notText);
    form.show();
    ASSERT_TRUE(RunUntil([&] { return !op.questions().isEmpty(); }));
    QStringList beforeQuestion;
    for (const ScriptedOperator::Event& e : op.events) {
        if (e.kind == ScriptedOperator::Event::YesNo) break;
        if (e.kind == ScriptedOperator::Event::Message) beforeQuestion << e.text;
    }
    EXPECT_EQ(beforeQuestion, QStringList{kMsgFileNameNotText.arg(QFile::decodeName(cwd) + "/wall\\xFF.tnc")});
    EXPECT_FALSE(form.settings().FileLoadedAvailable);
    ::unlink(notText.constData());
}

}  // namespace
}  // namespace kalvora::testing
