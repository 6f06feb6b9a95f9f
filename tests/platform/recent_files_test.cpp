// The recent configuration files and the last folder in kalvora.conf, beside the COM choice.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "platform/recent_files.h"
#include "platform/serial_devices.h"

namespace kalvora {
namespace {

TEST(RecentFiles, TheLastUsedComesFirstOnceAndTheOldestGoes)
{
    RecentFiles recent;
    for (int i = 1; i <= RecentFiles::kMax + 2; ++i) recent.use(QStringLiteral("/walls/w%1.tnc").arg(i));
    ASSERT_EQ(recent.files.size(), RecentFiles::kMax);
    EXPECT_EQ(recent.files.first(), "/walls/w10.tnc");
    EXPECT_EQ(recent.files.last(), "/walls/w3.tnc");
    recent.use("/other/w5.tnc");
    recent.use("/walls/w5.tnc");  // moved up, not listed twice
    EXPECT_EQ(recent.files.mid(0, 2), (QStringList{"/walls/w5.tnc", "/other/w5.tnc"}));
    EXPECT_EQ(recent.files.count("/walls/w5.tnc"), 1);
    EXPECT_EQ(recent.folder, "/walls");
    recent.remove("/other/w5.tnc");
    EXPECT_FALSE(recent.files.contains("/other/w5.tnc"));
}

TEST(RecentFiles, KeptBesideTheComChoiceEachKeepingTheOthersLines)
{
    QTemporaryDir dir;
    const QString conf = dir.filePath("kalvora/kalvora.conf");  // the folder is made
    RecentFiles recent;
    recent.use("/walls/a \"b\" & c.tnc");
    recent.use("/walls/hall.tnc");
    ASSERT_TRUE(SaveRecentFiles(conf, recent));
    ASSERT_TRUE(SaveComChoice(conf, {"/dev/ttyUSB3", {}}));
    {
        QSettings other(conf, QSettings::IniFormat);
        other.setValue("Other/key", "kept");
    }
    EXPECT_EQ(LoadRecentFiles(conf), recent) << "as another program that uses QSettings rewrote it";
    recent.use("/elsewhere/new.tnc");
    ASSERT_TRUE(SaveRecentFiles(conf, recent));
    EXPECT_EQ(LoadRecentFiles(conf), recent);
    EXPECT_EQ(LoadComChoice(conf), (ComChoice{"/dev/ttyUSB3", {}}));
    QSettings other(conf, QSettings::IniFormat);
    EXPECT_EQ(other.value("Other/key").toString(), "kept");
    EXPECT_EQ(other.value("RecentFiles/File1").toString(), "/elsewhere/new.tnc");
}

TEST(RecentFiles, WhatCannotBeUsedIsLeftOut)
{
    QTemporaryDir dir;
    const QString conf = dir.filePath("kalvora.conf");
    QFile f(conf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[RecentFiles]\nFolder=relative/folder\nFile3=/walls/c.tnc\nFile1=relative.tnc\nFile2=/walls/b.tnc\n"
            "File9=/walls/beyond.tnc\nFile4=/walls/b.tnc\nFileX=/walls/x.tnc\n");
    f.close();
    const RecentFiles recent = LoadRecentFiles(conf);
    EXPECT_EQ(recent.files, (QStringList{"/walls/b.tnc", "/walls/c.tnc"}));
    EXPECT_TRUE(recent.folder.isEmpty());

    // A FIFO reads as empty at once and is never replaced.
    const QString fifo = dir.filePath("fifo.conf");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(LoadRecentFiles(fifo), RecentFiles{});
    QString reason;
    EXPECT_FALSE(SaveRecentFiles(fifo, recent, &reason));
    EXPECT_FALSE(reason.isEmpty());
}

}  // namespace
}  // namespace kalvora
