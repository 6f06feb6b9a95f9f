#include <gtest/gtest.h>

#include "qt_print.h"

#include <QCoreApplication>
#include <QImage>
#include <QLabel>

#include "app/secondary_windows.h"
#include "platform/gui/named_widget.h"

namespace kalvora::testing {
namespace {

TEST(SecondaryWindowsTest, InformationWindowIsASmallStayOnTopNoteWithoutCloseBox)
{
    TInfoForm info;
    EXPECT_EQ(info.objectName(), "TInfoForm");
    EXPECT_EQ(info.windowTitle(), "Quennel - Kalvora Info");
    EXPECT_EQ(info.size(), QSize(358, 35));
    EXPECT_TRUE(info.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(info.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(info.text(), "Auto Color Balance in progress. Please wait....");
    info.showInfo("Tornel reset in progress. Please wait....");
    EXPECT_TRUE(info.isVisible());
    EXPECT_EQ(FindNamed<QLabel>(&info, "InfoLabel")->text(), "Tornel reset in progress. Please wait....");
    // The second line tells which unit is at work and the time since the window was shown.
    EXPECT_EQ(info.detailText(), "0:00 elapsed");
    info.setUnit(2, 2);
    EXPECT_EQ(FindNamed<QLabel>(&info, "InfoDetailLabel")->text(), "Tornel 2 of 2  -  0:00 elapsed");
    info.hideInfo();
    EXPECT_FALSE(info.isVisible());
}

// The leftmost and rightmost columns with ink in a rendered widget.
std::pair<int, int> InkColumns(QWidget* w)
{
    const QImage image = w->grab().toImage();
    const QRgb background = image.pixel(0, 0);
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) + 60 < qGray(background)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// The four default settings read as two columns: the names start together and the values end
// together, as drawn on the screen.
TEST(SecondaryWindowsTest, DefaultSettingsValuesFormOneColumn)
{
    TConnectionHelpForm help;
    help.show();
    QCoreApplication::processEvents();
    std::vector<std::pair<int, int>> ink;
    for (int i = 1; i <= 4; ++i) {
        auto* line = FindNamed<QLabel>(&help, QStringLiteral("DefaultSetting%1Label").arg(i));
        ASSERT_NE(line, nullptr);
        const auto [left, right] = InkColumns(line);
        ASSERT_GE(right, 0) << "line " << i << " shows nothing";
        ink.emplace_back(line->mapTo(&help, QPoint(left, 0)).x(), line->mapTo(&help, QPoint(right, 0)).x());
    }
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(ink[size_t(i)].first, ink[0].first) << "line " << i + 1 << " starts elsewhere";
        // Glyphs differ in their side bearings by a pixel or so.
        EXPECT_NEAR(ink[size_t(i)].second, ink[0].second, 2) << "line " << i + 1 << " ends elsewhere";
    }
}

TEST(SecondaryWindowsTest, ConnectionHelpShowsItsTextsVerbatim)
{
    TConnectionHelpForm help;
    EXPECT_EQ(help.objectName(), "TConnectionHelpForm");
    EXPECT_EQ(help.windowTitle(), "Quennel - Kalvora : Connection Help");
    // The classic size at least, fixed; wide enough that each line of the help texts stands on a
    // line of its own (the test screen has the room).
    EXPECT_GE(help.width(), 792);
    EXPECT_GE(help.height(), 400);
    EXPECT_EQ(help.minimumSize(), help.maximumSize());
    help.show();
    QCoreApplication::processEvents();
    for (const char* name : {"ControllerHelpLabel", "DirectHelpLabel"}) {
        auto* label = FindNamed<QLabel>(&help, name);
        for (const QString& line : label->text().split('\n'))
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name;
    }
    EXPECT_FALSE(help.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(FindNamed<QLabel>(&help, "DefaultSetting1Label")->text(),
              QString::fromUtf8("\u00B7   Baud Rate          38.4K"));
    EXPECT_EQ(FindNamed<QLabel>(&help, "DefaultSetting4Label")->text(),
              QString::fromUtf8("\u00B7   Parity                  NONE"));
    EXPECT_EQ(FindNamed<QLabel>(&help, "ControllerHeading")->text(), "Kalvora with Controller");
    EXPECT_TRUE(FindNamed<QLabel>(&help, "ControllerHeading")->font().bold());
    const QStringList controller = FindNamed<QLabel>(&help, "ControllerHelpLabel")->text().split('\n');
    ASSERT_EQ(controller.size(), 14);
    EXPECT_EQ(controller[1], "");
    EXPECT_EQ(controller[6], "Tornel ID must be set to 8.");
    EXPECT_EQ(controller[11], "the number of Tornel(s) that are connected to the Pannex Plus chassis. ");
    EXPECT_EQ(controller[13],
              "At this time. click on the \"Serial Port->Search for Tornel(s)->Search\" menu and establish connection "
              "to the Tornel(s).");
    const QStringList direct = FindNamed<QLabel>(&help, "DirectHelpLabel")->text().split('\n');
    ASSERT_EQ(direct.size(), 5);
    EXPECT_EQ(direct[3],
              "serial port.  If this connection is used, the Tornel's serial port must be configured for RS-232 "
              "operation and the serial port settings of the Tornel must ");
    EXPECT_EQ(FindNamed<QLabel>(&help, "ManualLabel")->text(),
              "For figures and further assistance, please refer to Tornel manual.");
}

TEST(SecondaryWindowsTest, AboutBoxCarriesTheVersion)
{
    AboutBox about(kVersionText, nullptr);
    EXPECT_EQ(about.windowTitle(), "About Kalvora");
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(FindNamed<QLabel>(&about, "VersionLabel")->text(), "Version 1.01b_b");
    EXPECT_TRUE(FindNamed<QLabel>(&about, "DescriptionLabel")->text().startsWith("Minimum resolution required is 1024x768."));
}

}  // namespace
}  // namespace kalvora::testing
