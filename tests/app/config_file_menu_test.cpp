// The File menu's save and open: the tables go to a file and come back; a load refills the
// Information page and sends nothing.

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include "settings/config_file.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ConfigFileMenuTest : public WindowTest {
protected:
    void choose(const QString& path)
    {
        form->SaveDialog1 = [path] { return path; };
        form->OpenDialog1 = [path] { return path; };
    }
    QTemporaryDir dir;
};

TEST_F(ConfigFileMenuTest, SaveWritesTheTablesAndCancelWritesNothing)
{
    form->settings().output(2, 2).BlackLevel = 200;
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
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ConfigImage(fromFile));
    }
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

TEST_F(ConfigFileMenuTest, OpenOfAFileOfAnotherSizeChangesNothing)
{
    const QString path = dir.filePath("short.tnc");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(kConfigFileSize - 1, '\x55'));
    }
    const QByteArray before = ConfigImage(form->settings());
    choose(path);
    form->menuItem(QStringLiteral("OpenConfigurationFile1"))->trigger();
    EXPECT_EQ(op.messages(), QStringList{kMsgSizeInvalid});
    EXPECT_EQ(ConfigImage(form->settings()), before);
    EXPECT_FALSE(form->settings().FileLoadedAvailable);
}

}  // namespace
}  // namespace kalvora::testing
