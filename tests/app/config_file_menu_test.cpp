// The File menu's save and open: the tables go to a file and come back; a load refills the
// Information page and sends nothing.

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/info_page.h"
#include "app/wall_overview_view.h"
#include "settings/config_file.h"
#include "file_bytes.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {


class ConfigFileMenuTest : public WindowTest {
protected:
    void choose(const QString& path)
    {
        form->configFiles().SaveDialog1 = [path] { return path; };
        form->configFiles().OpenDialog1 = [path] { return path; };
    }
    QTemporaryDir dir;
};

TEST_F(ConfigFileMenuTest, SaveWritesTheTablesAndCancelWritesNothing)
{
    form->settings().output(2, 2).BlackLevel = 200;
    op.defaultAnswer = true;  // yes, save the tables as they are (nothing was read or loaded)
    const QString path = dir.filePath("wall.tnc");
    choose(QString());
    form->menuItem(QStringLiteral("SaveConfigurationtoFile1"))->trigger();
    EXPECT_FALSE(QFile::exists(path));

    choose(path);
    form->menuItem(QStringLiteral("SaveConfigurationtoFile1"))->trigger();
    const QByteArray file = ReadAll(path);
    ASSERT_EQ(file.size(), kConfigFileSize);
    EXPECT_EQ(uint8_t(file[1396]), 200);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_FALSE(op.busy);
}

TEST_F(ConfigFileMenuTest, OpenReplacesTheTablesRefillsTheInformationPageAndSaysSo)
{
    Settings fromFile;
    fromFile.output(1, 1).FrameRate = 1;
    fromFile.output(1, 1).OverlapWidth = 256;
    fromFile.input(1, 1).HActive = 1024;
    const QString path = dir.filePath("loaded.tnc");
    WriteBytes(path, ConfigImage(fromFile));
    choose(path);
    form->menuItem(QStringLiteral("OpenConfigurationFile1"))->trigger();

    EXPECT_EQ(ConfigImage(form->settings()), ConfigImage(fromFile));
    EXPECT_TRUE(form->settings().FileLoadedAvailable);
    EXPECT_FALSE(form->flags().FormFilling);
    EXPECT_EQ(op.messages().last(), kMsgFileOpenSuccessful);
    EXPECT_EQ(find<QLabel>("OutFRateLabel")->text(), QStringLiteral("@ 59.94Hz"));
    EXPECT_EQ(find<QLabel>("OverlapWidthLabel")->text(), QStringLiteral("256"));
    EXPECT_FALSE(op.busy);
}

// A file opened from the desktop while the program runs reaches this window from the later
// start; it is opened once the operation running now has ended, the last one asked for.
TEST_F(ConfigFileMenuTest, AFileHandedOverByAnotherStartOpensOnceTheWindowIsFree)
{
    Settings a, b;
    a.output(1, 1).BlackLevel = 11;
    b.output(1, 1).BlackLevel = 22;
    const QString pathA = dir.filePath("a.tnc"), pathB = dir.filePath("b.tnc");
    WriteBytes(pathA, ConfigImage(a));
    WriteBytes(pathB, ConfigImage(b));
    op.answer(false);
    showAndSettle();
    op.events.clear();

    form->flags().EditorBusy = true;  // an operation is running
    form->OpenRequestedFile(pathA);
    form->OpenRequestedFile(pathB);
    EXPECT_FALSE(RunUntil([&] { return form->settings().FileLoadedAvailable; }, 200));
    form->flags().EditorBusy = false;
    EXPECT_TRUE(RunUntil([&] { return form->settings().FileLoadedAvailable; }));
    EXPECT_EQ(ConfigImage(form->settings()), ConfigImage(b));
    EXPECT_EQ(op.messages().last(), kMsgFileOpenSuccessful);
    EXPECT_FALSE(RunUntil([&] { return op.messages().count(kMsgFileOpenSuccessful) > 1; }, 700))
        << "the older request is not opened";
}

TEST_F(ConfigFileMenuTest, OpenOfAFileOfAnotherSizeChangesNothing)
{
    const QString path = dir.filePath("short.tnc");
    WriteBytes(path, QByteArray(kConfigFileSize - 1, '\x55'));
    const QByteArray before = ConfigImage(form->settings());
    choose(path);
    form->menuItem(QStringLiteral("OpenConfigurationFile1"))->trigger();
    EXPECT_EQ(op.messages(), QStringList{kMsgSizeInvalid});
    EXPECT_EQ(ConfigImage(form->settings()), before);
    EXPECT_FALSE(form->settings().FileLoadedAvailable);
}

// "kalvora FILE.tnc" (a file opened from a file manager): the file is loaded at the first show as
// "Open Configuration File" loads it, with the same messages, before the search is offered;
// a file that cannot be used leaves the tables and still offers the search.
TEST_F(ConfigFileMenuTest, FileNamedAtStartIsLoadedBeforeTheSearchIsOffered)
{
    Settings fromFile;
    fromFile.output(1, 1).TotalProjectors = 3;
    fromFile.output(1, 1).OverlapWidth = 128;
    fromFile.output(2, 3).BlackLevel = 77;
    fromFile.output(1, 2).BlackLevel = 55;
    const QString good = dir.filePath("wall.tnc");
    WriteBytes(good, ConfigImage(fromFile));
    const QString shortFile = dir.filePath("short.tnc");
    WriteBytes(shortFile, QByteArray(100, '\x01'));
    // What "Open Configuration File" says for a file, in a window that has started.
    auto menuMessages = [](const QString& path) {
        ScriptedOperator menuOp;
        TKalvoraForm other(menuOp);
        menuOp.answer(false);
        other.show();
        EXPECT_TRUE(RunUntil([&menuOp] { return !menuOp.questions().isEmpty(); }));
        QCoreApplication::processEvents();
        menuOp.events.clear();
        other.configFiles().OpenDialog1 = [path] { return path; };
        other.menuItem(QStringLiteral("OpenConfigurationFile1"))->trigger();
        return menuOp.messages();
    };
    struct Case {
        QString path;
        QString message;  // the load's own message, the last before the search question
        bool loaded;
    };
    const Case cases[] = {
        {good, kMsgFileOpenSuccessful, true},
        {shortFile, kMsgSizeInvalid, false},
        {dir.filePath("missing.tnc"), kMsgUnableToOpen, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        form = std::make_unique<TKalvoraForm>(op);
        op.events.clear();
        form->setStartupFile(c.path);
        op.answer(false);  // no search now
        showAndSettle();
        QStringList beforeQuestion;
        for (const ScriptedOperator::Event& e : op.events) {
            if (e.kind == ScriptedOperator::Event::YesNo) break;
            if (e.kind == ScriptedOperator::Event::Message) beforeQuestion << e.text;
        }
        ASSERT_FALSE(beforeQuestion.isEmpty());
        EXPECT_EQ(beforeQuestion.last(), c.message);
        EXPECT_EQ(beforeQuestion, menuMessages(c.path));
        EXPECT_EQ(op.questions().size(), 1);  // the search question, after the load
        EXPECT_EQ(form->settings().FileLoadedAvailable, c.loaded);
        EXPECT_EQ(ConfigImage(form->settings()) == ConfigImage(fromFile), c.loaded);
        // The wall overview is redrawn by the load: the file's three screens and their values.
        const WallOverview& overview = form->infoPage()->wallOverview()->overview();
        EXPECT_EQ(overview.available, c.loaded);
        if (c.loaded) {
            EXPECT_EQ(find<QLabel>("OverlapWidthLabel")->text(), QStringLiteral("128"));
            ASSERT_EQ(overview.screens.size(), 3u);
            EXPECT_EQ(overview.screens[1].black.text, QStringLiteral("Black 55"));
            find<QPushButton>("WallOverviewButton")->click();
            EXPECT_TRUE(form->infoPage()->wallOverviewWindow()->isVisible());
        }
        EXPECT_FALSE(form->port().isOpen());  // nothing sent
    }
}

}  // namespace
}  // namespace kalvora::testing
