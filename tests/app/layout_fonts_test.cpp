// Every page and window at the desktop fonts an operator may choose (9 to 12 pt), under the scale
// factor this run was started with (QT_SCALE_FACTOR, set per ctest entry: Qt reads it when the
// application object is made): no text cut, no field squashed, nothing drawn over its neighbour;
// the Display Setup's screen boxes keep their column at every projector count; the main window
// lies on the screen's free area and shows all its pages' contents (scrolling where the screen is
// too small for them).
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <cstdio>

#include "app/info_page.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "app/traffic_window.h"
#include "link/link.h"
#include "editors/display_setup_page.h"
#include "editors/planning_page.h"
#include "layout_check.h"
#include "platform/clock.h"
#include "platform/gui/named_widget.h"
#include "scripted_operator.h"
#include "window_fixture.h"

namespace kalvora::testing {

namespace {

void Settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// The window shown, its first-show question answered (No: no search).
void ShowMain(TKalvoraForm& form, ScriptedOperator& op)
{
    form.show();
    QElapsedTimer guard;
    guard.start();
    while (op.questions().isEmpty() && guard.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    Settle();
}

void UseFont(int points)
{
    static const QFont desktop = QApplication::font();
    QFont f = desktop;
    f.setPointSize(points);
    QApplication::setFont(f);
}

}  // namespace

// Each test at the desktop font sizes an operator may choose.
class LayoutFonts : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        // The offscreen platform's notes on what it cannot do say nothing about the layout.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (text.startsWith(QStringLiteral("This plugin does not support"))) return;
            if (previous) previous(type, context, text);
        });
    }
    void SetUp() override { UseFont(GetParam()); }
};

TEST_P(LayoutFonts, EveryPageAndWindowIsWhole)
{
    ScriptedOperator op;
    TKalvoraForm form(op);
    ShowMain(form, op);
    QStringList faults;
    const auto check = [&faults](QWidget* w, const QString& where) {
        for (const QString& f : LayoutFaults(w)) faults << where + QStringLiteral(": ") + f;
    };

    QTabWidget* pages = form.pages();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        Settle();
        check(pages->widget(i), pages->widget(i)->objectName());
    }

    // The Display Setup at every projector count, basic and advanced feathering, both tabs.
    PlanningPage* planning = form.planningPage();
    FindNamed<QComboBox>(planning, QStringLiteral("ImageAlignComboBox"))->setCurrentIndex(0);
    planning->ImageAlignComboBoxChange();
    auto* count = FindNamed<QComboBox>(planning, QStringLiteral("NumOfScreenComboBox"));
    auto* tabs = FindNamed<QTabWidget>(&form, QStringLiteral("ScreenPageControl"));
    auto* advanced = FindNamed<QCheckBox>(&form, QStringLiteral("AdvanceModeCheckBox"));
    ASSERT_TRUE(count && tabs && advanced);
    pages->setCurrentWidget(form.displayPage());
    // The edges as a unit holds them: singles, shown as they read (2.2, 2.45).
    for (int u = 1; u <= 2; ++u)
        for (int i = 1; i <= 4; ++i) {
            form.settings().output(u, i).LeftGamma = 2.2f;
            form.settings().output(u, i).RightGamma = 2.45f;
        }
    for (int n = 1; n <= 8; ++n) form.displayPage()->FillFeather(n);
    for (int n = 1; n <= 8; ++n) {
        count->setCurrentIndex(n - 1);
        planning->NumOfScreenComboBoxChange();
        for (bool on : {false, true}) {
            advanced->setChecked(on);
            for (int tab = 0; tab < (n > 4 ? 2 : 1); ++tab) {
                tabs->setCurrentIndex(tab);
                Settle();
                const QString where = QStringLiteral("Display Setup, %1 projectors, %2, tab %3")
                                          .arg(n)
                                          .arg(on ? "advanced" : "basic")
                                          .arg(tab + 1);
                check(form.displayPage(), where);
                // Screens 1, 2 (5, 6) in the left column, 3, 4 (7, 8) in the right one, each
                // no wider than its column.
                QWidget* sheet = tabs->widget(tab);
                for (int i = 0; i < 4; ++i) {
                    QWidget* box = FindNamed(&form, QStringLiteral("Screen%1GroupBox").arg(4 * tab + i + 1));
                    if (!box || !box->isVisibleTo(sheet)) continue;
                    const int half = sheet->width() / 2;
                    const bool leftColumn = i < 2;
                    if (box->width() > half || (leftColumn ? box->geometry().right() > half : box->x() < half - 4))
                        faults << QStringLiteral("%1: %2 leaves its column (at %3, %4 wide, the tab %5 wide)")
                                      .arg(where, box->objectName())
                                      .arg(box->x())
                                      .arg(box->width())
                                      .arg(sheet->width());
                }
            }
        }
    }

    // The Information page with the longest texts its labels can show, and the units'
    // RS-485 IDs as a controller link shows them.
    FillLongestValues(form.settings());
    form.link().setUnitIds({{32, 31}, {true, true}});
    pages->setCurrentWidget(form.infoPage());
    form.infoPage()->ScreenInfoComboBoxChange();
    Settle();
    check(form.infoPage(), QStringLiteral("Information, longest values"));

    // The other windows.
    TInfoForm info;
    info.showInfo(QStringLiteral("Auto Color Balance in progress. Please wait...."));
    info.setUnit(2, 2);
    Settle();
    check(&info, QStringLiteral("TInfoForm"));
    TConnectionHelpForm help;
    help.show();
    Settle();
    check(&help, QStringLiteral("TConnectionHelpForm"));
    AboutBox about(kVersionText, &form);
    about.show();
    Settle();
    check(&about, QStringLiteral("AboutBox"));
    about.hide();
    TrafficWindow* traffic = form.trafficWindow();
    traffic->show();
    Settle();
    check(traffic, QStringLiteral("TrafficWindow"));
    // The received bytes, the longest texts, get the widest column and reach the window's edge.
    auto* tree = FindNamed<QTreeWidget>(traffic, QStringLiteral("TrafficRows"));
    ASSERT_TRUE(tree);
    const QHeaderView* header = tree->header();
    const int received = TrafficWindow::ColumnReceived;
    for (int c = 0; c < received; ++c)
        EXPECT_GT(header->sectionSize(received), header->sectionSize(c)) << c;
    EXPECT_EQ(header->sectionViewportPosition(received) + header->sectionSize(received), tree->viewport()->width());
    form.infoPage()->showWallOverview();
    Settle();
    check(form.infoPage()->wallOverviewWindow(), QStringLiteral("WallOverviewWindow"));

    for (const QString& f : faults) std::fprintf(stderr, "%s\n", qPrintable(f));
    EXPECT_TRUE(faults.isEmpty()) << faults.size() << " faults, listed above";
}

TEST_P(LayoutFonts, MainWindowOpensOnTheScreen)
{
    ScriptedOperator op;
    TKalvoraForm form(op);
    ShowMain(form, op);
    const QRect free = form.screen()->availableGeometry();
    EXPECT_TRUE(free.contains(form.frameGeometry())) << qPrintable(QStringLiteral("%1,%2 %3x%4 on %5x%6")
                                                                 .arg(form.frameGeometry().x())
                                                                 .arg(form.frameGeometry().y())
                                                                 .arg(form.frameGeometry().width())
                                                                 .arg(form.frameGeometry().height())
                                                                 .arg(free.width())
                                                                 .arg(free.height()));
    // Fixed at what the contents ask, or as much of it as the screen has room for.
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const QSize wanted = form.contentsSize();
    EXPECT_GE(wanted.width(), TKalvoraForm::kClientWidth);
    if (free.width() >= wanted.width() + 40 && free.height() >= wanted.height() + 80) {
        EXPECT_EQ(form.size(), wanted);
    } else {
        EXPECT_TRUE(form.width() <= wanted.width() && form.height() <= wanted.height());
    }
    // Every page has its room: where the window is smaller, the pages scroll.
    auto* scroll = FindNamed<QScrollArea>(&form, QStringLiteral("PageScrollArea"));
    ASSERT_TRUE(scroll);
    const QSize need = form.pages()->minimumSizeHint();
    EXPECT_GE(form.pages()->width(), need.width());
    EXPECT_GE(form.pages()->height(), need.height());
    if (need.width() > scroll->viewport()->width()) {
        EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0);
    }
    if (need.height() > scroll->viewport()->height()) {
        EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    }
}

// Opened whole on a large screen, then taken to a smaller one: it fits the smaller one.
TEST(LayoutScreens, MainWindowFitsTheScreenItIsTakenTo)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) GTEST_SKIP() << "needs two screens";
    UseFont(12);
    ScriptedOperator op;
    TKalvoraForm form(op);
    ShowMain(form, op);
    ASSERT_EQ(form.size(), form.contentsSize());
    QScreen* small = screens.at(1);
    const QRect free = small->availableGeometry();
    ASSERT_GT(form.contentsSize().height(), free.height() - 40);  // too tall for it
    form.windowHandle()->setScreen(small);
    form.move(free.topLeft());
    EXPECT_TRUE(RunUntil([&] { return form.height() < form.contentsSize().height(); }));
    EXPECT_TRUE(RunUntil([&] { return free.contains(form.frameGeometry()); })) <<
                 qPrintable(QStringLiteral("%1x%2 on %3x%4").arg(form.frameGeometry().width())
                                .arg(form.frameGeometry().height()).arg(free.width()).arg(free.height()));
}
INSTANTIATE_TEST_SUITE_P(DesktopFonts, LayoutFonts, ::testing::Values(9, 10, 11, 12),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "pt"; });

}  // namespace kalvora::testing
