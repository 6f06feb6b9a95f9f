#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <unistd.h>

#include "file_bytes.h"
#include "scripted_operator.h"
#include "settings/config_file.h"

using namespace kalvora;
using kalvora::testing::ReadAll;
using kalvora::testing::ScriptedOperator;
using kalvora::testing::WriteBytes;

namespace {

// Every byte of both units' blocks differs, records 0 and reserved bytes included.
void FillDistinct(Settings& s)
{
    int k = 1;
    for (int u = 1; u <= 2; ++u)
        for (auto& r : s.InputRecords[u])
            for (auto& b : RecordBytes(r)) b = uint8_t(k++ * 7);
    for (int u = 1; u <= 2; ++u)
        for (auto& r : s.OutputRecords[u])
            for (auto& b : RecordBytes(r)) b = uint8_t(k++ * 13);
}

}  // namespace

TEST(ConfigFile, FieldsLandAtTheirFileOffsets)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wall.tnc");
    Settings s;
    ScriptedOperator op;
    const auto screen6 = WallToUnit(6);
    s.output(screen6.unit, screen6.index).BlackLevel = 200;
    const auto channel8 = WallToUnit(8);
    s.input(channel8.unit, channel8.index).HPosition = 0x01020304;
    for (int g = 0; g < 8; ++g) s.output(1, 1).SeamGain[g] = uint8_t(0xA0 + g);

    ASSERT_TRUE(WriteConfigFile(s, path, op));
    const QByteArray file = ReadAll(path);
    ASSERT_EQ(file.size(), 1560);
    EXPECT_EQ(uint8_t(file[1396]), 200);
    // Channel 8: unit 2's input block (420), record 4 (4 × 84), offset 20, little-endian.
    const int h = 420 + 4 * 84 + 20;
    EXPECT_EQ(file.mid(h, 4), QByteArray("\x04\x03\x02\x01", 4));
    // Seam gains of screen 1: output block of unit 1 (840), record 1 (72), offsets 60..67.
    for (int g = 0; g < 8; ++g) EXPECT_EQ(uint8_t(file[840 + 72 + 60 + g]), 0xA0 + g);
    int nonZero = 0;
    for (char c : file) nonZero += c != 0;
    EXPECT_EQ(nonZero, 1 + 4 + 8);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST(ConfigFile, SaveThenLoadRestoresEveryByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("all.tnc");
    Settings original;
    FillDistinct(original);
    ScriptedOperator op;
    ASSERT_TRUE(WriteConfigFile(original, path, op));

    Settings loaded;
    ASSERT_TRUE(ReadConfigFile(loaded, path, op));
    for (int u = 1; u <= 2; ++u) {
        EXPECT_EQ(0, std::memcmp(&loaded.InputRecords[u], &original.InputRecords[u], 420));
        EXPECT_EQ(0, std::memcmp(&loaded.OutputRecords[u], &original.OutputRecords[u], 360));
    }
    EXPECT_EQ(ConfigImage(loaded), ReadAll(path));
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST(ConfigFile, BadFilesAreRefusedAndLeaveTheTablesUntouched)
{
    QTemporaryDir dir;
    WriteBytes(dir.filePath("short.tnc"), QByteArray(1559, 'x'));
    WriteBytes(dir.filePath("long.tnc"), QByteArray(1561, 'x'));
    WriteBytes(dir.filePath("empty.tnc"), QByteArray());
    QDir(dir.path()).mkdir("folder.tnc");

    const struct { const char* name; QString message; } cases[] = {
        {"short.tnc", kMsgSizeInvalid},
        {"long.tnc", kMsgSizeInvalid},
        {"empty.tnc", kMsgSizeInvalid},
        {"folder.tnc", kMsgUnableToOpen},
        {"missing.tnc", kMsgUnableToOpen},
    };
    for (const auto& c : cases) {
        Settings s;
        FillDistinct(s);
        const QByteArray before = ConfigImage(s);
        ScriptedOperator op;
        EXPECT_FALSE(ReadConfigFile(s, dir.filePath(c.name), op)) << c.name;
        EXPECT_EQ(op.messages(), QStringList{c.message}) << c.name;
        EXPECT_EQ(ConfigImage(s), before) << c.name;
    }
}

TEST(ConfigFile, FailedSaveKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.tnc");
    WriteBytes(path, QByteArray(1560, 'k'));
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(dir.path(), readOnly);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

    Settings s;
    ScriptedOperator op;
    // Root writes into read-only folders, so save as an ordinary user for the moment.
    const uid_t uid = geteuid();
    if (uid == 0) {
        ASSERT_EQ(seteuid(65534), 0);
    }
    const bool saved = WriteConfigFile(s, path, op);
    if (uid == 0) {
        ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(op.messages(), QStringList{kMsgUnableToCreate});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadAll(path), QByteArray(1560, 'k'));
}

TEST(ConfigFile, SaveIntoAMissingFolderOrOntoAFolderFails)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("taken.tnc");
    Settings s;
    for (const QString& path : {dir.filePath("no/such/folder/x.tnc"), dir.filePath("taken.tnc")}) {
        ScriptedOperator op;
        EXPECT_FALSE(WriteConfigFile(s, path, op)) << path.toStdString();
        EXPECT_EQ(op.messages(), QStringList{kMsgUnableToCreate});
    }
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.tnc")).isDir());
}
