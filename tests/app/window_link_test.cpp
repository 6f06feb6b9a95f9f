// The window's menus and the planning page against simulated units over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/info_page.h"
#include "app/terminal_view.h"
#include "editors/radio_group.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include <QtTest/QTest>
#include "support/link_fixture.h"
#include "editors/planning_page.h"
#include "platform/clock.h"
#include "qt_print.h"
#include "sim/simulator.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

class WindowLinkTest : public WindowTest {
protected:
    // The probe waits ten 55 ms ticks; at a hundredth that is 5.5 ms, less than a loaded
    // machine may take to pass a byte through the pseudo-terminal. A tenth keeps every wait of
    // these tests well under a second.
    void SetUp() override
    {
        savedScale = clock::scale();
        clock::setScale(0.1);
        WindowTest::SetUp();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        simulator.reset();
        clock::setScale(savedScale);
    }
    double savedScale = 1.0;
    void startSim(sim::PortMode mode)
    {
        sim::SimConfig config;
        config.mode = mode;
        config.ids = {3, 7};  // IDs that differ from the unit numbers
        simulator = std::make_unique<sim::Simulator>(config);
        QString error;
        ASSERT_TRUE(simulator->start(&error)) << error.toStdString();
        form->setComDevices(simulator->slavePath(), QString());
    }
    std::unique_ptr<sim::Simulator> simulator;
};

struct SearchCase {
    sim::PortMode mode;
    bool controller;
};

TEST_F(WindowLinkTest, SearchConnectsAndEnablesTheTwoMenuItemsDisconnectTakesThemBack)
{
    for (const SearchCase sc : {SearchCase{sim::PortMode::Direct, false}, SearchCase{sim::PortMode::Controller, true}}) {
        SCOPED_TRACE(sc.controller ? "controller" : "direct");
        form = std::make_unique<TKalvoraForm>(op);
        startSim(sc.mode);
        op.clear();
        op.answer(false);  // no search at start
        showAndSettle();
        EXPECT_FALSE(form->menuItem("ReadfromTornels1")->isEnabled());

        op.clear();
        op.answer(false);  // no read after connecting
        // The pages stay disabled for the whole search, whatever the link does in between.
        QList<bool> enabledWhileSearching;
        auto record = [&] {
            if (form->linkController().searching()) enabledWhileSearching << form->pages()->isEnabled();
        };
        QObject::connect(&form->linkController(), &LinkController::searchingChanged, record);
        QObject::connect(&form->link(), &Link::waitingForUnitsChanged, record);
        form->menuItem("SearchAll")->trigger();
        EXPECT_FALSE(enabledWhileSearching.isEmpty());
        EXPECT_FALSE(enabledWhileSearching.contains(true));
        EXPECT_TRUE(form->LinkEstablished()) << op.messages().join(" | ").toStdString();
        EXPECT_TRUE(form->menuItem("ReadfromTornels1")->isEnabled());
        EXPECT_TRUE(form->menuItem("SendCurrentSettingstoTornels1")->isEnabled());
        EXPECT_EQ(FindNamed<QLabel>(form.get(), "ComNumberLabel")->text(), "1");
        EXPECT_EQ(form->linkController().throughController(), sc.controller);
        EXPECT_EQ(FindNamed<QComboBox>(form.get(), "BaudComboBox")->currentText(), sc.controller ? "57600" : "38400");
        EXPECT_TRUE(op.statuses().contains("Established communication with Tornel on Com 1"));
        ASSERT_EQ(op.questions(),
                  QStringList{"Serial communication established. Do you wish to query the Tornel's settings and update "
                              "the Kalvora?"});
        EXPECT_TRUE(op.messages().isEmpty());
        EXPECT_TRUE(form->pages()->isEnabled());

        // The terminal view talks to the units on the open port.
        TerminalView* terminal = form->infoPage()->terminal();
        // It has shown the search's traffic, the unit's or the controller's prompt included.
        EXPECT_TRUE(terminal->toPlainText().contains(sc.controller ? "CTRLR>" : "#"));
        form->pages()->setCurrentWidget(form->infoPage());
        terminal->clearScreen();
        simulator->log().clear();
        QTest::keyClick(terminal, Qt::Key_Backspace);
        QTest::keyClick(terminal, Qt::Key_Return);
        ASSERT_TRUE(RunUntil([&] { return terminal->toPlainText().contains(sc.controller ? ">" : "#"); }));
        EXPECT_EQ(simulator->received(), QByteArray("\b \b\r"));

        form->menuItem("DisconnectSerialCo1")->trigger();
        EXPECT_FALSE(form->LinkEstablished());
        EXPECT_FALSE(form->port().isOpen());
        EXPECT_FALSE(form->menuItem("ReadfromTornels1")->isEnabled());
        EXPECT_FALSE(form->menuItem("SendCurrentSettingstoTornels1")->isEnabled());
        EXPECT_EQ(form->statusText(), "Note: No Tornel communication established yet.");
        form.reset();
        simulator.reset();
    }
}

TEST_F(WindowLinkTest, StartUpSearchAndReadThenACountChangeSendsPrjToBothUnitsAndDisp)
{
    startSim(sim::PortMode::Controller);
    simulator->unit(1).infoText = {{'T', 'N', 'V', '9', '.', '8', '7', '\0'}};
    op.answerAll({true, true});  // search at start; read the units
    showAndSettle();
    ASSERT_TRUE(form->LinkEstablished());
    EXPECT_EQ(form->flags().UnitCount, 2);
    EXPECT_EQ(FindNamed<QLabel>(form.get(), "NumOfTornelDetectedLabel")->text(), "2");
    EXPECT_TRUE(form->settings().StatusReadAvailable);
    EXPECT_NE(FindNamed<QLabel>(form.get(), "HActiveLabel")->text(), "N/A");  // the information page was filled
    // The units' wall (left justified) differs from the start-up plan (centred, 3 projectors).
    EXPECT_EQ(op.messages(), QStringList{"Warning. Number of Projectors and Input Material Alignment information read "
                                         "from Tornel(s) does not match current values in the Planning page. \rPlanning "
                                         "page values will be overwritten"});
    // The controller's report shows the units' RS-485 IDs and the mode.
    for (const char* name : {"TornelID1Edit", "TornelID2Edit"}) EXPECT_FALSE(find<QLineEdit>(name)->isHidden()) << name;
    EXPECT_EQ(find<QLineEdit>("TornelID2Edit")->text(), "7");
    EXPECT_TRUE(find<QCheckBox>("RS485CheckBox")->isChecked());
    EXPECT_EQ(find<QLabel>("Version1Label")->text(), "V9.87");

    simulator->log().clear();
    PlanningPage* planning = form->planningPage();
    FindNamed<QComboBox>(planning, "NumOfScreenComboBox")->setCurrentIndex(3);  // "4 Projectors"
    planning->NumOfScreenComboBoxChange();
    ASSERT_TRUE(RunUntil([&] { return simulator->isIdle(); }));

    const QByteArray width = FindNamed<QLineEdit>(form.get(), "OWidthEdit")->text().toLatin1();
    const QByteArray expected = PassFrame("*3PRJ 0 4!") + PassFrame("*7PRJ 1 4!") +
                                PassFrame("*3DISP 0 " + width + "!") + PassFrame("*7DISP 0 " + width + "!");
    EXPECT_EQ(simulator->received(), expected);
    EXPECT_EQ(simulator->unit(1).output(1).TotalProjectors, 4);
    EXPECT_EQ(simulator->unit(2).output(1).ScreenGroup, 1);
    EXPECT_EQ(form->settings().output(2, 1).TotalProjectors, 4);
}

// After a read, turning to the Source Setup and Seam Removal pages fills them from the records
// of the selected channel, and the information window is the one the pages report their long
// operations in.
TEST_F(WindowLinkTest, PageChangeFillsTheSourceAndSeamPagesOfTheSelectedChannel)
{
    startSim(sim::PortMode::Controller);
    simulator->unit(1).input(2).HPosition = 77;
    simulator->unit(1).output(2).SeamGain[5] = 201;
    op.answerAll({true, true});  // search at start; read the units
    showAndSettle();
    ASSERT_TRUE(form->settings().StatusReadAvailable);
    // The planning page lists the wall's channels; pick channel 2 on both pages.
    auto* sourceSelect = find<RadioGroup>("SourceScreenSelectRadioGroup");
    auto* seamSelect = find<RadioGroup>("SeamScreenSelectRadioGroup");
    ASSERT_GE(sourceSelect->items().size(), 2);
    sourceSelect->setItemIndex(1);
    seamSelect->setItemIndex(1);

    form->pages()->setCurrentWidget(form->sourcePage());
    EXPECT_EQ(find<QLineEdit>("HPositionEdit")->text(), "77");
    EXPECT_TRUE(find<QWidget>("InputAlignmentGroupBox")->isEnabled());
    form->pages()->setCurrentWidget(form->seamPage());
    EXPECT_EQ(find<QLineEdit>("SeamGain6Edit")->text(), "201");
    EXPECT_TRUE(find<QWidget>("SeamGroupBox")->isEnabled());
}

}  // namespace
}  // namespace kalvora::testing
