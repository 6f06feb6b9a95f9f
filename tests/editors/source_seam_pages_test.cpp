// The Source Setup and Seam Removal pages against simulated units over a pseudo-terminal: what
// they show of the records, where their fields and buttons send (bytes on the line, records,
// the units' state), their questions, and the long procedures with a unit that stays busy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "app/qt_print.h"
#include "support/link_fixture.h"
#include "editors/numeric_fields.h"
#include "editors/radio_group.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include "editors/spin_arrows.h"
#include "link/procedure_wait.h"
#include "settings/number_format.h"
#include "platform/gui/named_widget.h"

namespace kalvora::testing {
namespace {

// The window's side of the pages: the link state and the busy cursor from the link, the page
// changes counted and the progress note written down.
class RecordingHost final : public UnitOperationHost {
public:
    RecordingHost(Link& link, QStringList& progress, int& pageChanges)
        : link_(link), progress_(progress), pageChanges_(pageChanges)
    {
    }
    bool linkUp() const override { return link_.linkUp(); }
    void refreshCurrentPage() override { ++pageChanges_; }
    void holdPages(bool held) override { progress_ << QStringLiteral("hold %1").arg(held); }
    void showProgress(const QString& text) override { progress_ << "show " + text; }
    void showProgressUnit(int u, int n) override { progress_ << QStringLiteral("unit %1 of %2").arg(u).arg(n); }
    void hideProgress() override { progress_ << "hide"; }
    void setBusy(bool busy) override { busy ? link_.beginOperation() : link_.endOperation(); }

private:
    Link& link_;
    QStringList& progress_;
    int& pageChanges_;
};

class PagesTest : public LinkFixture {
protected:
    void SetUp() override
    {
        sim = StartSim(sim::PortMode::Controller);
        Connect(*sim);
        flags.UnitCount = 2;
        source = std::make_unique<SourceSetupPage>(settings, flags, op, commands, host);
        seam = std::make_unique<SeamRemovalPage>(settings, flags, op, commands, host);
        pages.inputs = [this] { source->FillSourcePage(); };
        pages.colours = [this](int n) { source->FillSourceColour(n); };
        pages.seams = [this] { seam->FillSeamPage(); };
        pages.channel = [this] { return source->SelectedChannel(); };
        // Records as a read would leave them: unit 1 and unit 2 as the simulator has them.
        for (int u = 1; u <= 2; ++u)
            for (int i = 1; i <= 4; ++i) {
                settings.input(u, i) = sim->unit(u).input(i);
                settings.output(u, i) = sim->unit(u).output(i);
            }
    }

    QLineEdit* sourceEdit(const char* name) { return FindNamed<QLineEdit>(source.get(), QString::fromLatin1(name)); }
    QLineEdit* gain(int k) { return FindNamed<QLineEdit>(seam.get(), QStringLiteral("SeamGain%1Edit").arg(k)); }
    template <typename W = QWidget>
    W* on(QWidget* page, const char* name)
    {
        W* w = FindNamed<W>(page, QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void selectSource(int n)
    {
        on<RadioGroup>(source.get(), "SourceScreenSelectRadioGroup")->setItemIndex(n - 1);
        source->SourceScreenSelectRadioGroupClick();
    }
    void selectSeam(int n)
    {
        on<RadioGroup>(seam.get(), "SeamScreenSelectRadioGroup")->setItemIndex(n - 1);
        seam->SeamScreenSelectRadioGroupClick();
    }
    // The operator types into a field of a shown page and leaves it for `away`.
    void typeAndLeave(QWidget* page, QLineEdit* e, const QString& text, QWidget* away)
    {
        page->show();
        QApplication::setActiveWindow(page);
        e->setFocus();
        e->setText(text);
        away->setFocus();
    }
    QByteArray lineSince(qsizetype from)
    {
        EXPECT_TRUE(WaitUntil([&] { return sim->isIdle(); }));
        return sim->received().mid(from);
    }

    std::unique_ptr<sim::Simulator> sim;
    QStringList progress;
    int pageChanges = 0;
    RecordingHost host{link, progress, pageChanges};  // outlives the pages
    std::unique_ptr<SourceSetupPage> source;
    std::unique_ptr<SeamRemovalPage> seam;
};

// ---- What the source page shows ----------------------------------------------------------------

TEST_F(PagesTest, SourceChannelsMapToTheirUnitAndInputAndShowTheirRecord)
{
    struct Case {
        int channel, unit, input;
    };
    for (const Case c : {Case{1, 1, 1}, Case{4, 1, 4}, Case{5, 2, 1}, Case{8, 2, 4}}) {
        SCOPED_TRACE(c.channel);
        InputChannelRecord& r = settings.input(c.unit, c.input);
        r.HPosition = 100 + c.channel;
        r.VPosition = 20 + c.channel;
        r.Phase = c.channel - 9;
        r.ContrastC = 12.3f;
        r.BrightnessR = -1.25f;
        selectSource(c.channel);
        EXPECT_EQ(source->SelectedChannel(), c.channel);
        EXPECT_EQ(sourceEdit("HPositionEdit")->text(), QString::number(100 + c.channel));
        EXPECT_EQ(sourceEdit("VPositionEdit")->text(), QString::number(20 + c.channel));
        EXPECT_EQ(sourceEdit("HTotalEdit")->text(), QString::number(r.HTotal));
        EXPECT_EQ(sourceEdit("PhaseEdit")->text(), QString::number(c.channel - 9));
        EXPECT_EQ(sourceEdit("LeftOContrastEdit")->text(), "12.3");    // five significant digits
        EXPECT_EQ(sourceEdit("LeftRBrightnessEdit")->text(), "-1.25");  // four
        EXPECT_EQ(on<QLabel>(source.get(), "SourceVideoLoadedLabel")->text(), "True");
        EXPECT_EQ(on<QLabel>(source.get(), "SourceVideoLockedLabel")->text(), "True");
        EXPECT_EQ(source->positionWindow(), PositionWindowOf(r));
    }
}

TEST_F(PagesTest, UnlockedChannelShowsNotAvailableButItsLimitsAndPhase)
{
    InputChannelRecord& r = settings.input(2, 3);  // channel 7
    r.VideoLocked = 0;
    r.VideoLoaded = 1;
    r.Phase = -7;
    r.HPositionNominal = 100;
    r.HPositionLimit = -1;
    r.HTotal = 1150;
    r.HActive = 1024;
    selectSource(7);
    for (const char* name : {"HPositionEdit", "VPositionEdit", "HTotalEdit", "LeftOContrastEdit", "LeftBBrightnessEdit"})
        EXPECT_EQ(sourceEdit(name)->text(), "N/A") << name;
    for (const char* name : {"HPositionEdit", "HPositionUpDown", "VPositionEdit", "VPositionUpDown",
                             "AutoColorBalanceButton", "LeftSideGroupBox"})
        EXPECT_FALSE(on(source.get(), name)->isEnabled()) << name;
    EXPECT_EQ(on<QLabel>(source.get(), "SourceVideoLockedLabel")->text(), "False");
    EXPECT_EQ(on<QLabel>(source.get(), "SourceVideoLoadedLabel")->text(), "True");
    EXPECT_EQ(sourceEdit("PhaseEdit")->text(), "-7");
    EXPECT_EQ(source->positionWindow().HPositionMax, 123);  // HTotal − HActive − 2 = 124, less one
    EXPECT_EQ(source->positionWindow().HPositionMin, -28);

    r.HTotal = 1344;  // the fallback limit 318 lies beyond nominal + 128
    selectSource(7);
    EXPECT_EQ(source->positionWindow().HPositionMax, 228);

    // Locked again: everything is back and enabled.
    r.VideoLocked = 1;
    selectSource(7);
    EXPECT_TRUE(on(source.get(), "LeftSideGroupBox")->isEnabled());
    EXPECT_TRUE(on(source.get(), "HPositionEdit")->isEnabled());
    EXPECT_NE(sourceEdit("LeftOContrastEdit")->text(), "N/A");
}

TEST_F(PagesTest, SelectingAChannelDuringAFillStartsNoOtherFill)
{
    settings.input(1, 2).Phase = 3;
    settings.input(1, 1).Phase = 9;
    selectSource(1);
    flags.FormFilling = true;
    selectSource(2);
    EXPECT_EQ(sourceEdit("PhaseEdit")->text(), "9");
    flags.FormFilling = false;
}

// ---- Position fields against the unit's window --------------------------------------------------

TEST_F(PagesTest, PositionEntriesAreCheckedAgainstTheSelectedChannelsWindow)
{
    InputChannelRecord& r = settings.input(2, 2);  // channel 6
    r.HPositionNominal = 100;
    r.HPositionLimit = -1;
    r.HTotal = 1150;
    r.HActive = 1024;
    r.HPosition = 110;
    selectSource(6);
    QLineEdit* h = sourceEdit("HPositionEdit");
    QLineEdit* phase = sourceEdit("PhaseEdit");
    const qsizetype from = sim->received().size();

    typeAndLeave(source.get(), h, "124", phase);
    EXPECT_EQ(op.messages(), QStringList{"Error! H Position value out of bounds! (-28 - 123)"});
    EXPECT_EQ(h->text(), "110");  // refilled from the record
    EXPECT_EQ(lineSince(from), QByteArray());

    op.clear();
    typeAndLeave(source.get(), h, "123", phase);
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(lineSince(from), PassFrame("*2IRSPTN 2 M H 123!"));
    EXPECT_EQ(settings.input(2, 2).HPosition, 123);
    EXPECT_EQ(sim->unit(2).input(2).HPosition, 123);
}

// A window the unit reported empty: every entry is refused with a message that says so, and the
// field keeps the record's value; the arrows change nothing.
TEST_F(PagesTest, EmptyHorizontalWindowIsNamedAndTheRecordKept)
{
    InputChannelRecord& r = settings.input(1, 2);
    r.HPositionNominal = 300;
    r.HPositionLimit = 100;  // below nominal − 128
    r.HPosition = 250;
    selectSource(2);
    ASSERT_TRUE(source->positionWindow().HEmpty());
    QLineEdit* h = sourceEdit("HPositionEdit");
    const qsizetype from = sim->received().size();
    typeAndLeave(source.get(), h, "172", sourceEdit("PhaseEdit"));
    ASSERT_EQ(op.messages().size(), 1);
    EXPECT_EQ(op.messages()[0], HPositionOutOfBoundsMessage(source->positionWindow()));
    EXPECT_TRUE(op.messages()[0].contains("no valid H Position range")) << op.messages()[0].toStdString();
    EXPECT_EQ(h->text(), "250");
    source->fields().Step("HPositionEdit", +1);
    source->fields().Step("HPositionEdit", -1);
    EXPECT_EQ(h->text(), "250");
    EXPECT_EQ(lineSince(from), QByteArray());
    EXPECT_EQ(settings.input(1, 2).HPosition, 250);
}

// ---- Source page buttons ------------------------------------------------------------------------

TEST_F(PagesTest, SaveConfigGoesToTheSelectedChannelsUnitAndAllChannelsToEveryUnit)
{
    selectSource(6);
    qsizetype from = sim->received().size();
    source->SaveConfigButtonClick();
    EXPECT_EQ(lineSince(from), PassFrame("*2ICSAVTN 2!"));

    for (int units : {1, 2}) {
        SCOPED_TRACE(units);
        flags.UnitCount = units;
        from = sim->received().size();
        source->SaveAllConfigButtonClick();
        QByteArray expected;
        for (int u = 1; u <= units; ++u)
            for (int i = 1; i <= 4; ++i) expected += PassFrame(QStringLiteral("*%1ICSAVTN %2!").arg(u).arg(i).toLatin1());
        EXPECT_EQ(lineSince(from), expected);
    }
    EXPECT_FALSE(flags.EditorBusy);
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(PagesTest, ResetConfigAsksOnlyWithALinkAndRefillsFromTheUnit)
{
    selectSource(3);
    sim->unit(1).input(3).Phase = 5;  // differs from the unit's default
    settings.input(1, 3).Phase = 5;
    // No link: no question, nothing sent.
    link.setLinkUp(false);
    qsizetype from = sim->received().size();
    source->AutoConfigButtonClick();
    source->SaveConfigButtonClick();
    source->SaveAllConfigButtonClick();
    EXPECT_TRUE(op.questions().isEmpty());
    EXPECT_EQ(lineSince(from), QByteArray());
    link.setLinkUp(true);

    op.answer(false);  // No
    source->AutoConfigButtonClick();
    EXPECT_EQ(op.questions(), QStringList{kAskInputConfigReset});
    EXPECT_EQ(lineSince(from), QByteArray());

    op.answer(true);
    source->AutoConfigButtonClick();
    EXPECT_EQ(op.events.back().kind == ScriptedOperator::Event::Busy && !op.events.back().answer, true);
    QByteArray expected = PassFrame("*1ICRSTTN 3!");
    for (int ch = 1; ch <= 4; ++ch) expected += QStringLiteral("TNQUERY *1IINFOTN %1!\r").arg(ch).toLatin1();
    EXPECT_EQ(lineSince(from), expected);
    EXPECT_EQ(sourceEdit("PhaseEdit")->text(), QString::number(sim->unit(1).factory().inputs[3].Phase));
    EXPECT_FALSE(flags.EditorBusy);
    EXPECT_FALSE(link.operationRunning());
}

TEST_F(PagesTest, CancelOnEitherColourBalanceQuestionSendsNothingAndStillRefreshesThePage)
{
    for (const std::vector<bool>& answers : {std::vector<bool>{false}, std::vector<bool>{true, false}}) {
        op.clear();
        progress.clear();
        pageChanges = 0;
        for (bool a : answers) op.answer(a);
        const qsizetype from = sim->received().size();
        source->AutoColorBalanceButtonClick();
        EXPECT_EQ(op.questions().size(), int(answers.size()));
        EXPECT_EQ(op.questions()[0], kAskColorBalance);
        EXPECT_TRUE(progress.isEmpty()) << progress.join('|').toStdString();
        EXPECT_EQ(lineSince(from), QByteArray());
        EXPECT_EQ(pageChanges, 1);
        EXPECT_FALSE(flags.EditorBusy);
    }
}

// The colour balance of two units that each stay busy for a long time, in both ways a
// controller may answer for a busy unit: the records refilled, no box, the information window
// telling which unit runs. A controller that reports the unit busy gets the whole allowance
// (two simulated minutes here); one that says nothing, the pauses and a minute (50 s here).
TEST_F(PagesTest, ColourBalanceOfTwoBusyUnitsEndsWithTheRecordsRefilledAndNoBox)
{
    for (sim::BusyAnswer busy : {sim::BusyAnswer::Silent, sim::BusyAnswer::Error4}) {
        SCOPED_TRACE(int(busy));
        clock::setScale(0.01);  // two simulated minutes take 1.2 s; the reply timer 80 ms
        sim->setBusyAnswer(busy);
        for (int u = 1; u <= 2; ++u) {
            sim->unit(u).timings.colorBalanceMs = busy == sim::BusyAnswer::Silent ? 50000 : 120000;
            settings.output(u, 1).TotalProjectors = 1;
        }
        op.clear();
        progress.clear();
        pageChanges = 0;
        selectSource(6);
        op.answerAll({true, true});
        source->AutoColorBalanceButtonClick();
        clock::setScale(0.1);

        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
        EXPECT_EQ(progress, (QStringList{"show " + kInfoColorBalance, "unit 1 of 2", "hold 1", "hold 0", "unit 2 of 2",
                                         "hide"}));
        for (int u = 1; u <= 2; ++u)
            for (int i = 1; i <= 4; ++i) {
                EXPECT_EQ(settings.input(u, i).ContrastR, sim->unit(u).input(i).ContrastR) << u << " " << i;
                EXPECT_EQ(settings.input(u, i).BrightnessG, sim->unit(u).input(i).BrightnessG) << u << " " << i;
            }
        EXPECT_EQ(sourceEdit("LeftRContrastEdit")->text(), FormatGeneral(sim->unit(2).input(2).ContrastR, 4));
        EXPECT_EQ(pageChanges, 1);
        EXPECT_FALSE(flags.EditorBusy);
        EXPECT_FALSE(flags.FormFilling);
    }
}

// ---- Seam page ------------------------------------------------------------------------------------

TEST_F(PagesTest, SeamGainsOfAChannelGoToItsUnitAndScreen)
{
    struct Case {
        int channel, unit, screen;
    };
    for (const Case c : {Case{5, 2, 1}, Case{8, 2, 4}, Case{2, 1, 2}}) {
        SCOPED_TRACE(c.channel);
        selectSeam(c.channel);
        for (int k = 1; k <= 8; ++k) EXPECT_EQ(gain(k)->text(), QString::number(settings.output(c.unit, c.screen).SeamGain[k - 1]));
        const qsizetype from = sim->received().size();
        typeAndLeave(seam.get(), gain(3), "77", gain(4));
        QByteArray body = QStringLiteral("*%1MANSEAM %2 -4").arg(c.unit).arg(c.screen).toLatin1();
        for (int k = 1; k <= 8; ++k) body += ' ' + gain(k)->text().toLatin1();
        EXPECT_EQ(lineSince(from), PassFrame(body + "!"));
        EXPECT_EQ(settings.output(c.unit, c.screen).SeamGain[2], 77);
        EXPECT_EQ(settings.output(c.unit, c.screen).SeamParam, -4);
        EXPECT_EQ(sim->unit(c.unit).output(c.screen).SeamGain[2], 77);
        seam->setFocus();
    }
}

TEST_F(PagesTest, SpinUpOnGainSixSendsAllEightWithTheNewValue)
{
    selectSeam(1);
    for (int k = 1; k <= 8; ++k) gain(k)->setText("128");
    const qsizetype from = sim->received().size();
    seam->fields().Step("SeamGain6Edit", +1);
    EXPECT_EQ(gain(6)->text(), "129");
    EXPECT_EQ(lineSince(from), PassFrame("*1MANSEAM 1 -4 128 128 128 128 128 129 128 128!"));
}

TEST_F(PagesTest, ResetSeamGainSendsExactlyOneManseamWith128)
{
    selectSeam(7);
    op.answer(true);
    const qsizetype from = sim->received().size();
    seam->ResetSeamGainButtonClick();
    EXPECT_EQ(op.questions(), QStringList{kAskResetSeamGain});
    for (int k = 1; k <= 8; ++k) EXPECT_EQ(gain(k)->text(), "128");
    EXPECT_EQ(lineSince(from), PassFrame("*2MANSEAM 3 -4 128 128 128 128 128 128 128 128!"));
    for (int k = 0; k < 8; ++k) EXPECT_EQ(sim->unit(2).output(3).SeamGain[k], 128);
    EXPECT_FALSE(flags.EditorBusy);

    // No link: the question, 128 shown, nothing stored or sent; the next fill restores.
    settings.output(2, 3).SeamGain[0] = 5;
    link.setLinkUp(false);
    op.answer(true);
    seam->ResetSeamGainButtonClick();
    EXPECT_EQ(gain(1)->text(), "128");
    EXPECT_EQ(settings.output(2, 3).SeamGain[0], 5);
    seam->FillSeamPage();
    EXPECT_EQ(gain(1)->text(), "5");
    EXPECT_EQ(lineSince(from).count("MANSEAM"), 1);
}

TEST_F(PagesTest, BridgeAllChannelsWithOneUnitSendsFourAndTicksTheSingleBoxWithoutAFifth)
{
    flags.UnitCount = 1;
    selectSeam(2);
    auto* all = on<QCheckBox>(seam.get(), "SeamBridgeAllConfigCheckBox");
    auto* single = on<QCheckBox>(seam.get(), "SeamBridgeSingleConfigCheckBox");
    ASSERT_FALSE(single->isChecked());
    const qsizetype from = sim->received().size();
    seam->show();
    QTest::mouseClick(all, Qt::LeftButton, {}, QPoint(6, all->height() / 2));
    EXPECT_TRUE(all->isChecked());
    EXPECT_TRUE(single->isChecked());
    EXPECT_EQ(lineSince(from), PassFrame("*1BRDGSEAM 1 1!") + PassFrame("*1BRDGSEAM 2 1!") +
                                   PassFrame("*1BRDGSEAM 3 1!") + PassFrame("*1BRDGSEAM 4 1!"));
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(settings.output(1, i).SeamBridge, 1);

    // Another channel shows its own gains and bridge; the all-channels box keeps its state.
    settings.output(2, 1).SeamBridge = 0;
    settings.output(2, 1).SeamGain[7] = 42;
    selectSeam(5);
    EXPECT_FALSE(single->isChecked());
    EXPECT_EQ(gain(8)->text(), "42");
    EXPECT_TRUE(all->isChecked());
}

TEST_F(PagesTest, AutoSeamOfAllChannelsReadsEachScreenBackAndRefills)
{
    flags.UnitCount = 2;
    selectSeam(6);
    const qsizetype from = sim->received().size();
    seam->SeamAutoAllConfigButtonClick();
    QByteArray expected;
    for (int u = 1; u <= 2; ++u)
        for (int s = 1; s <= 4; ++s)
            expected += PassFrame(QStringLiteral("*%1AUTOSEAM %2!").arg(u).arg(s).toLatin1()) +
                        QStringLiteral("TNQUERY *%1OINFOTN %2!\r").arg(u).arg(s).toLatin1();
    EXPECT_EQ(lineSince(from), expected);
    EXPECT_EQ(gain(1)->text(), QString::number(sim->unit(2).output(2).SeamGain[0]));
    EXPECT_EQ(progress.first(), "show " + kInfoAutoSeam);
    EXPECT_EQ(progress.last(), "hide");
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
}

}  // namespace
}  // namespace kalvora::testing
