// What the operator types into a numeric field is what goes to the units, and it is never lost
// or left behind. A field reached by Tab, Shift+Tab, Enter or a click has its text selected, so
// typing replaces it, even though the commit of the field left waits for the units with the pages
// disabled. Closing the window, saving, changing page or using a unit menu commits the value
// being typed first; a menu opened and closed again is no departure from the field.
// Real key presses and clicks, through the window as the window system delivers them, against
// two simulated units behind a controller with RS-485 IDs 3 and 7.
#define QTEST_QPA_MOUSE_HANDLING
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <functional>

#include "app/traffic_window.h"
#include "clock_scale.h"
#include "support/link_fixture.h"
#include "editors/display_setup_page.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include "file_bytes.h"
#include "qt_print.h"
#include "settings/config_file.h"
#include "sim/simulator.h"
#include "units_window_fixture.h"

namespace kalvora::testing {
namespace {

const QString kBlackBounds = QStringLiteral("Error! Value out of bounds! (0 - 255)");
const QString kConfirmExit = QStringLiteral("Are you sure you want to exit this application?");

class TypedValuesTest : public UnitsWindowTest {
protected:
    // A shown window connected to the units and read from them; `prepare` sets what the units
    // hold before the read.
    void connect(const std::function<void(sim::Simulator&)>& prepare = {})
    {
        startWithUnits(true, prepare);
        if (HasFatalFailure()) return;
        settle();
        simulator->log().clear();
        op.clear();
    }
    // Everything the last gesture started has ended: the units answered, the focus is back and
    // what was held meanwhile has been played back.
    QByteArray settle()
    {
        for (int round = 0; round < 3; ++round) {
            EXPECT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
            QCoreApplication::processEvents();
        }
        return simulator->received();
    }
    QByteArray sentSince()
    {
        const QByteArray sent = settle();
        simulator->log().clear();
        return sent;
    }
    void showPage(QWidget* page)
    {
        form->pages()->setCurrentWidget(page);
        settle();
    }
    // The Display Setup page with the controls of screens 1-4 or 5-8 shown.
    void showScreens(int screen)
    {
        showPage(form->displayPage());
        find<QTabWidget>("ScreenPageControl")->setCurrentWidget(find(screen <= 4 ? "Screen14TabSheet" : "Screen58TabSheet"));
        settle();
    }
    // The window that has the keyboard: the main window, or a menu open over it.
    QWindow* keyboardWindow() const
    {
        return QGuiApplication::focusWindow() ? QGuiApplication::focusWindow() : form->windowHandle();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(keyboardWindow(), key, modifiers);
        settle();
    }
    void type(const QString& text)
    {
        for (const QChar c : text) QTest::keyClick(keyboardWindow(), c.toLatin1());
        settle();
    }
    void click(QWidget* w, QPoint at = {})
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, at.isNull() ? w->rect().center() : at);
        settle();
    }
    void click(const char* field) { click(find<QLineEdit>(field)); }
    QString focused() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("(none)");
    }
    QMenu* menu(const char* name) const { return form->menuItem(QString::fromLatin1(name))->menu(); }
    // The operator opens a menu of the menu bar with the mouse.
    void openMenu(const char* name)
    {
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(form->menuItem(QString::fromLatin1(name))).center());
        ASSERT_TRUE(RunUntil([&] { return menu(name)->isVisible(); }, 2000));
    }
    // ... and chooses an item of it.
    void chooseMenuItem(const char* menuName, const char* item)
    {
        ASSERT_NO_FATAL_FAILURE(openMenu(menuName));
        QMenu* m = menu(menuName);
        QAction* a = form->menuItem(QString::fromLatin1(item));
        ASSERT_TRUE(a->isEnabled()) << item;
        QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
        settle();
    }
};

// Channel 1's phase is 1, screen 1's right halo 8 wide at offset 2, screen 7's black level 14.
void PrepareUnits(sim::Simulator& s)
{
    s.unit(1).input(1).Phase = 1;
    s.unit(1).output(1).RightHaloWidth = 8;
    s.unit(1).output(1).RightHaloOffset = 2;
    s.unit(2).output(3).BlackLevel = 14;
    s.unit(2).output(2).LeftHaloWidth = 5;
    s.unit(2).output(2).LeftHaloOffset = 40;
}

TEST_F(TypedValuesTest, WhatIsTypedIntoAFieldReachedByTabEnterOrAClickReplacesItsText)
{
    ASSERT_NO_FATAL_FAILURE(connect(PrepareUnits));
    const PositionWindow& window = form->sourcePage()->positionWindow();
    const int h = (window.HPositionMin + window.HPositionMax) / 2 + 3;  // inside channel 1's window
    ASSERT_LT(window.HPositionMin, h);
    ASSERT_LT(h, window.HPositionMax);
    struct Case {
        const char* name;
        QWidget* page;
        std::function<void()> reach;  // gestures that bring the focus to the field
        const char* field;
        const char* shown;  // its text on arrival, all of it selected
        QString typed;
        Qt::Key leave;
        QByteArray wire;  // what leaving it sends, and nothing else
    };
    const Case cases[] = {
        {"click V Position, Tab to Phase", form->sourcePage(), [&] { click("VPositionEdit"); press(Qt::Key_Tab); },
         "PhaseEdit", "1", "5", Qt::Key_Tab, PassFrame("*3ICPHOTN 1 M 5!")},
        {"Enter from a black level to its halo width", form->displayPage(),
         [&] { click("Black1Edit"); type("20"); press(Qt::Key_Return); }, "HaloWidth1Edit", "8", "3", Qt::Key_Return,
         PassFrame("*3HALO 1 R 3 2!")},
        {"Enter from Phase to H Position", form->sourcePage(), [&] { click("PhaseEdit"); type("2"); press(Qt::Key_Enter); },
         "HPositionEdit", nullptr, QString::number(h), Qt::Key_Enter, PassFrame("*3IRSPTN 1 M H " + QByteArray::number(h) + "!")},
        {"a click from one black level to another", form->displayPage(), [&] { showScreens(6); click("Black6Edit"); type("45"); click("Black7Edit"); },
         "Black7Edit", "14", "9", Qt::Key_Tab, PassFrame("*7BLKGN 3 9!")},
        {"Shift+Tab from a halo offset to its width", form->displayPage(), [&] { showScreens(6); click("LHaloOffset6Edit"); press(Qt::Key_Backtab, Qt::ShiftModifier); },
         "LHaloWidth6Edit", "5", "12", Qt::Key_Tab, PassFrame("*7HALO 2 L 12 40!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        showPage(c.page);
        c.reach();
        ASSERT_EQ(focused(), c.field);
        auto* edit = find<QLineEdit>(c.field);
        if (c.shown) {
            EXPECT_EQ(edit->text(), c.shown);
        }
        EXPECT_EQ(edit->selectedText(), edit->text()) << "the whole text is selected";
        simulator->log().clear();
        type(c.typed);
        EXPECT_EQ(edit->text(), c.typed);
        press(c.leave);
        EXPECT_EQ(sentSince(), c.wire);
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
        EXPECT_EQ(edit->text(), c.typed);
    }
}

// A click in a field that already has the focus places the cursor, as everywhere else.
TEST_F(TypedValuesTest, AClickInTheFieldThatHasTheFocusPlacesTheCursor)
{
    ASSERT_NO_FATAL_FAILURE(connect(PrepareUnits));
    showScreens(7);
    auto* edit = find<QLineEdit>("Black7Edit");
    click(edit);
    ASSERT_EQ(edit->selectedText(), "14");
    click(edit, QPoint(edit->width() - 3, edit->height() / 2));  // after the last digit
    EXPECT_FALSE(edit->hasSelectedText());
    type("5");
    EXPECT_EQ(edit->text(), "145");
    press(Qt::Key_Tab);
    EXPECT_EQ(sentSince(), PassFrame("*7BLKGN 3 145!"));
}

// The value typed into a black level goes out when the window is closed, before the question
// (and whatever the answer); one the field refuses keeps the window open with its message.
TEST_F(TypedValuesTest, ClosingTheWindowCommitsTheTypedValueFirst)
{
    struct Case {
        const char* name;
        std::function<void()> close;
        const char* typed;
        bool answer;  // to the exit question
        QByteArray wire;
        QStringList messages;
        bool closes;
    };
    const auto closeBox = [&] {
        QCloseEvent close;  // what the window system sends for the close box
        QCoreApplication::sendEvent(form->windowHandle(), &close);
        settle();
    };
    const auto ctrlQ = [&] { press(Qt::Key_Q, Qt::ControlModifier); };
    const auto fileExit = [&] { chooseMenuItem("File1", "Exit1"); };
    const Case cases[] = {
        {"close box, Yes", closeBox, "99", true, PassFrame("*7BLKGN 1 99!"), {}, true},
        {"close box, No", closeBox, "98", false, PassFrame("*7BLKGN 1 98!"), {}, false},
        {"Ctrl+Q, Yes", ctrlQ, "97", true, PassFrame("*7BLKGN 1 97!"), {}, true},
        {"File > Exit, Yes", fileExit, "96", true, PassFrame("*7BLKGN 1 96!"), {}, true},
        {"close box, refused", closeBox, "999", true, {}, {kBlackBounds}, false},
        {"Ctrl+Q, refused", ctrlQ, "-1", true, {}, {kBlackBounds}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(connect());
        showScreens(5);
        click("Black5Edit");
        type(QString::fromLatin1(c.typed));
        simulator->log().clear();
        op.clear();
        int questionsAtSend = -1;
        QObject::connect(simulator.get(), &sim::Simulator::requestHandled, form.get(),
                         [&](const QByteArray&) { questionsAtSend = int(op.questions().size()); });
        bool closed = false;
        QObject::connect(form.get(), &TKalvoraForm::closed, [&] { closed = true; });
        op.answer(c.answer);
        c.close();
        if (c.closes) {
            ASSERT_TRUE(RunUntil([&] { return closed; }));
        }
        EXPECT_EQ(sentSince(), c.wire);
        EXPECT_EQ(op.messages(), c.messages);
        if (!c.wire.isEmpty()) {
            EXPECT_EQ(questionsAtSend, 0) << "sent before the question";
            EXPECT_EQ(simulator->unitById(7)->output(1).BlackLevel, QByteArray(c.typed).toInt());
        }
        EXPECT_EQ(op.questions(), c.messages.isEmpty() ? QStringList{kConfirmExit} : QStringList{});
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(form->isVisible(), !c.closes);
        if (!c.closes) {
            EXPECT_EQ(focused(), "Black5Edit");
        }
    }
}

TEST_F(TypedValuesTest, SavingCommitsTheTypedValueSoTheFileHoldsIt)
{
    ASSERT_NO_FATAL_FAILURE(connect());
    QTemporaryDir dir;
    const QString path = dir.filePath("wall.tnc");
    form->configFiles().SaveDialog1 = [path] { return path; };
    press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(form->windowTitle(), "wall.tnc[*] - Quennel - Kalvora");
    showPage(form->displayPage());

    // Typed, then saved with Ctrl+S: sent, in the file, and the title unmarked.
    click("Black3Edit");
    type("77");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(sentSince(), PassFrame("*3BLKGN 3 77!"));
    Settings saved;
    ASSERT_TRUE(ReadConfigFile(saved, path, op));
    EXPECT_EQ(saved.output(1, 3).BlackLevel, 77);
    EXPECT_EQ(ReadAll(path), ConfigImage(form->settings()));
    EXPECT_FALSE(form->isWindowModified());
    // Leaving the field now sends nothing more; editing it again and leaving does.
    press(Qt::Key_Tab);
    EXPECT_EQ(sentSince(), QByteArray());
    click("Black3Edit");
    simulator->log().clear();  // the halo width left by the Tab went out
    type("76");
    press(Qt::Key_Tab);
    EXPECT_EQ(sentSince(), PassFrame("*3BLKGN 3 76!"));
    EXPECT_TRUE(RunUntil([&] { return form->isWindowModified(); }, 2000)) << "the records now differ from the file";

    // Saved through the menu: the same.
    click("Black4Edit");
    simulator->log().clear();
    type("75");
    chooseMenuItem("File1", "SaveConfigurationtoFile1");
    EXPECT_EQ(sentSince(), PassFrame("*3BLKGN 4 75!"));
    ASSERT_TRUE(ReadConfigFile(saved, path, op));
    EXPECT_EQ(saved.output(1, 3).BlackLevel, 76);
    EXPECT_EQ(saved.output(1, 4).BlackLevel, 75);
    EXPECT_FALSE(form->isWindowModified());
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
}

// Opening a menu (or another window) takes the keyboard from the field for a while; closing it
// with Escape (or coming back) gives it back. Nothing is sent meanwhile, and leaving the field
// afterwards sends its value once.
TEST_F(TypedValuesTest, AMenuOpenedAndClosedWithEscapeSendsNothing)
{
    ASSERT_NO_FATAL_FAILURE(connect());
    showScreens(6);
    struct Case {
        const char* name;
        std::function<void()> openAndEscape;
        const char* typed;
    };
    const Case cases[] = {
        {"Alt+F, Escape", [&] {
             press(Qt::Key_F, Qt::AltModifier);
             ASSERT_TRUE(menu("File1")->isVisible());
             press(Qt::Key_Escape);  // the menu closes; the menu bar may keep the keyboard
             if (focused() != "Black6Edit") press(Qt::Key_Escape);  // and gives it back
         }, "62"},
        {"a click on Serial Port, Escape", [&] {
             openMenu("Search1");
             press(Qt::Key_Escape);
             if (focused() != "Black6Edit") press(Qt::Key_Escape);
         }, "63"},
        {"a click on File, a click on Help, Escape", [&] {
             openMenu("File1");
             QTest::mouseMove(form->menuBar(), form->menuBar()->actionGeometry(form->menuItem("Help1")).center());
             settle();
             press(Qt::Key_Escape);
             if (focused() != "Black6Edit") press(Qt::Key_Escape);
         }, "64"},
        {"the traffic view opened from the menu, then a click back on the window's title", [&] {
             chooseMenuItem("Search1", "TrafficView1");
             ASSERT_TRUE(QTest::qWaitForWindowActive(form->trafficWindow()));
             form->activateWindow();  // as the window manager does for a click on the title
             ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
             settle();
         }, "65"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        click("Black6Edit");
        ASSERT_EQ(focused(), "Black6Edit");
        type(QString::fromLatin1(c.typed));
        simulator->log().clear();
        c.openAndEscape();
        EXPECT_TRUE(RunUntil([&] { return !QApplication::activePopupWidget(); }, 2000));
        EXPECT_EQ(sentSince(), QByteArray());
        EXPECT_EQ(focused(), "Black6Edit");
        press(Qt::Key_Tab);
        EXPECT_EQ(sentSince(), PassFrame("*7BLKGN 2 " + QByteArray(c.typed) + "!"));
    }
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
}

// A page change and the items that work on the units commit the value being typed before they
// do anything; a value the field refuses stops them with its message.
TEST_F(TypedValuesTest, PageChangesAndUnitItemsCommitTheTypedValueFirst)
{
    ASSERT_NO_FATAL_FAILURE(connect());
    simulator->setThinkMs(0);  // the settings sent in one go answered at once
    struct Case {
        const char* name;
        std::function<void()> wayOut;
        const char* typed;
        QStringList messages;
        bool leavesThePage;
        bool linkAfter;
    };
    const auto clickTab = [&] {  // the window of the moment: a disconnect is followed by a new one
        QTabBar* tabs = form->pages()->tabBar();
        click(tabs, tabs->tabRect(form->pages()->indexOf(form->seamPage())).center());
    };
    const Case cases[] = {
        {"a click on another page's tab", clickTab, "31", {}, true, true},
        {"Ctrl+Tab", [&] { press(Qt::Key_Tab, Qt::ControlModifier); }, "32", {}, true, true},
        {"Send Current Settings", [&] { chooseMenuItem("File1", "SendCurrentSettingstoTornels1"); }, "33", {}, false, true},
        {"Read from Tornel(s)", [&] { chooseMenuItem("Search1", "ReadfromTornels1"); }, "35", {}, false, true},
        {"Disconnect", [&] { chooseMenuItem("Search1", "DisconnectSerialCo1"); }, "34", {}, false, false},
        {"a click on another page's tab, refused", clickTab, "300", {kBlackBounds}, false, true},
        {"Ctrl+Tab, refused", [&] { press(Qt::Key_Tab, Qt::ControlModifier); }, "x", {"Error! 'x' is not a valid Black Level."}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!form->LinkEstablished()) {
            ASSERT_NO_FATAL_FAILURE(connect());
            simulator->setThinkMs(0);
        }
        showScreens(8);
        click("Black8Edit");
        type(QString::fromLatin1(c.typed));
        simulator->log().clear();
        op.clear();
        c.wayOut();
        const QByteArray sent = sentSince();
        EXPECT_EQ(op.messages(), c.messages);
        if (c.messages.isEmpty()) {
            EXPECT_TRUE(sent.startsWith(PassFrame("*7BLKGN 4 " + QByteArray(c.typed) + "!"))) << sent.left(60).toStdString();
        } else {
            EXPECT_EQ(sent, QByteArray());
            EXPECT_EQ(focused(), "Black8Edit");
        }
        EXPECT_EQ(!find("Black8Edit")->isVisible(), c.leavesThePage);
        EXPECT_EQ(form->LinkEstablished(), c.linkAfter);
        if (focused() == "Black8Edit") {
            find<QLineEdit>("Black8Edit")->setText("8");
            press(Qt::Key_Tab);
        }
    }
}

}  // namespace
}  // namespace kalvora::testing
