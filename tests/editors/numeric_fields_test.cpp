// The numeric field mechanism against simulated units over a pseudo-terminal: every row of the
// field table on a page holding all of them, the commit on focus loss, the arrows' steps and
// Enter, asserting the messages, the texts, the focus, the records and the bytes on the line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>

#include "settings/flag_protocol.h"
#include "app/qt_print.h"
#include "support/link_fixture.h"
#include "editors/numeric_fields.h"
#include "editors/field_controls.h"
#include "editors/spin_arrows.h"
#include "settings/number_format.h"
#include "platform/gui/named_widget.h"

namespace kalvora::testing {
namespace {

// A page with every numeric field of the table, its arrows, the gamma enable boxes and the
// test pattern lists that Enter in a gamma field moves to.
class AllFieldsPage : public QWidget {
public:
    AllFieldsPage()
    {
        auto* grid = new QGridLayout(this);
        int row = 0;
        for (const NumericField& f : AllNumericFields()) {
            grid->addWidget(MakeNumericEdit(this, f), row, 0);
            grid->addWidget(MakeNumericSpin(this, f), row, 1);
            if (f.row->group == CommitGroup::WithEnableBox) {
                grid->addWidget(MakeNamed<QCheckBox>(this, ControlsOf(f.key).partner, QStringLiteral("Enable")), row, 2);
                grid->addWidget(MakeNamed<QComboBox>(this, ControlsOf(f.key).next), row, 3);
            }
            ++row;
        }
        elsewhere = MakeNamed<QLineEdit>(this, QStringLiteral("Elsewhere"));
        grid->addWidget(elsewhere, row, 0);
    }
    QLineEdit* elsewhere;
};

// Records every message like the scripted operator and, when asked, also shows it in a real
// modal box that closes itself once it is up: the box takes the focus from the window and gives
// it back, as on a desktop.
class BoxOperator : public Operator {
public:
    explicit BoxOperator(ScriptedOperator& record) : record_(record) {}
    bool realBoxes = false;
    void showMessage(const QString& text, const QString& title) override
    {
        record_.showMessage(text, title);
        if (!realBoxes) return;
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, QApplication::activeWindow());
        QTimer::singleShot(20, &box, [&box] { box.accept(); });
        box.exec();
    }
    bool askYesNo(const QString& t, const QString& x) override { return record_.askYesNo(t, x); }
    bool askOkCancel(const QString& t, const QString& x) override { return record_.askOkCancel(t, x); }
    bool askRetryCancel(const QString& t, const QString& x) override { return record_.askRetryCancel(t, x); }
    void setStatus(const QString& text) override { record_.setStatus(text); }
    void setBusy(bool busy) override { record_.setBusy(busy); }

private:
    ScriptedOperator& record_;
};

class NumericFieldsTest : public LinkFixture, public NumericFieldHost {
protected:
    void SetUp() override
    {
        sim = StartSim(sim::PortMode::Controller, ids);
        Connect(*sim);
        page = std::make_unique<AllFieldsPage>();
        fields = std::make_unique<NumericFields>(page.get(), *this, flags, boxes, commands);
        ASSERT_EQ(fields->attachAll(), static_cast<int>(AllNumericFields().size()));
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
        startAfresh();
    }

    bool linkEstablished() override { return link.linkUp(); }
    int selectedChannel(ChannelPage) override { return channel; }
    void restoreFill(RestoreFill fill, int n) override
    {
        if (fill == RestoreFill::SourcePage) ++sourceFills;
        if (fill == RestoreFill::SeamPage) ++seamFills;
        if (fill != RestoreFill::BlackLevel) return;
        const UnitIndex at = WallToUnit(n);
        edit(QStringLiteral("Black%1Edit").arg(n))->setText(QString::number(settings.output(at.unit, at.index).BlackLevel));
    }
    PositionWindow positionWindow() override { return {-100, 120, -16, 16}; }
    bool sendEdgeFeathering(int n, int side) override
    {
        const FieldControls& c = ControlsOf(EdgeKey(Field::EdgeGamma, n, side));
        double gamma = 0;
        ParseFieldValue(ValueType::Tenths, edit(c.name)->text(), gamma);
        const UnitIndex at = WallToUnit(n);
        return commands.SendEdgeFeather(at.unit, at.index, side, FindNamed<QCheckBox>(page.get(), c.partner)->isChecked(),
                                        static_cast<float>(gamma));
    }

    // Every field back at its initial text, the focus on a plain edit, the line and the
    // messages cleared. (Leaving a field commits it, changed or not, as the units expect.)
    void startAfresh()
    {
        for (const NumericField& f : AllNumericFields()) edit(ControlName(f.key))->setText(QString::fromLatin1(f.row->initialText));
        page->elsewhere->setFocus();
        settled();
        sim->log().clear();
        op.clear();
    }

    QLineEdit* edit(const QString& name) { return FindNamed<QLineEdit>(page.get(), name); }
    // The operator types `text` into the field (which takes the focus) and leaves it.
    void typeAndLeave(const QString& name, const QString& text)
    {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->setText(text);
        page->elsewhere->setFocus();
    }
    void clickArrow(const QString& editName, int direction)
    {
        auto* spin = FindNamed<SpinArrows>(page.get(), ControlsOf(NumericFieldOfEdit(editName)->key).spin);
        const QPoint at(spin->width() / 2, direction > 0 ? 2 : spin->height() - 3);
        QTest::mouseClick(spin, Qt::LeftButton, {}, at);
    }
    QByteArray settled()
    {
        EXPECT_TRUE(WaitUntil([&] { return sim->isIdle(); }));
        return sim->received();
    }

    BoxOperator boxes{op};
    std::vector<int> ids = {1, 2};  // the units' RS-485 IDs
    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<AllFieldsPage> page;
    std::unique_ptr<NumericFields> fields;
    int channel = 1;
    int sourceFills = 0;
    int seamFills = 0;
};

// ---- Commits on leaving a field --------------------------------------------------------------

struct CommitCase {
    const char* field;
    const char* text;
    const char* message;  // "" for an accepted entry
    const char* shown;    // the field's text afterwards
    QByteArray wire;      // controller frame bodies, without "PASS " and checksum
    int channel = 1;
};

TEST_F(NumericFieldsTest, LeavingAFieldValidatesStoresAndSendsOnce)
{
    settings.output(1, 3).BlackLevel = 17;
    const CommitCase cases[] = {
        {"Black3Edit", "256", "Error! Value out of bounds! (0 - 255)", "17", ""},
        {"Black3Edit", "", "Error! '' is not a valid Black Level.", "", ""},
        {"Black3Edit", "2.5", "Error! '2.5' is not a valid Black Level.", "2.5", ""},
        {"Black6Edit", "30", "", "30", "*2BLKGN 2 30!"},
        {"RHaloWidth4Edit", "65", "Error! Halo width out of bounds. (0 - 64)", "65", ""},
        {"HaloOffset1Edit", "256", "Error! Halo offset out of bounds. (0 - 255)", "256", ""},
        {"HaloOffset1Edit", "12", "", "12", "*1HALO 1 R 0 12!"},
        {"HaloWidth8Edit", "64", "", "64", "*2HALO 4 L 64 0!"},
        {"LGamma3Edit", "5.05", "Error! Value out of bounds! (1.0 - 5.0)", "5.05", ""},
        {"LGamma3Edit", "x", "Error! 'x' is not a valid Edge Feathering Gamma value.", "x", ""},
        {"LGamma3Edit", "2,5", "", "2,5", "*1EFTA 3 L 0  2.5!"},
        {"HPositionEdit", "121", "Error! H Position value out of bounds! (-100 - 120)", "121", ""},
        {"HPositionEdit", "-100", "", "-100", "*1IRSPTN 3 M H -100!", 3},
        {"VPositionEdit", "17", "Error! V Position value out of bounds! ", "17", ""},
        {"PhaseEdit", "16", "Error! Phase Offset value out of bounds! (-16 - +15)", "16", ""},
        {"PhaseEdit", "-16", "", "-16", "*2ICPHOTN 1 M -16!", 5},
        {"LeftOContrastEdit", "74.9", "Error! Value out of bounds! (75 - 125)", "74.9", ""},
        {"LeftOContrastEdit", "75", "", "75", "*1ICNTTN 1 C 75.0!"},
        {"LeftRContrastEdit", "-25.1", "Error! Value out of bounds! (-25 - +25)", "-25.1", ""},
        {"LeftGBrightnessEdit", "-25.0", "", "-25.0", "*2IBRTTN 4 G -25.0!", 8},
        {"SeamGain8Edit", "256", "Error! Seam Position value out of bounds! (0 - 255)", "256", ""},
        {"SeamGain2Edit", "9", "", "9", "*2MANSEAM 2 -4 0 9 0 0 0 0 0 0!", 6},
    };
    for (const CommitCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- '" + c.text + "'");
        channel = c.channel;
        startAfresh();
        sourceFills = seamFills = 0;
        typeAndLeave(QString::fromLatin1(c.field), QString::fromLatin1(c.text));
        const QString message = QString::fromLatin1(c.message);
        EXPECT_EQ(op.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        EXPECT_EQ(edit(QString::fromLatin1(c.field))->text(), QString::fromLatin1(c.shown));
        // A rejected entry keeps the focus; an accepted one lets it go.
        EXPECT_EQ(QApplication::focusWidget() == edit(QString::fromLatin1(c.field)), !message.isEmpty());
        EXPECT_EQ(settled(), c.wire.isEmpty() ? QByteArray() : PassFrame(c.wire));
        // An out-of-bounds position, phase, colour or gain entry refills its page once.
        const RestoreFill r = NumericFieldOfEdit(QString::fromLatin1(c.field))->row->restore;
        const bool refills = message.contains("bounds") && (r == RestoreFill::SourcePage || r == RestoreFill::SeamPage);
        EXPECT_EQ(sourceFills + seamFills, refills ? 1 : 0);
    }
    EXPECT_EQ(settings.output(2, 2).BlackLevel, 30);
    EXPECT_EQ(settings.output(1, 3).LeftGamma, 2.5f);
    EXPECT_EQ(sim->unit(2).output(2).BlackLevel, 30);
    EXPECT_EQ(settings.input(2, 1).Phase, -16);
    EXPECT_EQ(settings.output(2, 2).SeamGain[1], 9);
}

TEST_F(NumericFieldsTest, HaloFieldsCommitAsAPairWidthFirst)
{
    // The width holds 65 (typed, refused, still shown); leaving the offset reports the width
    // and goes back there.
    edit(QStringLiteral("RHaloWidth4Edit"))->setText(QStringLiteral("65"));
    QLineEdit* offset = edit(QStringLiteral("RHaloOffset4Edit"));
    offset->setFocus();
    offset->setText(QStringLiteral("7"));
    page->elsewhere->setFocus();
    EXPECT_EQ(op.messages(), QStringList{"Error! Halo width out of bounds. (0 - 64)"});
    EXPECT_EQ(QApplication::focusWidget(), edit(QStringLiteral("RHaloWidth4Edit")));
    EXPECT_EQ(settled(), QByteArray());

    op.clear();
    edit(QStringLiteral("RHaloWidth4Edit"))->setText(QStringLiteral("40"));
    page->elsewhere->setFocus();
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(settled(), PassFrame("*1HALO 4 R 40 7!"));
    EXPECT_EQ(settings.output(1, 4).RightHaloWidth, 40);
    EXPECT_EQ(settings.output(1, 4).RightHaloOffset, 7);
}

TEST_F(NumericFieldsTest, WithoutALinkOrWhileFillingAValidEntryStaysInTheFieldOnly)
{
    for (int mode = 0; mode < 2; ++mode) {
        SCOPED_TRACE(mode == 0 ? "no link" : "filling");
        std::optional<FillingGuard> filling;
        if (mode == 0) {
            link.setLinkUp(false);
        } else {
            filling.emplace(flags);
        }
        sim->log().clear();
        typeAndLeave(QStringLiteral("Black2Edit"), QStringLiteral("99"));
        EXPECT_EQ(edit(QStringLiteral("Black2Edit"))->text(), "99");
        EXPECT_EQ(settings.output(1, 2).BlackLevel, 0);
        EXPECT_EQ(settled(), QByteArray());
        link.setLinkUp(true);
    }
}

// ---- The arrows ------------------------------------------------------------------------------

struct StepCase {
    const char* field;
    const char* text;
    int direction;
    const char* shown;
    QByteArray wire;
};

TEST_F(NumericFieldsTest, ArrowsStepFromTheShownTextWithinTheRangeAndCommit)
{
    const StepCase cases[] = {
        {"Black6Edit", "10", +1, "11", "*2BLKGN 2 11!"},
        {"Black6Edit", "255", +1, "255", ""},
        {"Black6Edit", "0", -1, "0", ""},
        {"Black6Edit", "300", -1, "300", ""},  // beyond a bound: left alone
        {"LGamma3Edit", "5.0", +1, "5.0", ""},
        {"LGamma3Edit", "1.0", -1, "1.0", ""},
        {"LGamma3Edit", "2.2", +1, "2.3", "*1EFTA 3 L 0  2.3!"},
        {"LGamma3Edit", "4.9", +1, "5.0", "*1EFTA 3 L 0  5.0!"},
        {"LGamma3Edit", "4,95", +1, "5.0", "*1EFTA 3 L 0  5.0!"},
        {"Gamma1Edit", "1.1", -1, "1.0", "*1EFTA 1 R 0  1.0!"},
        {"PhaseEdit", "-16", -1, "-16", ""},
        {"PhaseEdit", "15", -1, "14", "*1ICPHOTN 1 M 14!"},
        {"HaloOffset8Edit", "3", +1, "4", "*2HALO 4 L 0 4!"},
        {"LeftBContrastEdit", "-25.0", -1, "-25.0", ""},
        {"LeftBContrastEdit", "-24.9", -1, "-25.0", "*1ICNTTN 1 B -25.0!"},
        {"SeamGain1Edit", "255", +1, "255", ""},
        {"SeamGain1Edit", "254", +1, "255", "*1MANSEAM 1 -4 255 0 0 0 0 0 0 0!"},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text + (c.direction > 0 ? " up" : " down"));
        startAfresh();
        const QString name = QString::fromLatin1(c.field);
        edit(name)->setText(QString::fromLatin1(c.text));
        clickArrow(name, c.direction);
        EXPECT_EQ(edit(name)->text(), QString::fromLatin1(c.shown));
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
        EXPECT_EQ(settled(), c.wire.isEmpty() ? QByteArray() : PassFrame(c.wire));
        EXPECT_FALSE(flags.EditorBusy);
    }
}

TEST_F(NumericFieldsTest, ThreeStepsOfAGammaShowNoAccumulatedRounding)
{
    edit(QStringLiteral("RGamma5Edit"))->setText(QStringLiteral("2.2"));
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        clickArrow(QStringLiteral("RGamma5Edit"), +1);
        shown << edit(QStringLiteral("RGamma5Edit"))->text();
    }
    EXPECT_EQ(shown, (QStringList{"2.3", "2.4", "2.5"}));
    EXPECT_EQ(settled(), PassFrame("*2EFTA 1 R 0  2.3!") + PassFrame("*2EFTA 1 R 0  2.4!") +
                             PassFrame("*2EFTA 1 R 0  2.5!"));
}

TEST_F(NumericFieldsTest, ArrowsDoNothingWhileBusyAndReportTextThatIsNotANumber)
{
    {
        EditorBusyGuard other(flags);
        edit(QStringLiteral("Black1Edit"))->setText(QStringLiteral("5"));
        clickArrow(QStringLiteral("Black1Edit"), +1);
        EXPECT_EQ(edit(QStringLiteral("Black1Edit"))->text(), "5");
    }
    edit(QStringLiteral("Black1Edit"))->setText(QStringLiteral("abc"));
    clickArrow(QStringLiteral("Black1Edit"), +1);
    EXPECT_EQ(op.messages(), QStringList{"Error! 'abc' is not a valid number."});
    EXPECT_EQ(edit(QStringLiteral("Black1Edit"))->text(), "abc");
    EXPECT_FALSE(flags.EditorBusy);
    op.clear();
    edit(QStringLiteral("PhaseEdit"))->setText(QStringLiteral("p"));
    clickArrow(QStringLiteral("PhaseEdit"), -1);
    EXPECT_EQ(op.messages(), QStringList{"Error! 'p' is not a valid Phase Value."});
    EXPECT_EQ(QApplication::focusWidget(), edit(QStringLiteral("PhaseEdit")));
    EXPECT_FALSE(flags.EditorBusy);
    // The next click on any field works normally.
    edit(QStringLiteral("Black2Edit"))->setText(QStringLiteral("1"));
    clickArrow(QStringLiteral("Black2Edit"), -1);
    EXPECT_EQ(edit(QStringLiteral("Black2Edit"))->text(), "0");
    EXPECT_EQ(settled(), PassFrame("*1BLKGN 2 0!"));
}

TEST_F(NumericFieldsTest, HoldingAnArrowRepeatsOneStepAtATimeUntilReleased)
{
    edit(QStringLiteral("Black7Edit"))->setText(QStringLiteral("0"));
    auto* spin = FindNamed<SpinArrows>(page.get(), QStringLiteral("Black7UpDown"));
    QTest::mousePress(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, 2));
    // Several repeats, each after the previous step's transaction has ended.
    ASSERT_TRUE(WaitUntil([&] { return edit(QStringLiteral("Black7Edit"))->text().toInt() >= 6; }));
    QTest::mouseRelease(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, 2));
    const int reached = edit(QStringLiteral("Black7Edit"))->text().toInt();
    WaitUntil([] { return false; }, 100);  // no step after the release
    EXPECT_EQ(edit(QStringLiteral("Black7Edit"))->text().toInt(), reached);
    QByteArray expected;
    for (int v = 1; v <= reached; ++v) expected += PassFrame("*2BLKGN 3 " + QByteArray::number(v) + "!");
    EXPECT_EQ(settled(), expected);
    EXPECT_FALSE(flags.EditorBusy);
}

// ---- Enter and the focus ---------------------------------------------------------------------

TEST_F(NumericFieldsTest, EnterMovesToTheTablesNextFieldCommittingTheFieldLeft)
{
    const std::pair<const char*, const char*> moves[] = {
        {"Black1Edit", "HaloWidth1Edit"},         {"Black4Edit", "LHaloWidth4Edit"},
        {"Black8Edit", "HaloWidth8Edit"},         {"LHaloWidth2Edit", "LHaloOffset2Edit"},
        {"RHaloOffset7Edit", "RHaloWidth7Edit"},  {"Gamma8Edit", "TestPattern8ComboBox"},
        {"HPositionEdit", "VPositionEdit"},       {"VPositionEdit", "PhaseEdit"},
        {"PhaseEdit", "HPositionEdit"},           {"LeftOContrastEdit", "LeftOBrightnessEdit"},
        {"LeftOBrightnessEdit", "LeftRContrastEdit"}, {"LeftRBrightnessEdit", "LeftGContrastEdit"},
        {"LeftBBrightnessEdit", "LeftOContrastEdit"}, {"SeamGain8Edit", "SeamGain1Edit"},
    };
    // The overall colour fields start at "0", below their range.
    edit(QStringLiteral("LeftOContrastEdit"))->setText(QStringLiteral("100"));
    edit(QStringLiteral("LeftOBrightnessEdit"))->setText(QStringLiteral("100"));
    for (const auto& [from, to] : moves) {
        SCOPED_TRACE(from);
        edit(QString::fromLatin1(from))->setFocus();
        QTest::keyClick(edit(QString::fromLatin1(from)), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(to));
    }
    EXPECT_TRUE(op.messages().isEmpty());

    // A refused entry keeps the focus, and is reported once.
    QLineEdit* black = edit(QStringLiteral("Black5Edit"));
    black->setFocus();
    black->setText(QStringLiteral("-1"));
    op.clear();
    QTest::keyClick(black, Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), black);
    EXPECT_EQ(op.messages(), QStringList{"Error! Value out of bounds! (0 - 255)"});
    EXPECT_EQ(black->text(), "0");  // restored from the record
    sim->log().clear();
    black->setText(QStringLiteral("8"));
    QTest::keyClick(black, Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), edit(QStringLiteral("LHaloWidth5Edit")));
    EXPECT_EQ(settled(), PassFrame("*2BLKGN 1 8!"));
}

TEST_F(NumericFieldsTest, TheFocusComesBackAfterTheLinkDisabledThePageWhileACommitWaited)
{
    // The window disables its pages while the link waits; the field the operator went to
    // must have the focus once the commit is over.
    QObject::connect(&link, &Link::waitingForUnitsChanged, page.get(),
                     [this](bool waiting) { page->setEnabled(!waiting); });
    typeAndLeave(QStringLiteral("Black2Edit"), QStringLiteral("44"));
    EXPECT_EQ(settled(), PassFrame("*1BLKGN 2 44!"));
    EXPECT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == page->elsewhere; }));
    EXPECT_TRUE(op.messages().isEmpty());
}

TEST_F(NumericFieldsTest, ARealMessageBoxForARefusedEntryCommitsNothingElseAndTheFocusReturns)
{
    boxes.realBoxes = true;
    // Leaving for a plain edit and for another numeric field: one message, the focus back in
    // the refused field, and the field gone to neither commits nor sends.
    for (const char* to : {"Elsewhere", "Black4Edit"}) {
        SCOPED_TRACE(to);
        QLineEdit* black = edit(QStringLiteral("Black3Edit"));
        black->setFocus();
        black->setText(QStringLiteral("256"));
        FindNamed<QWidget>(page.get(), QString::fromLatin1(to))->setFocus();
        EXPECT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr && page->isActiveWindow(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(op.messages(), QStringList{"Error! Value out of bounds! (0 - 255)"});
        EXPECT_EQ(QApplication::focusWidget(), black);
        EXPECT_EQ(black->text(), "0");
        EXPECT_EQ(settled(), QByteArray());
        op.clear();
        // Leaving it now (valid again) commits it once.
        page->elsewhere->setFocus();
        EXPECT_EQ(settled(), PassFrame("*1BLKGN 3 0!"));
        sim->log().clear();
        EXPECT_TRUE(op.messages().isEmpty());
    }
}

TEST_F(NumericFieldsTest, AMessageBoxOfAnArrowDoesNotCommitTheFieldThatHasTheFocus)
{
    boxes.realBoxes = true;
    QLineEdit* typing = edit(QStringLiteral("Black2Edit"));
    typing->setFocus();
    typing->setText(QStringLiteral("77"));  // being typed, not yet left
    edit(QStringLiteral("Black1Edit"))->setText(QStringLiteral("abc"));
    clickArrow(QStringLiteral("Black1Edit"), +1);
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeModalWidget() == nullptr && page->isActiveWindow(); }));
    EXPECT_EQ(op.messages(), QStringList{"Error! 'abc' is not a valid number."});
    EXPECT_EQ(settled(), QByteArray());
    // Leaving it later commits it, once.
    typing->setFocus();
    page->elsewhere->setFocus();
    EXPECT_EQ(settled(), PassFrame("*1BLKGN 2 77!"));
}

TEST_F(NumericFieldsTest, ClickingAGammaEnableBoxSendsItWithTheGamma)
{
    edit(QStringLiteral("RGamma2Edit"))->setText(QStringLiteral("3.1"));
    auto* box = FindNamed<QCheckBox>(page.get(), QStringLiteral("REdgeFeathering2CheckBox"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_EQ(settled(), PassFrame("*1EFTA 2 R 1  3.1!"));
    EXPECT_EQ(settings.output(1, 2).RightFeather, 1);
    EXPECT_EQ(settings.output(1, 2).RightGamma, 3.1f);
}

// ---- What the operator types ------------------------------------------------------------------

// The operator's keys and clicks, with units of RS-485 IDs 4 and 9.
class TypingTest : public NumericFieldsTest {
protected:
    TypingTest() { ids = {4, 9}; }
    void click(QLineEdit* e, QPoint at = {})
    {
        QTest::mouseClick(e, Qt::LeftButton, {}, at.isNull() ? e->rect().center() : at);
        settledFocus();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        settledFocus();
    }
    void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    // The units have answered and the focus is back where the operator sent it.
    void settledFocus()
    {
        settled();
        QCoreApplication::processEvents();
        EXPECT_TRUE(WaitUntil([] { return QApplication::focusWidget() != nullptr; }));
    }
};

// Enter, Tab, Shift+Tab and a click that moves the focus select the field's whole text, so the
// digits typed replace it, also when the page was disabled (the focus taken from the window)
// while the commit of the field left waited for the units. A click in the field that has the
// focus places the cursor.
TEST_F(TypingTest, ArrivingByEnterTabOrAClickSelectsTheTextTypingReplacesIt)
{
    for (const bool disabledWhileWaiting : {false, true}) {
        SCOPED_TRACE(disabledWhileWaiting ? "page disabled while the link waits" : "page left enabled");
        QMetaObject::Connection disabling;
        if (disabledWhileWaiting)
            disabling = QObject::connect(&link, &Link::waitingForUnitsChanged, page.get(),
                                         [this](bool waiting) { page->setEnabled(!waiting); });
        startAfresh();
        edit(QStringLiteral("Black2Edit"))->setText(QStringLiteral("5"));
        edit(QStringLiteral("Black3Edit"))->setText(QStringLiteral("14"));
        edit(QStringLiteral("HaloWidth1Edit"))->setText(QStringLiteral("8"));
        edit(QStringLiteral("HaloOffset1Edit"))->setText(QStringLiteral("2"));
        struct Step {
            std::function<void()> reach;  // the operator's gesture
            const char* field;            // where it brings the focus
            const char* selected;         // the field's text, all of it selected
            const char* typed;
        };
        const Step steps[] = {
            {[&] { click(edit(QStringLiteral("Black1Edit"))); }, "Black1Edit", "0", "20"},
            {[&] { press(Qt::Key_Tab); }, "Black2Edit", "5", "7"},
            {[&] { press(Qt::Key_Backtab, Qt::ShiftModifier); }, "Black1Edit", "20", "21"},
            {[&] { press(Qt::Key_Return); }, "HaloWidth1Edit", "8", "3"},
            {[&] { press(Qt::Key_Return); }, "HaloOffset1Edit", "2", "9"},
            {[&] { click(edit(QStringLiteral("Black3Edit"))); }, "Black3Edit", "14", "6"},
        };
        for (const Step& s : steps) {
            SCOPED_TRACE(s.field);
            s.reach();
            QLineEdit* e = edit(QString::fromLatin1(s.field));
            ASSERT_EQ(QApplication::focusWidget(), e);
            EXPECT_EQ(e->selectedText(), s.selected);
            type(QString::fromLatin1(s.typed));
            EXPECT_EQ(e->text(), s.typed);
        }
        // A click in the field that has the focus places the cursor: after the last digit.
        QLineEdit* black3 = edit(QStringLiteral("Black3Edit"));
        click(black3, QPoint(black3->width() - 3, black3->height() / 2));
        EXPECT_FALSE(black3->hasSelectedText());
        type(QStringLiteral("1"));
        EXPECT_EQ(black3->text(), "61");
        page->elsewhere->setFocus();
        EXPECT_EQ(settled(), PassFrame("*4BLKGN 1 20!") + PassFrame("*4BLKGN 2 7!") + PassFrame("*4BLKGN 1 21!") +
                                 PassFrame("*4HALO 1 R 3 2!") + PassFrame("*4HALO 1 R 3 9!") + PassFrame("*4BLKGN 3 61!"));
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
        QObject::disconnect(disabling);
    }
}

// A menu (or another window) taking the keyboard is no departure: nothing is committed, and the
// field commits when it is really left. CommitPending commits the field being edited once; one
// it refuses is reported and keeps the focus.
TEST_F(TypingTest, AMenuIsNoDepartureAndCommitPendingCommitsTheFieldOnce)
{
    QLineEdit* black = edit(QStringLiteral("Black6Edit"));
    click(black);
    type(QStringLiteral("61"));
    {
        QMenu menu(page.get());
        menu.addAction(QStringLiteral("Item"));
        menu.popup(page->mapToGlobal(QPoint(5, 5)));
        ASSERT_TRUE(WaitUntil([&] { return menu.isVisible(); }));
        QTest::keyClick(&menu, Qt::Key_Escape);
        ASSERT_TRUE(WaitUntil([&] { return !menu.isVisible(); }));
    }
    // Here the menu took the window's activation with it; the window system gives it back.
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    EXPECT_EQ(settled(), QByteArray());
    EXPECT_EQ(QApplication::focusWidget(), black);

    EXPECT_TRUE(fields->CommitPending());
    settledFocus();
    EXPECT_EQ(settled(), PassFrame("*9BLKGN 2 61!"));
    EXPECT_EQ(QApplication::focusWidget(), black);
    EXPECT_EQ(settings.output(2, 2).BlackLevel, 61);
    EXPECT_TRUE(fields->CommitPending());  // nothing more pending
    page->elsewhere->setFocus();           // nor on leaving
    EXPECT_EQ(settled(), PassFrame("*9BLKGN 2 61!"));
    EXPECT_TRUE(fields->CommitPending());  // the focus is in no field
    sim->log().clear();

    // A field that keeps the focus keeps its selection, also when the page was disabled while
    // the commit waited: typing still replaces the text.
    QObject::connect(&link, &Link::waitingForUnitsChanged, page.get(),
                     [this](bool waiting) { page->setEnabled(!waiting); });
    QLineEdit* black7 = edit(QStringLiteral("Black7Edit"));
    click(black7);
    ASSERT_EQ(black7->selectedText(), "0");
    EXPECT_TRUE(fields->CommitPending());
    settledFocus();
    EXPECT_EQ(QApplication::focusWidget(), black7);
    EXPECT_EQ(black7->selectedText(), "0");
    type(QStringLiteral("8"));
    page->elsewhere->setFocus();
    EXPECT_EQ(settled(), PassFrame("*9BLKGN 3 0!") + PassFrame("*9BLKGN 3 8!"));
    sim->log().clear();

    click(black);
    type(QStringLiteral("256"));
    EXPECT_FALSE(fields->CommitPending());
    EXPECT_EQ(op.messages(), QStringList{"Error! Value out of bounds! (0 - 255)"});
    EXPECT_EQ(black->text(), "61");  // the record's value
    EXPECT_EQ(QApplication::focusWidget(), black);
    EXPECT_EQ(settled(), QByteArray());
}

TEST(NumericFieldTable, EveryFamilyExpandsToNamedFieldsWithExistingNextFields)
{
    QStringList edits;
    for (const NumericField& f : AllNumericFields()) edits << ControlName(f.key);
    EXPECT_EQ(edits.size(), 8 + 14 + 14 + 14 + 3 + 2 + 6 + 8);
    EXPECT_EQ(edits.removeDuplicates(), 0);
    for (const NumericField& f : AllNumericFields()) {
        const FieldControls& c = ControlsOf(f.key);
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_TRUE(c.spin.endsWith("UpDown"));
        if (!c.next.startsWith("TestPattern")) {
            EXPECT_NE(NumericFieldOfEdit(c.next), nullptr) << c.next.toStdString();
        }
    }
    for (const NumericFamilyRow& row : kNumericFamilies) EXPECT_EQ(&FamilyRow(row.field), &row);
    EXPECT_EQ(NumericFieldOfEdit("Black1Edit")->maxLength(), 5);
    EXPECT_EQ(NumericFieldOfEdit("Black2Edit")->maxLength(), 0);
}

}  // namespace
}  // namespace kalvora::testing
