// The Display Setup and Projector Setup pages in the main window against simulated units behind
// a controller (two units, a wall of 8 projectors), over a pseudo-terminal: what the operator
// does, the bytes on the line, the records and what the pages show.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include "clock_scale.h"
#include "editors/display_setup_page.h"
#include "editors/projector_setup_page.h"
#include "editors/field_controls.h"
#include "editors/radio_group.h"
#include "operations/bulk_send.h"
#include "editors/spin_arrows.h"
#include "support/link_fixture.h"
#include "editors/planning_page.h"
#include "qt_print.h"
#include "settings/numeric_field_table.h"
#include "sim/simulator.h"
#include "units_window_fixture.h"

namespace kalvora::testing {
namespace {

// A frame to both units: unit 1 first, then unit 2.
QByteArray Both(const QByteArray& command) { return PassFrame("*3" + command + "!") + PassFrame("*7" + command + "!"); }
QByteArray Query(int unit, const QByteArray& query) { return "TNQUERY *" + QByteArray::number(unit == 1 ? 3 : 7) + query + "!\r"; }

const QString kMismatch = QStringLiteral(
    "Warning. Number of Projectors and Input Material Alignment information read from Tornel(s) does not match "
    "current values in the Planning page. \rPlanning page values will be overwritten");

class EditorPagesTest : public UnitsWindowTest {
protected:
    // Connects at start-up to two simulated units behind a controller, reading them if `read`.
    void connect(bool read = true)
    {
        startWithUnits(read);
        if (HasFatalFailure()) return;
        form->pages()->setCurrentWidget(form->displayPage());
        QCoreApplication::processEvents();
        settle();
        simulator->log().clear();
        op.clear();
    }
    QByteArray settle()
    {
        EXPECT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
        return simulator->received();
    }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    void typeAndLeave(const char* name, const QString& text)
    {
        edit(name)->setFocus();
        edit(name)->setText(text);
        find<QWidget>("TestPattern1ComboBox")->setFocus();
    }
    void pick(const char* combo, int index)
    {
        auto* c = find<QComboBox>(combo);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    static void pickItem(RadioGroup* group, int index) { group->findChildren<QRadioButton*>().at(index)->click(); }
    const OutputScreenRecord& record(int n) const
    {
        const UnitIndex at = WallToUnit(n);
        return form->settings().output(at.unit, at.index);
    }

};

TEST_F(EditorPagesTest, AReadOfEightProjectorsShowsThatWallOnEveryPage)
{
    connect();
    // The planning page before the read showed 3 projectors, centred.
    EXPECT_EQ(form->flags().UnitCount, 2);
    PlanningPage* planning = form->planningPage();
    EXPECT_EQ(planning->workingCount(), 8);
    EXPECT_EQ(planning->alignment(), 0);
    EXPECT_EQ(planning->strip().frames.size(), 8u);
    EXPECT_EQ(find<QLabel>("NumOfTornelLabel")->text(), "2");
    // The content requirement repeats the image size the labels show.
    const QString imageSize = find<QLabel>("ImageSizeHLabel")->text() + " x " + find<QLabel>("ImageSizeVLabel")->text();
    EXPECT_TRUE(find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText().contains(imageSize + " Image Size Required"))
        << imageSize.toStdString() << " | " << find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText().toStdString();
    // (Screens 5..8 sit on the other tab: shown there, not hidden.)
    for (int n = 1; n <= 8; ++n) EXPECT_FALSE(find<QWidget>(("Screen" + std::to_string(n) + "GroupBox").c_str())->isHidden());
    EXPECT_TRUE(find<QTabWidget>("ScreenPageControl")->isTabVisible(1));
    EXPECT_EQ(FindNamed<RadioGroup>(form.get(), "SeamScreenSelectRadioGroup")->items().size(), 8);
    // The right edge of screen 7 shows; screen 8 has its single left edge.
    EXPECT_FALSE(find<QWidget>("RHaloWidth7Edit")->isHidden());
    // The display page holds the units' values, as they are stored.
    EXPECT_EQ(edit("OWidthEdit")->text(), "256");
    EXPECT_EQ(edit("LGamma2Edit")->text(), "2.2");
    EXPECT_EQ(edit("BasicGammaEdit")->text(), "2.2");
    EXPECT_TRUE(find<QCheckBox>("AdvanceModeCheckBox")->isChecked());
    EXPECT_FALSE(find<QWidget>("EdgeFeather5GroupBox")->isHidden());
    EXPECT_TRUE(find<QWidget>("EdgeFeatherBasicGroupBox")->isHidden());
    EXPECT_EQ(find<QComboBox>("TestPattern6ComboBox")->currentIndex(), record(6).TestPattern);
    EXPECT_TRUE(find<QCheckBox>("EdgeFeathering8CheckBox")->isChecked());
    EXPECT_EQ(find<QCheckBox>("EdgeFeathering1CheckBox")->isChecked(), record(1).RightFeather != 0);
    EXPECT_EQ(op.messages(), QStringList{});  // the warning came with the read, before this point
}

// A read refills every page from what the units hold: a group's test pattern chosen earlier is
// no longer selected, and once the read is over the status bar no longer shows a step.
TEST_F(EditorPagesTest, ReadClearsTheProjectorGroupsAndItsStepWhenDone)
{
    connect();
    ProjectorSetupPage* projector = form->projectorPage();
    projector->group(4)->setItemIndex(2);
    settle();
    auto* step = find<QLabel>("ProgressLabel");
    QStringList steps;
    QObject::connect(&form->port(), &SerialPort::bytesSent, [&] { steps << step->text(); });
    form->menuItem("ReadfromTornels1")->trigger();
    settle();
    EXPECT_EQ(projector->group(4)->itemIndex(), -1);
    EXPECT_TRUE(steps.contains("Reading controller: NTN")) << steps.join(" | ").toStdString();
    EXPECT_TRUE(RunUntil([&] { return step->text().isEmpty(); }, 2000)) << step->text().toStdString();
}

TEST_F(EditorPagesTest, TestPatternsPerScreenSendTheListGridAndRasterAndClearTheProjectorGroups)
{
    connect();
    ProjectorSetupPage* projector = form->projectorPage();
    projector->group(4)->setItemIndex(2);
    find<QCheckBox>("TestGrid6CheckBox")->setChecked(true);
    find<QCheckBox>("OutputRaster6CheckBox")->setChecked(false);
    pick("TestPattern6ComboBox", 5);  // "Black"
    EXPECT_EQ(settle(), PassFrame("*7OTPMTN 2 5 0 1!"));
    EXPECT_EQ(record(6).TestPattern, 5);
    EXPECT_EQ(record(6).OutputRaster, 0);
    EXPECT_EQ(record(6).TestGrid, 1);
    EXPECT_EQ(projector->group(4)->itemIndex(), -1);

    simulator->log().clear();
    projector->checkBox(1)->setChecked(true);
    pick("TestPattern3ComboBox", 7);
    find<QCheckBox>("OutputRaster3CheckBox")->click();  // re-sends the pattern with the raster box
    EXPECT_EQ(settle(), PassFrame("*3OTPMTN 3 7 0 0!") + PassFrame("*3OTPMTN 3 7 1 0!"));
    EXPECT_TRUE(projector->checkBox(1)->isChecked());  // the boxes keep their state
    for (int g = 1; g <= 4; ++g) EXPECT_EQ(projector->group(g)->itemIndex(), -1);
}

TEST_F(EditorPagesTest, AGridClickBeforeAnyFillSendsOffNotMinusOne)
{
    connect(false);  // connected, never read: the lists have no selection
    auto* list = find<QComboBox>("TestPattern2ComboBox");
    ASSERT_EQ(list->currentIndex(), -1);
    find<QCheckBox>("TestGrid2CheckBox")->click();
    EXPECT_EQ(settle(), PassFrame("*3OTPMTN 2 0 0 1!"));
    EXPECT_EQ(list->currentText(), "Off");
}

TEST_F(EditorPagesTest, ScreenFieldsSendToTheirUnitAndEdgeFromTheWindow)
{
    connect();
    struct Step {
        std::function<void()> act;
        QByteArray wire;
    };
    const Step steps[] = {
        {[&] { typeAndLeave("Black6Edit", "30"); }, PassFrame("*7BLKGN 2 30!")},
        {[&] { typeAndLeave("HaloWidth1Edit", "12"); }, PassFrame("*3HALO 1 R 12 0!")},
        {[&] { typeAndLeave("HaloOffset8Edit", "200"); }, PassFrame("*7HALO 4 L 0 200!")},
        {[&] { typeAndLeave("LGamma3Edit", "2.5"); }, PassFrame("*3EFTA 3 L 1  2.5!")},
        {[&] { find<QCheckBox>("LEdgeFeathering3CheckBox")->click(); }, PassFrame("*3EFTA 3 L 0  2.5!")},
        {[&] { typeAndLeave("Gamma8Edit", "4"); }, PassFrame("*7EFTA 4 L 1  4.0!")},
        {[&] { typeAndLeave("Gamma1Edit", "3,3"); }, PassFrame("*3EFTA 1 R 1  3.3!")},
    };
    for (const Step& s : steps) {
        simulator->log().clear();
        s.act();
        EXPECT_EQ(settle(), s.wire);
    }
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
    EXPECT_EQ(record(6).BlackLevel, 30);
    EXPECT_EQ(simulator->unit(2).output(2).BlackLevel, 30);
    EXPECT_EQ(record(3).LeftFeather, 0);
    EXPECT_EQ(record(3).LeftGamma, 2.5f);
    EXPECT_EQ(record(8).LeftHaloOffset, 200);
    // Enter in Black6Edit goes on to screen 6's left halo width.
    find<QTabWidget>("ScreenPageControl")->setCurrentIndex(1);
    edit("Black6Edit")->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit("Black6Edit"));
    QTest::keyClick(edit("Black6Edit"), Qt::Key_Return);
    // The link's wait took the focus from the disabled pages; it comes back where it was going.
    EXPECT_TRUE(RunUntil([&] { return QApplication::focusWidget() == edit("LHaloWidth6Edit"); }, 500))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
}

// One rule for a gamma's text, whichever path reads it: what the field sends when the operator
// types it and leaves, the bulk send sends from the same text; what the field refuses, the send
// refuses before its first command. A point or a comma is the decimal separator, once.
TEST_F(EditorPagesTest, ATypedGammaReadsTheSameInTheFieldCommitAndInTheSend)
{
    connect();
    struct Case {
        const char* field;
        const char* typed;
        QByteArray sent;  // the field's frame; empty: refused
    };
    // What is accepted goes into a field of its own, so that one send carries every case.
    const Case cases[] = {
        {"LGamma2Edit", "2,5", PassFrame("*3EFTA 2 L 1  2.5!")},
        {"RGamma2Edit", "2.5", PassFrame("*3EFTA 2 R 1  2.5!")},
        {"LGamma6Edit", " 4,7 ", PassFrame("*7EFTA 2 L 1  4.7!")},
        {"RGamma6Edit", "1,000", PassFrame("*7EFTA 2 R 1  1.0!")},
        {"Gamma8Edit", "5,0", PassFrame("*7EFTA 4 L 1  5.0!")},
        {"Gamma1Edit", "2", PassFrame("*3EFTA 1 R 1  2.0!")},
        {"LGamma4Edit", "2.", PassFrame("*3EFTA 4 L 1  2.0!")},
        {"RGamma4Edit", " 2.5", PassFrame("*3EFTA 4 R 1  2.5!")},
        {"LGamma7Edit", "3,", PassFrame("*7EFTA 3 L 1  3.0!")},
        {"LGamma3Edit", ",5", {}},
        {"LGamma3Edit", "2,5,1", {}},
        {"LGamma3Edit", "2.5.1", {}},
        {"LGamma3Edit", "1e1", {}},
        {"LGamma3Edit", "5,1", {}},
        {"LGamma3Edit", "0,9", {}},
        {"LGamma3Edit", "2,5,0", {}},
        {"LGamma3Edit", "2.5,0", {}},
        {"LGamma3Edit", "1,000.5", {}},
        {"LGamma3Edit", "2;5", {}},
        {"LGamma3Edit", "abc", {}},
    };
    const auto type = [&](const Case& c) {
        const int screen = NumericFieldOfEdit(QString::fromLatin1(c.field))->number;
        find<QTabWidget>("ScreenPageControl")->setCurrentIndex(screen <= 4 ? 0 : 1);
        find<QCheckBox>(ControlsOf(NumericFieldOfEdit(QString::fromLatin1(c.field))->key).partner.toLatin1().constData())->setChecked(true);
        settle();
        simulator->log().clear();
        op.clear();
        QLineEdit* gamma = edit(c.field);
        gamma->setFocus();
        gamma->selectAll();
        QTest::keyClicks(gamma, QString::fromLatin1(c.typed));
        QTest::keyClick(gamma, Qt::Key_Tab);
        EXPECT_EQ(settle(), c.sent);
        EXPECT_EQ(op.messages().isEmpty(), !c.sent.isEmpty()) << op.messages().join(" | ").toStdString();
        EXPECT_EQ(gamma->text(), QString::fromLatin1(c.typed));
    };
    for (const Case& c : cases) {
        if (c.sent.isEmpty()) continue;
        SCOPED_TRACE(c.typed);
        type(c);
    }
    simulator->log().clear();
    op.clear();
    EXPECT_EQ(form->SendCurrentSettingstoTornels1Click(), BulkOutcome::Done) << op.messages().join(" | ").toStdString();
    const QByteArray wire = settle();
    for (const Case& c : cases) {
        if (c.sent.isEmpty()) continue;
        EXPECT_TRUE(wire.contains(c.sent)) << c.typed << " not in " << wire.toStdString();
    }

    for (const Case& c : cases) {
        if (!c.sent.isEmpty()) continue;
        SCOPED_TRACE(c.typed);
        type(c);
        simulator->log().clear();
        op.clear();
        EXPECT_EQ(form->SendCurrentSettingstoTornels1Click(), BulkOutcome::InvalidValue);
        EXPECT_EQ(settle(), QByteArray());
        ASSERT_EQ(op.messages().size(), 1);
        EXPECT_TRUE(op.messages().first().contains(QStringLiteral("Screen 3 Edge Feathering Gamma (L) is \"%1\"; accepted: 1.0 to 5.0")
                                                       .arg(QString::fromLatin1(c.typed))))
            << op.messages().first().toStdString();
        edit(c.field)->setText(QStringLiteral("2.2"));
    }
}

TEST_F(EditorPagesTest, WallWideFeatheringAndDataDoublingGoToUnitOneThenUnitTwo)
{
    connect();
    struct Step {
        const char* what;
        std::function<void()> act;
        QByteArray wire;
        QString message;
    };
    const QString gammaBounds = QStringLiteral("Error! Value out of bounds! (1.0 - 5.0)");
    const Step steps[] = {
        {"data doubling off", [&] { find<QCheckBox>("EnDataDoubleCheckBox")->click(); }, Both("DDBL 0"), {}},
        {"linear curve", [&] { pickItem(FindNamed<RadioGroup>(form.get(), "FeatherRadioGroup"), 1); }, Both("FEATHER L"), {}},
        {"gamma 5.05", [&] { typeAndLeave("BasicGammaEdit", "5.05"); }, {}, gammaBounds},
        {"gamma 0.95", [&] { typeAndLeave("BasicGammaEdit", "0.95"); }, {}, gammaBounds},
        {"gamma abc", [&] { typeAndLeave("BasicGammaEdit", "abc"); },
         {}, QStringLiteral("Error! 'abc' is not a valid Edge Feathering Gamma value.")},
        {"gamma 5.0", [&] { typeAndLeave("BasicGammaEdit", "5.0"); }, Both("EFTB 1  5.0"), {}},
        {"basic enable off", [&] { find<QCheckBox>("BasicEdgeFeatheringCheckBox")->click(); }, Both("EFTB 0  5.0"), {}},
        {"basic gamma up at 5.0", [&] { form->displayPage()->BasicGammaUpDownClick(+1); }, {}, {}},
        {"basic gamma down from 5.0", [&] { form->displayPage()->BasicGammaUpDownClick(-1); }, Both("EFTB 0  4.9"), {}},
        {"basic gamma up from 4.9", [&] { form->displayPage()->BasicGammaUpDownClick(+1); }, Both("EFTB 0  5.0"), {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        simulator->log().clear();
        op.clear();
        s.act();
        EXPECT_EQ(settle(), s.wire);
        EXPECT_EQ(op.messages(), s.message.isEmpty() ? QStringList() : QStringList{s.message});
        // A refused gamma is restored from unit 1's record (2.2 as read) but for text that is no number.
        if (s.message == gammaBounds) {
            EXPECT_EQ(edit("BasicGammaEdit")->text(), "2.2");
        }
        edit("BasicGammaEdit")->setText(edit("BasicGammaEdit")->text() == "abc" ? "2.2" : edit("BasicGammaEdit")->text());
    }
    EXPECT_EQ(form->settings().output(2, 1).DataDoubling, 0);
    EXPECT_EQ(form->settings().output(2, 1).BasicGamma, 5.0f);
    EXPECT_EQ(simulator->unit(2).output(1).BasicFeather, 0);
}

TEST_F(EditorPagesTest, AdvancedModeOffSendsTncctrlRereadsEachUnitAndShowsTheBasicGroup)
{
    connect();
    ASSERT_TRUE(find<QCheckBox>("AdvanceModeCheckBox")->isChecked());  // as the units reported
    find<QCheckBox>("AdvanceModeCheckBox")->click();  // on -> off
    QByteArray expected;
    for (int unit = 1; unit <= 2; ++unit) {
        expected += PassFrame("*" + QByteArray::number(unit == 1 ? 3 : 7) + "TNCTRL 0!");
        for (int s = 1; s <= 4; ++s) expected += Query(unit, "OINFOTN " + QByteArray::number(s));
    }
    EXPECT_EQ(settle(), expected);
    EXPECT_EQ(simulator->unit(2).output(3).ControlMode, 0);
    EXPECT_FALSE(find<QCheckBox>("AdvanceModeCheckBox")->isChecked());
    EXPECT_TRUE(find<QWidget>("EdgeFeatherBasicGroupBox")->isVisibleTo(form.get()));
    for (int n = 1; n <= 8; ++n)
        EXPECT_FALSE(find<QWidget>(("EdgeFeather" + std::to_string(n) + "GroupBox").c_str())->isVisibleTo(form.get()));
    EXPECT_FALSE(form->flags().EditorBusy);
    EXPECT_FALSE(form->flags().FormFilling);
}

TEST_F(EditorPagesTest, OverlapWidthBoundsThePlannedOverlapAndTheRedraw)
{
    connect();
    // Three projectors of 1280, planned overlap 384, bound 640; the units hold 256.
    PlanningPage* planning = form->planningPage();
    planning->selectProjectorCount(3);
    planning->plan().ProjResH = 1280;
    planning->plan().ImageSizeV = 1024;
    planning->plan().OutSizeV = 10;
    planning->plan().ProjOverlap = 384;
    planning->plan().OverlapWidthMax = 640;
    const QString bounds = QStringLiteral("Error! Overlap Width value out of bounds! ");
    struct Case {
        const char* text;
        QString message;
        const char* shown;
        QByteArray wire;
    };
    const Case cases[] = {
        {"63", bounds, "256", {}},
        {"641", bounds, "256", {}},
        {"x", QStringLiteral("Error! 'x' is not a valid Overlap Width."), "x", {}},
        {"400", QStringLiteral("Error! Overlap area cannot exceed 384. If more overlap is desired, increase the # of screens"),
         "384", {}},
        {"300", {}, "300", Both("DISP 0 300")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        simulator->log().clear();
        op.clear();
        typeAndLeave("OWidthEdit", QString::fromLatin1(c.text));
        EXPECT_EQ(op.messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(edit("OWidthEdit")->text(), c.shown);
        EXPECT_EQ(settle(), c.wire);
        edit("OWidthEdit")->setText("256");
    }
    EXPECT_EQ(planning->strip().overlapPixels, 25);
    EXPECT_EQ(planning->plan().ImageSizeH, 3240);
    EXPECT_EQ(find<QLabel>("OutAspectRatioLabel")->text(), "3.16");
    EXPECT_EQ(find<QLineEdit>("HorizontalOutEdit")->text(), "31.641");
    EXPECT_EQ(find<QLabel>("MinNumOfOverlapLabel")->text(), "300");
    EXPECT_EQ(form->settings().output(2, 1).OverlapWidth, 300);
}

// ---- Projector Setup ----------------------------------------------------------------------------

struct ProjectorCase {
    int group;
    int item;
    bool box;  // the group's check box (groups 1 and 3)
    QByteArray values;  // "pattern raster grid"
};

TEST_F(EditorPagesTest, AProjectorTestChoiceGoesToEveryScreenAndShowsOnTheDisplayPage)
{
    connect();
    ProjectorSetupPage* projector = form->projectorPage();
    const ProjectorCase cases[] = {
        {2, 1, false, "5 1 0"}, {1, 2, true, "3 1 0"}, {1, 1, false, "2 0 0"},
        {3, 1, true, "1 1 1"},  {4, 6, false, "4 0 0"}, {4, 0, false, "0 0 0"},
    };
    for (const ProjectorCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("group %1 item %2").arg(c.group).arg(c.item).toStdString());
        simulator->log().clear();
        if (projector->checkBox(c.group)) projector->checkBox(c.group)->setChecked(c.box);
        pickItem(projector->group(c.group), c.item);
        QByteArray expected;
        for (int unit = 1; unit <= 2; ++unit)
            for (int i = 1; i <= 4; ++i)
                expected += PassFrame("*" + QByteArray::number(unit == 1 ? 3 : 7) + "OTPMTN " + QByteArray::number(i) + " " + c.values + "!");
        EXPECT_EQ(settle(), expected);
        const QList<QByteArray> v = c.values.split(' ');
        for (int n = 1; n <= 8; ++n) {
            const std::string d = std::to_string(n);
            EXPECT_EQ(find<QComboBox>(("TestPattern" + d + "ComboBox").c_str())->currentIndex(), v[0].toInt());
            EXPECT_EQ(find<QCheckBox>(("OutputRaster" + d + "CheckBox").c_str())->isChecked(), v[1] == "1");
            EXPECT_EQ(find<QCheckBox>(("TestGrid" + d + "CheckBox").c_str())->isChecked(), v[2] == "1");
        }
        for (int g = 1; g <= 4; ++g) {
            EXPECT_EQ(projector->group(g)->itemIndex(), g == c.group ? c.item : -1);
            if (g != c.group && projector->checkBox(g)) {
                EXPECT_FALSE(projector->checkBox(g)->isChecked());
            }
        }
    }
    EXPECT_EQ(find<QComboBox>("TestPattern7ComboBox")->currentText(), "Off");
    EXPECT_FALSE(form->flags().EditorBusy);
}

TEST_F(EditorPagesTest, TheRasterBoxAloneOnOneUnitAndAChoiceWithoutALink)
{
    connect();
    ProjectorSetupPage* projector = form->projectorPage();
    form->flags().UnitCount = 1;
    const OutputScreenRecord before = record(5);
    projector->checkBox(1)->click();  // no selection yet: "Off" with the raster box
    QByteArray expected;
    for (int i = 1; i <= 4; ++i) expected += PassFrame("*3OTPMTN " + QByteArray::number(i) + " 0 1 0!");
    EXPECT_EQ(settle(), expected);
    EXPECT_EQ(projector->group(1)->itemIndex(), 0);
    // Screens 5..8 left alone.
    EXPECT_EQ(record(5).TestPattern, before.TestPattern);
    EXPECT_EQ(record(5).OutputRaster, before.OutputRaster);
    EXPECT_EQ(record(1).OutputRaster, 1);

    form->menuItem("DisconnectSerialCo1")->trigger();
    form->flags().UnitCount = 2;
    pickItem(projector->group(4), 5);  // "White", no link
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(record(n).TestPattern, 9);
        EXPECT_EQ(find<QComboBox>(("TestPattern" + std::to_string(n) + "ComboBox").c_str())->currentText(), "White");
    }
}

}  // namespace
}  // namespace kalvora::testing

namespace kalvora::testing {
namespace {

// Up and Down in a field step it as its arrows do: from the shown value, within the range, and
// the new value goes to the field's unit at once.
TEST_F(EditorPagesTest, UpAndDownInAFieldStepItAsItsArrowsDo)
{
    connect();
    find<QTabWidget>("ScreenPageControl")->setCurrentIndex(1);
    edit("Black6Edit")->setText("10");
    edit("LGamma3Edit")->setText("2.2");
    struct Step {
        const char* field;
        Qt::Key key;
        QString shown;
        QByteArray wire;
    };
    const Step steps[] = {
        {"Black6Edit", Qt::Key_Up, "11", PassFrame("*7BLKGN 2 11!")},
        {"Black6Edit", Qt::Key_Down, "10", PassFrame("*7BLKGN 2 10!")},
        {"LGamma3Edit", Qt::Key_Up, "2.3", PassFrame("*3EFTA 3 L 1  2.3!")},
        {"LGamma3Edit", Qt::Key_Down, "2.2", PassFrame("*3EFTA 3 L 1  2.2!")},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.field) + (s.key == Qt::Key_Up ? " up" : " down"));
        if (s.field == std::string("LGamma3Edit")) find<QTabWidget>("ScreenPageControl")->setCurrentIndex(0);
        edit(s.field)->setFocus();
        simulator->log().clear();
        QTest::keyClick(edit(s.field), s.key);
        EXPECT_EQ(settle(), s.wire);
        EXPECT_EQ(edit(s.field)->text(), s.shown);
    }
    EXPECT_EQ(record(6).BlackLevel, 10);
    EXPECT_EQ(simulator->unit(2).output(2).BlackLevel, 10);
    // At a bound nothing changes and nothing is sent, as with the arrows.
    find<QTabWidget>("ScreenPageControl")->setCurrentIndex(1);
    edit("Black6Edit")->setText("255");
    edit("Black6Edit")->setFocus();
    simulator->log().clear();
    QTest::keyClick(edit("Black6Edit"), Qt::Key_Up);
    EXPECT_EQ(settle(), QByteArray());
    EXPECT_EQ(edit("Black6Edit")->text(), "255");
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
}

// The chosen one of "Screens 1-4" and "Screen 5-8" stands out from the other in a dark palette
// as in a light one.
TEST_F(EditorPagesTest, TheChosenScreensTabStandsOutInDarkAndLightPalettes)
{
    const QPalette original = QApplication::palette();
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    for (const QPalette& palette : {dark, original}) {
        SCOPED_TRACE(palette.color(QPalette::Button).name().toStdString());
        // The desktop's palette is there before the window is made.
        QApplication::setPalette(palette);
        form = std::make_unique<TKalvoraForm>(op);
        form->pages()->setCurrentWidget(form->displayPage());
        auto* tabs = find<QTabWidget>("ScreenPageControl");
        tabs->setEnabled(true);
        tabs->setTabVisible(1, true);
        tabs->setCurrentIndex(0);
        form->show();
        QCoreApplication::processEvents();
        const QImage image = tabs->tabBar()->grab().toImage();
        // A point inside each tab, clear of its border and its text.
        auto colourOf = [&](int i) {
            const QRect r = tabs->tabBar()->tabRect(i);
            return QColor(image.pixel(r.left() + 4, r.center().y()));
        };
        const QColor chosen = colourOf(0), other = colourOf(1);
        const int difference = std::abs(chosen.red() - other.red()) + std::abs(chosen.green() - other.green()) +
                               std::abs(chosen.blue() - other.blue());
        EXPECT_GE(difference, 120) << chosen.name().toStdString() << " against " << other.name().toStdString();
        form.reset();
    }
    QApplication::setPalette(original);
}

}  // namespace
}  // namespace kalvora::testing
