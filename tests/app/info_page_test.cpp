#include <gtest/gtest.h>

#include "qt_print.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest/QTest>

#include "app/info_page.h"
#include "app/main_window.h"
#include "app/terminal_view.h"
#include "layout_check.h"
#include "window_fixture.h"
#include "platform/gui/named_widget.h"

namespace kalvora::testing {
namespace {

class InfoPageTest : public ::testing::Test {
protected:
    QString text(const char* name) const
    {
        auto* l = FindNamed<QLabel>(&page, QString::fromLatin1(name));
        EXPECT_NE(l, nullptr) << name;
        return l ? l->text() : QString();
    }
    void selectScreen(int n)
    {
        page.screenInfoComboBox()->setCurrentIndex(n - 1);
        page.ScreenInfoComboBoxChange();
    }
    Settings settings;
    int planned = 1;  // what the planning page would give
    InfoPage page{settings, [this] { return planned; }};
};

TEST_F(InfoPageTest, StartsWithItsCaptionsAndNotAvailableValues)
{
    EXPECT_EQ(text("Version1TextLabel"), "Version :");
    EXPECT_EQ(text("NumOfTornelDetectedLabel"), "0");
    EXPECT_EQ(text("ComNumberLabel"), "None");
    for (const char* name : {"Version1Label", "HActiveLabel", "SyncSelLabel", "BlackLvlAdjCompLabel", "Screen8VLabel"})
        EXPECT_EQ(text(name), "N/A") << name;
    EXPECT_EQ(text("SInfo5Label"), "Projector 5:");
    QComboBox* screens = page.screenInfoComboBox();
    ASSERT_EQ(screens->count(), 4);
    EXPECT_EQ(screens->itemText(3), "Screen 4");
    auto* baud = FindNamed<QComboBox>(&page, "BaudComboBox");
    ASSERT_EQ(baud->count(), 2);
    EXPECT_EQ(baud->itemText(0), "38400");
    EXPECT_EQ(baud->itemText(1), "57600");
    EXPECT_FALSE(baud->isEnabled());
    EXPECT_EQ(FindNamed<QLineEdit>(&page, "TornelID1Edit")->text(), "1");
    EXPECT_EQ(FindNamed<QLineEdit>(&page, "TornelID2Edit")->text(), "2");
    EXPECT_TRUE(FindNamed<QLineEdit>(&page, "TornelID2Edit")->isHidden());
    EXPECT_EQ(page.resetButton()->text(), "Reset Tornel(s)");
    EXPECT_EQ(page.systemSaveButton()->text(), "System Save Tornel(s)");
    EXPECT_TRUE(FindNamed<QWidget>(&page, "HardwareSetupGroupBox")->isHidden());
}

TEST_F(InfoPageTest, ChoosingAScreenBeforeAnyReadChangesNothing)
{
    settings.input(1, 2).HActive = 1024;
    selectScreen(2);
    EXPECT_EQ(text("HActiveLabel"), "N/A");
}

TEST_F(InfoPageTest, ShowsUnitOnesInputAndOutputOfTheChosenScreenInTheirFormats)
{
    InputChannelRecord& in = settings.input(1, 3);
    in.HActive = 1024;
    in.VActive = 768;
    in.VideoLoaded = 1;
    in.VideoLocked = 0;
    in.Phase = -3;
    in.SyncSelect = 2;
    in.HTotal = 1344;
    in.HPosition = 296;
    in.VPosition = 35;
    in.Termination = 1;
    in.ContrastC = 12.3f;
    in.BrightnessC = 50.0f;
    OutputScreenRecord& out = settings.output(1, 3);
    out.OutputFormat = 2;
    out.FrameRate = 1;
    out.ControlMode = 1;
    out.ScreenGroup = 0;
    out.TotalProjectors = 6;
    out.Alignment = 1;
    out.OverlapWidth = 384;
    out.BasicGamma = 2.2f;
    out.LeftGamma = 1.25f;
    out.BlackLevel = 200;
    out.LeftHaloOffset = -4;
    // Unit 2 must never show here.
    settings.input(2, 3).HActive = 640;
    settings.StatusReadAvailable = true;
    selectScreen(3);

    const std::pair<const char*, const char*> expected[] = {
        {"HActiveLabel", "1024"},          {"VActiveLabel", "768"},
        {"VideoLoadedLabel", "True"},      {"VideoLockedLabel", "False"},
        {"PhaseOffsetLabel", "-3"},        {"SyncSelLabel", "H/V"},
        {"HTotalLabel", "1344"},           {"HPosLabel", "296"},
        {"VPosLabel", "35"},               {"InTerminationLabel", "75 Ohm"},
        {"CContrastLabel", "12.3000001907349"}, {"CBrightnessLabel", "50"},
        {"RContrastLabel", "0"},           {"HVOutLabel", "1024x768"},
        {"OutFRateLabel", "@ 59.94Hz"},    {"BlendLevelLabel", "Adv"},
        {"ProjectorsLabel", "1-4"},        {"TotalProjectorsLabel", "6"},
        {"JustificationLabel", "Center"},  {"OverlapWidthLabel", "384"},
        {"BasicEFTGammaLabel", "2.2"},     {"LeftEFTGammaLabel", "1.25"},
        {"BlackLvlAdjCompLabel", "200"},   {"HaloLeftOffsetLabel", "-4"},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(text(name), value) << name;
}

TEST_F(InfoPageTest, CodesOutsideTheirTablesLeaveThePreviousText)
{
    settings.FileLoadedAvailable = true;
    settings.input(1, 1).SyncSelect = 3;
    settings.output(1, 1).FrameRate = 0;
    settings.output(1, 1).OutputFormat = 3;
    selectScreen(1);
    EXPECT_EQ(text("SyncSelLabel"), "AUTO");
    settings.input(1, 1).SyncSelect = 5;
    settings.output(1, 1).FrameRate = 9;
    settings.output(1, 1).OutputFormat = 200;
    settings.output(1, 1).ControlMode = 7;
    selectScreen(1);
    EXPECT_EQ(text("SyncSelLabel"), "AUTO");
    EXPECT_EQ(text("OutFRateLabel"), "@ 50Hz");
    EXPECT_EQ(text("HVOutLabel"), "1280x1024");
    EXPECT_EQ(text("BlendLevelLabel"), "Basic");
    // Screens outside 1..4 are not on this page.
    page.FillInputInfo(5);
    page.FillOutputInfo(0);
    EXPECT_EQ(text("SyncSelLabel"), "AUTO");
}

TEST(TerminalKeyTest, KeysBecomeTheBytesAConsoleExpects)
{
    struct Case {
        int key;
        QString text;
        bool open;
        QByteArray bytes;
    };
    const Case cases[] = {
        {Qt::Key_Backspace, QStringLiteral("\b"), true, QByteArrayLiteral("\b \b")},
        {Qt::Key_Backspace, QStringLiteral("\b"), false, QByteArray()},
        {Qt::Key_A, QStringLiteral("a"), true, QByteArrayLiteral("a")},
        {Qt::Key_A, QStringLiteral("a"), false, QByteArray()},
        {Qt::Key_Return, QStringLiteral("\r"), true, QByteArrayLiteral("\r")},
        {Qt::Key_Shift, QString(), true, QByteArray()},
        {Qt::Key_unknown, QString(QChar(0x20AC)), true, QByteArray()},  // not a byte of the line
    };
    for (const Case& c : cases) EXPECT_EQ(TerminalKeyBytes(c.key, c.text, c.open), c.bytes) << c.key;
}

TEST(TerminalViewTest, TypedKeysGoToThePortAndReceivedTextIsShown)
{
    TerminalView view;
    bool open = true;
    QByteArray sent;
    view.portOpen = [&] { return open; };
    view.send = [&](const QByteArray& b) { sent += b; };
    QTest::keyClicks(&view, "ab");
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(sent, QByteArray("ab\b \b"));
    EXPECT_TRUE(view.toPlainText().isEmpty());  // nothing is echoed locally
    open = false;
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(sent, QByteArray("ab\b \b"));

    view.receive(QByteArray("\r\nTornel V1.2\r\n#xy\bz\x01\x40"));
    EXPECT_EQ(view.toPlainText(), "\nTornel V1.2\n#xz@");
    // No scroll-back: only the last rows stay.
    for (int i = 0; i < 50; ++i) view.receive(QByteArray("line\r\n"));
    EXPECT_LE(view.document()->blockCount(), TerminalView::kRows);
}

TEST(TerminalViewTest, AnyBytesFromTheLineShowOnlyPrintableTextInBoundedRows)
{
    TerminalView view;
    uint32_t x = 12345;  // a fixed sequence of pseudo-random bytes, every value included
    QByteArray noise;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1664525u + 1013904223u;
        noise.append(static_cast<char>(x >> 24));
    }
    for (int at = 0; at < noise.size(); at += 97) view.receive(noise.mid(at, 97));
    EXPECT_LE(view.document()->blockCount(), TerminalView::kRows);
    view.receive(QByteArray(5000, 'x'));  // a line that never ends keeps only its tail
    EXPECT_LE(view.document()->lastBlock().text().size(), TerminalView::kMaxColumns);
    for (QChar c : view.toPlainText()) EXPECT_TRUE(c == QLatin1Char('\n') || (c.unicode() >= 0x20 && c.unicode() < 0x7f));
}

TEST_F(InfoPageTest, ImagePositionsAndLights)
{
    page.setImagePosition(2, "1280", "2560");
    page.setImagePosition(9, "x", "y");  // no such projector: ignored
    EXPECT_EQ(text("Screen2HLabel"), "1280");
    EXPECT_EQ(text("Screen2VLabel"), "2560");
    auto* cts = FindNamed<QLabel>(&page, "CtsLight");
    page.setLight(InfoPage::Light::Cts, true);
    EXPECT_TRUE(cts->property("lit").toBool());
    page.setLight(InfoPage::Light::Cts, false);
    EXPECT_FALSE(cts->property("lit").toBool());
}

// With the longest values its labels can show, the page in the window still shows every text
// whole and no group runs into another.
TEST_F(WindowTest, InformationPageHasRoomForItsLongestValues)
{
    showAndSettle();
    FillLongestValues(form->settings());
    form->pages()->setCurrentWidget(form->infoPage());
    form->infoPage()->ScreenInfoComboBoxChange();
    QCoreApplication::processEvents();
    EXPECT_EQ(FindNamed<QLabel>(form->infoPage(), "CContrastLabel")->text(), "12.3000001907349");
    EXPECT_EQ(FindNamed<QLabel>(form->infoPage(), "BBrightnessLabel")->text(), "-0.100000001490116");
    EXPECT_EQ(FindNamed<QLabel>(form->infoPage(), "HaloRightOffsetLabel")->text(), "-2147483648");
    EXPECT_EQ(LayoutFaults(form->infoPage()), QStringList());
}

}  // namespace
}  // namespace kalvora::testing
