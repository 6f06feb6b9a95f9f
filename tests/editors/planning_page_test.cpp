// The Planning page driven as the operator drives it, with a scripted operator and a fake host
// standing in for the link and the other pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "editors/drawing_views.h"
#include "editors/planning_page.h"
#include "settings/number_format.h"
#include "tests/support/scripted_operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

using namespace kalvora;

// The page alone needs widgets, not the program's application object.
namespace kalvora::testing {
std::unique_ptr<QCoreApplication> MakeTestApplication(int& argc, char** argv)
{
    return std::make_unique<QApplication>(argc, argv);
}
}  // namespace kalvora::testing

namespace {

// Everything the page sends or asks outside itself, in order.
class FakeWall final : public PlanningHost {
public:
    bool link = false;
    bool controller = false;
    int unitsSeenByController = 2;
    bool readOk = true;
    bool twoUnitOk = true;
    bool sendsDelivered = true;  // false: the operator abandons every command
    bool busy = false;           // another operation on the units waits
    QString overlapWidth = QStringLiteral("64");
    QStringList calls;
    std::array<QString, 8> starts, ends;
    int editorsFor = 0;
    bool featheringVisible = false;
    int advancedModeRuns = 0;
    int enableRuns = 0;

    bool linkUp() const override { return link; }
    bool unitsBusy() const override { return busy; }
    bool throughController() const override { return controller; }
    int unitsSeen() override
    {
        calls << "NTN";
        return unitsSeenByController;
    }
    bool readUnitStatus(int u) override
    {
        calls << QStringLiteral("QUERY %1").arg(u);
        return readOk;
    }
    bool checkTwoUnits(int n, int stored) override
    {
        calls << QStringLiteral("CHECK %1 %2").arg(n).arg(stored);
        return twoUnitOk;
    }
    bool sendProjectorCount(int u, int n) override
    {
        calls << QStringLiteral("PRJ %1 %2").arg(u).arg(n);
        return sendsDelivered;
    }
    bool sendDisplayLayout(int u, int a, int w) override
    {
        calls << QStringLiteral("DISP %1 %2 %3").arg(u).arg(a).arg(w);
        return sendsDelivered;
    }
    QString overlapWidthText() const override { return overlapWidth; }
    void showOverlapWidth(const QString& t) override { overlapWidth = t; }
    void showImagePositions(const std::array<QString, 8>& s, const std::array<QString, 8>& e) override
    {
        starts = s;
        ends = e;
    }
    void showEditorsFor(int n) override { editorsFor = n; }
    void showFeatheringControls(bool v) override { featheringVisible = v; }
    void reapplyFeatheringMode() override { ++advancedModeRuns; }
    void enableWallEditing() override { ++enableRuns; }

    QStringList sends() const
    {
        QStringList out;
        for (const auto& c : calls)
            if (c.startsWith("PRJ") || c.startsWith("DISP")) out << c;
        return out;
    }
};

struct Fixture {
    Settings settings;
    MainFlags flags;
    kalvora::testing::ScriptedOperator op;
    FakeWall wall;
    PlanningPage page{settings, flags, op, wall};

    Fixture()
    {
        // First show of the main window.
        FlagGuard filling(flags.FormFilling);
        page.InitialisePlan();
    }
    template <typename W>
    W* find(const char* name)
    {
        auto* w = page.findChild<W*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QString text(const char* label) { return find<QLabel>(label)->text(); }
    void setSize(const QString& h, const QString& v)
    {
        find<QLineEdit>("HorizontalOutEdit")->setText(h);
        find<QLineEdit>("VerticalOutEdit")->setText(v);
    }
    void calculate() { QTest::mouseClick(find<QPushButton>("CalcOutButton"), Qt::LeftButton); }
    void pick(const char* combo, int index)
    {
        auto* c = find<QComboBox>(combo);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
};

}  // namespace


TEST(PlanningPage, StartUpLandsOnTheWorkedExample)
{
    Fixture f;
    ASSERT_EQ(f.text("OutAspectRatioLabel"), QString("3"));
    ASSERT_EQ(f.text("ImageSizeHLabel"), QString("3072"));
    ASSERT_EQ(f.text("ImageSizeVLabel"), QString("1024"));
    ASSERT_EQ(f.find<QComboBox>("NumOfScreenComboBox")->currentText(), QString("3 Projectors"));
    ASSERT_EQ(f.find<QComboBox>("ImageAlignComboBox")->currentText(), QString("Centered"));
    ASSERT_EQ(f.find<QComboBox>("ProjectorResComboBox")->currentText(), QString("1280x1024"));
    ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString("384"));
    ASSERT_EQ(f.text("NumOfTornelLabel"), QString("1"));
    ASSERT_EQ(f.wall.overlapWidth, QString("384"));
    ASSERT_EQ(f.op.status, QString("NOTE: Current settings require 1 Tornel."));
    ASSERT_TRUE(f.op.messages().isEmpty());
    ASSERT_TRUE(f.find<QComboBox>("NumOfScreenComboBox")->isEnabled());
    ASSERT_TRUE(f.find<QComboBox>("ImageAlignComboBox")->isEnabled());
    ASSERT_TRUE(f.find<QPushButton>("CalcOutButton")->isEnabled());
    ASSERT_TRUE(!f.flags.EditorBusy);
    ASSERT_EQ(f.page.plan().OverlapWidthMax, 640);
    ASSERT_EQ(f.page.plan().NumOfProjectors, 3.0);
    ASSERT_EQ(f.wall.advancedModeRuns, 1);
    ASSERT_EQ(f.wall.enableRuns, 1);
    ASSERT_EQ(f.wall.editorsFor, 3);
    ASSERT_TRUE(f.wall.featheringVisible);
    ASSERT_TRUE(f.wall.calls.isEmpty());  // no link: nothing asked, nothing sent

    const std::array<QString, 8> starts{"384", "1280", "2176", "N/A", "N/A", "N/A", "N/A", "N/A"};
    const std::array<QString, 8> ends{"1664", "2560", "3456", "N/A", "N/A", "N/A", "N/A", "N/A"};
    ASSERT_EQ(f.wall.starts, starts);
    ASSERT_EQ(f.wall.ends, ends);

    ASSERT_EQ(f.page.strip().overlapPixels, 33);
    ASSERT_EQ(f.page.strip().frames.size(), size_t(3));
    ASSERT_EQ(f.page.ruler().markers.size(), size_t(3));
    ASSERT_EQ(f.page.ruler().markers[2].x, 377);
    ASSERT_EQ(f.page.contentText(),
             QString(" - Single Graphic Source:    3 : 1 Aspect Ratio Image Required\r\n"
                     "                                      (Center or Left Justified)\r\n"
                     " - 3 Head Graphic Source (1280 x 1024 resolution): 3072 x 1024 Image Size Required\r\n"
                     "                                      (Center or Left Justified)\r\n"));
    ASSERT_TRUE(f.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText().startsWith(" - Single Graphic Source:    3 : 1"));
}

TEST(PlanningPage, RefusedSizesKeepCalculateAvailable)
{
    struct Case {
        const char* what;
        QString horizontal, vertical, message, focused;
    } const cases[] = {
        {"letters", "abc", "10", "Error! 'abc' is not a valid Horizontal Output Screen Size value.", "HorizontalOutEdit"},
        {"empty", "", "10", "Error! '' is not a valid Horizontal Output Screen Size value.", "HorizontalOutEdit"},
        {"zero", "0", "10", "Error! Horizontal Output Screen Size value must be greater than 0.", "HorizontalOutEdit"},
        {"vertical letters", "30", "1x", "Error! '1x' is not a valid Vertical Output Screen Size value.", "VerticalOutEdit"},
        {"vertical negative", "30", "-2", "Error! Vertical Output Screen Size value must be greater than 0.",
         "VerticalOutEdit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString &horizontal = c.horizontal, &vertical = c.vertical, &message = c.message, &focused = c.focused;
        Fixture f;
        f.page.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f.page));
        const double aspect = f.page.plan().AspectRatio;
        f.setSize(horizontal, vertical);
        f.calculate();
        ASSERT_EQ(f.op.messages(), QStringList{message});
        ASSERT_TRUE(f.find<QPushButton>("CalcOutButton")->isEnabled());
        ASSERT_TRUE(!f.flags.EditorBusy);
        ASSERT_EQ(QApplication::focusWidget()->objectName(), focused);
        ASSERT_EQ(f.page.plan().AspectRatio, aspect);
        ASSERT_EQ(f.text("OutAspectRatioLabel"), QString("3"));
        // The operator corrects the entry and the next Calculate goes through.
        f.op.clear();
        f.setSize("16", "9");
        f.calculate();
        ASSERT_TRUE(f.op.messages().isEmpty());
        // 1820.44 pixels on two projectors of 1280: the overlap is clamped to 640, the aspect follows.
        ASSERT_EQ(f.text("OutAspectRatioLabel"), QString("1.88"));
    }
}

TEST(PlanningPage, CountChangeWithLinkSendsToBothUnits)
{
    Fixture f;
    f.wall.link = true;
    f.wall.controller = true;
    f.flags.UnitCount = 2;
    f.pick("NumOfScreenComboBox", 4);  // "5 Projectors"
    // Overlap for five: ceil((6400 - 3072) / 4) = 832, clamped to half a projector.
    ASSERT_EQ(f.wall.calls, (QStringList{"CHECK 5 5", "PRJ 1 5", "PRJ 2 5", "DISP 1 1 640", "DISP 2 1 640"}));
    ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString("640"));
    ASSERT_EQ(f.text("ImageSizeHLabel"), QString("3840"));  // 5 × 1280 − 4 × 640
    ASSERT_EQ(f.wall.editorsFor, 5);
    ASSERT_EQ(f.page.strip().frames.size(), size_t(5));
    ASSERT_TRUE(f.op.messages().isEmpty());
    ASSERT_TRUE(!f.op.busy);

    f.wall.calls.clear();
    f.pick("ImageAlignComboBox", LeftJustified);
    ASSERT_EQ(f.wall.calls, (QStringList{"DISP 1 0 640", "DISP 2 0 640"}));
    ASSERT_EQ(f.wall.starts[0], QString("0"));
    ASSERT_EQ(f.wall.ends[4], QString("3840"));
}

TEST(PlanningPage, SendsFollowFormFillingAndUnitCount)
{
    Fixture f;
    f.wall.link = true;
    f.flags.UnitCount = 1;
    f.pick("NumOfScreenComboBox", 1);
    // Two projectors over 3072 pixels: the overlap is raised to 64.
    ASSERT_EQ(f.wall.sends(), (QStringList{"PRJ 1 2", "DISP 1 1 64"}));

    f.wall.calls.clear();
    {
        FlagGuard filling(f.flags.FormFilling);
        f.pick("NumOfScreenComboBox", 2);
    }
    ASSERT_TRUE(f.wall.sends().isEmpty());
    ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString("640"));  // ceil((3840 - 2496) / 2) bounded by 640

    f.wall.link = false;
    f.pick("NumOfScreenComboBox", 3);
    ASSERT_TRUE(f.wall.sends().isEmpty());
}

TEST(PlanningPage, RefusedTwoUnitCheckRevertsTheCount)
{
    Fixture f;
    f.wall.link = true;
    f.wall.twoUnitOk = false;
    f.pick("NumOfScreenComboBox", 5);
    // The clamp for six projectors stores six; the refusal still goes back to the three before.
    ASSERT_EQ(f.wall.calls, QStringList{"CHECK 6 6"});
    ASSERT_EQ(f.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 2);
    ASSERT_EQ(f.page.plan().NumOfProjectors, 3.0);
    // The overlap is recomputed for three over the image width the clamp left (4480): raised to 64.
    ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString("64"));
    ASSERT_EQ(f.wall.overlapWidth, QString("64"));
    ASSERT_EQ(f.wall.editorsFor, 3);
    ASSERT_TRUE(f.wall.sends().isEmpty());
}

TEST(PlanningPage, CenteredWithEightKeepsEightAndSendsNothing)
{
    Fixture f;
    f.wall.link = true;
    f.setSize("90", "10");  // 9216 pixels: eight projectors
    f.calculate();
    ASSERT_EQ(f.op.messages(), QStringList{"Error! Maximum number of projectors for center justified image is 7"});
    ASSERT_EQ(f.find<QComboBox>("NumOfScreenComboBox")->currentText(), QString("8 Projectors"));
    ASSERT_EQ(f.find<QComboBox>("ImageAlignComboBox")->currentText(), QString("Centered"));
    ASSERT_TRUE(f.wall.sends().isEmpty());
    ASSERT_EQ(f.text("NumOfTornelLabel"), QString("2"));
    ASSERT_EQ(f.op.status, QString("NOTE: Current settings require 2 Tornels."));

    // Picking "Centered" with eight projectors falls back to left justified.
    f.op.clear();
    f.find<QComboBox>("ImageAlignComboBox")->setCurrentIndex(LeftJustified);
    f.find<QComboBox>("NumOfScreenComboBox")->setCurrentIndex(7);
    f.wall.calls.clear();
    f.pick("ImageAlignComboBox", Centered);
    ASSERT_EQ(f.op.messages(), QStringList{"Error! Maximum number of projectors for center justified image is 7"});
    ASSERT_EQ(f.find<QComboBox>("ImageAlignComboBox")->currentIndex(), int(LeftJustified));
    ASSERT_TRUE(f.wall.sends().isEmpty());
}

TEST(PlanningPage, NineOrMoreLeavesTheListAlone)
{
    Fixture f;
    f.setSize("110", "10");
    f.calculate();
    ASSERT_EQ(f.op.messages(),
             QStringList{"Error! Minimum # of screen calculated is greater than 8. Please enter valid "
                         "Horizontal/Vertical Output Size and Projector Resolution."});
    ASSERT_EQ(f.find<QComboBox>("NumOfScreenComboBox")->currentText(), QString("3 Projectors"));
    // The overlap is recomputed for the unchanged count: raised to 64.
    ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString("64"));
    ASSERT_EQ(f.text("ImageSizeHLabel"), QString("3712"));
    ASSERT_EQ(f.text("OutAspectRatioLabel"), QString("3.63"));
    ASSERT_EQ(f.find<QLineEdit>("HorizontalOutEdit")->text(), QString("36.25"));
    ASSERT_TRUE(f.find<QPushButton>("CalcOutButton")->isEnabled());
}

TEST(PlanningPage, ClampingRewritesAspectAndHorizontalSize)
{
    struct Case {
        const char *h, *v;
        int resolution;
        const char *aspect, *image, *overlap, *horizontal, *count;
    };
    const Case cases[] = {
        {"16", "9", 1, "2", "1536", "512", "18", "2 Projectors"},
        {"25", "10", 2, "2.44", "2496", "64", "24.375", "2 Projectors"},
        {"40", "10", 2, "4", "4094", "342", "40", "4 Projectors"},
        {"10", "10", 2, "1", "1280", "0", "10", "1 Projector"},
        // Longer than what may be typed: written in full, and the next Calculate reads it so.
        {"0.25", "0.1", 2, "2.44", "2496", "64", "0.24375", "2 Projectors"},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.pick("ProjectorResComboBox", c.resolution);
        f.setSize(c.h, c.v);
        f.calculate();
        ASSERT_TRUE(f.op.messages().isEmpty());
        ASSERT_EQ(f.text("OutAspectRatioLabel"), QString(c.aspect));
        ASSERT_EQ(f.text("ImageSizeHLabel"), QString(c.image));
        ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString(c.overlap));
        ASSERT_EQ(f.find<QLineEdit>("HorizontalOutEdit")->text(), QString(c.horizontal));
        ASSERT_EQ(f.find<QComboBox>("NumOfScreenComboBox")->currentText(), QString(c.count));
        ASSERT_EQ(f.wall.featheringVisible, QString(c.count) != "1 Projector");
        f.calculate();
        ASSERT_EQ(f.find<QLineEdit>("HorizontalOutEdit")->text(), QString(c.horizontal));
        ASSERT_EQ(f.text("OutAspectRatioLabel"), QString(c.aspect));
    }
}

TEST(PlanningPage, TypingStopsAtSixCharacters)
{
    Fixture f;
    f.page.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.page));
    f.pick("ProjectorResComboBox", 2);
    f.setSize("0.25", "0.1");
    f.calculate();
    auto* h = f.find<QLineEdit>("HorizontalOutEdit");
    ASSERT_EQ(h->text(), QString("0.24375"));
    // Shown whole: the text fits inside the frame and the inner margins of the field.
    ASSERT_TRUE(h->fontMetrics().horizontalAdvance(h->text()) <= h->width() - 8);
    h->setFocus();
    h->end(false);
    QTest::keyClicks(h, "9");  // a program-written value does not grow by typing
    ASSERT_EQ(h->text(), QString("0.24375"));
    h->selectAll();
    QTest::keyClicks(h, "12345678");
    ASSERT_EQ(h->text(), QString("123456"));
    auto* v = f.find<QLineEdit>("VerticalOutEdit");
    v->setFocus();
    v->selectAll();
    QTest::keyClicks(v, "1234567");
    ASSERT_EQ(v->text(), QString("123456"));
}

TEST(PlanningPage, UnitReadsBeforeTheCalculation)
{
    {
        Fixture f;
        f.wall.link = true;
        f.wall.controller = true;
        f.wall.unitsSeenByController = 0;
        f.calculate();
        ASSERT_EQ(f.op.messages(), QStringList{"Tornel not detected by Controller.\n(1)Check cables.\n(2)Make sure the "
                                              "Tornel has booted up completely and reboot the Controller."});
        ASSERT_EQ(f.wall.calls, QStringList{"NTN"});
        ASSERT_TRUE(f.find<QPushButton>("CalcOutButton")->isEnabled());
    }
    {
        Fixture f;
        f.wall.link = true;
        f.wall.controller = true;
        f.wall.readOk = false;
        f.op.status = "busy";
        f.calculate();
        ASSERT_EQ(f.op.messages(),
                 QStringList{"Tornel 1 communication error! Please check Serial connections and try again"});
        ASSERT_EQ(f.wall.calls, (QStringList{"NTN", "QUERY 1"}));
        ASSERT_EQ(f.op.status, QString());
        ASSERT_TRUE(!f.flags.EditorBusy);
    }
    {
        // A status read with a narrow input bounds the overlap: 1024 ÷ 2 for two projectors.
        Fixture f;
        f.wall.link = true;
        f.wall.controller = true;
        f.settings.StatusReadAvailable = true;
        f.settings.input(1, 1).HActive = 1024;
        f.setSize("16", "9");
        f.calculate();
        ASSERT_EQ(f.wall.calls.mid(0, 3), (QStringList{"NTN", "QUERY 1", "QUERY 2"}));
        ASSERT_EQ(f.flags.UnitCount, 2);
        ASSERT_EQ(f.text("MinNumOfOverlapLabel"), QString("512"));
        ASSERT_EQ(f.wall.sends(), (QStringList{"PRJ 1 2", "PRJ 2 2", "DISP 1 1 512", "DISP 2 1 512"}));
    }
    {
        // A second click while a calculation runs does nothing.
        Fixture f;
        f.flags.EditorBusy = true;
        f.setSize("abc", "10");
        f.calculate();
        ASSERT_TRUE(f.op.messages().isEmpty());
        ASSERT_TRUE(f.flags.EditorBusy);
    }
    {
        // Nor does a click while another operation on the units waits or pauses.
        Fixture f;
        f.wall.link = true;
        f.wall.controller = true;
        f.wall.busy = true;
        f.calculate();
        ASSERT_TRUE(f.wall.calls.isEmpty());
        ASSERT_TRUE(f.op.messages().isEmpty());
    }
    {
        // A controller that sees more units than two: only units 1 and 2 are in use.
        Fixture f;
        f.wall.link = true;
        f.wall.controller = true;
        f.wall.unitsSeenByController = 3;
        f.setSize("16", "9");
        f.calculate();
        ASSERT_EQ(f.flags.UnitCount, 2);
        ASSERT_EQ(f.wall.calls.mid(0, 3), (QStringList{"NTN", "QUERY 1", "QUERY 2"}));
        ASSERT_TRUE(!f.wall.calls.contains("QUERY 3"));
    }
    {
        // The operator abandons PRJ to unit 1: the sequence stops, neither unit 2 nor DISP follows.
        Fixture f;
        f.wall.link = true;
        f.wall.controller = true;
        f.wall.sendsDelivered = false;
        f.setSize("16", "9");
        f.calculate();
        ASSERT_EQ(f.wall.sends(), QStringList{"PRJ 1 2"});
    }
}

TEST(PlanningPage, EnterMovesTheFocus)
{
    Fixture f;
    f.page.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.page));
    auto* h = f.find<QLineEdit>("HorizontalOutEdit");
    h->setFocus();
    QTest::keyClick(h, Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), f.find<QLineEdit>("VerticalOutEdit"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    ASSERT_EQ(QApplication::focusWidget(), f.find<QPushButton>("CalcOutButton"));
    ASSERT_TRUE(f.op.messages().isEmpty());
}

TEST(PlanningPage, ZeroSizeDrawsNoMarkers)
{
    // A refused vertical size of 0 stays in the plan; a later count change must not divide by it.
    Fixture f;
    f.setSize("30", "0");
    f.calculate();
    ASSERT_EQ(f.page.plan().OutSizeV, 0.0);
    f.pick("NumOfScreenComboBox", 1);  // the overlap clamp sets the horizontal size to 0 as well
    ASSERT_EQ(f.page.plan().OutSizeH, 0.0);
    ASSERT_TRUE(f.page.ruler().markers.empty());
    ASSERT_EQ(f.page.strip().frames.size(), size_t(2));
}

TEST(PlanningPage, RulerKeepsTheScreenWidthReadable)
{
    // The width stays where it stands while it fits; a long one beside the last projector's
    // value goes below the axis, inside the ruler and clear of every value.
    const QFontMetrics fm(QApplication::font());
    auto box = [&fm](const TextItem& t) { return QRect(t.topLeft, QSize(fm.horizontalAdvance(t.text), fm.height())); };
    PlanState plan;
    plan.ProjResH = 1280;
    plan.ProjOverlap = 384;
    plan.ImageSizeH = 3072;
    plan.OutSizeH = 30;
    const PlacementRuler fits = LayoutPlacementRuler(plan, 3, "30");
    ASSERT_EQ(PlaceSizeText(fits, fm).topLeft, fits.size.topLeft);

    plan.ProjOverlap = 182;
    plan.ImageSizeH = 8966;
    plan.OutSizeH = 87.559;
    const PlacementRuler crowded = LayoutPlacementRuler(plan, 8, "87.559");
    const TextItem placed = PlaceSizeText(crowded, fm);
    ASSERT_TRUE(placed.topLeft != crowded.size.topLeft);
    ASSERT_TRUE(placed.topLeft.y() > crowded.axis.from.y());
    ASSERT_TRUE(box(placed).right() < crowded.width);
    for (const PlacementMarker& m : crowded.markers) ASSERT_TRUE(!box(placed).intersects(box(m.value)));
}

TEST(PlanningPage, SyncFromRecordsWarnsAndOverwrites)
{
    struct Case {
        int alignment, total;
        const char* warning;  // nullptr: no message
    };
    const QString tail = " information read from Tornel(s) does not match current values in the Planning page. "
                         "\rPlanning page values will be overwritten";
    const Case cases[] = {
        {1, 3, nullptr},
        {0, 3, "Warning. Input Material Alignment"},
        {1, 2, "Warning. Number of Projectors"},
        {0, 2, "Warning. Number of Projectors and Input Material Alignment"},
    };
    for (const auto& c : cases) {
        Fixture f;
        OutputScreenRecord& p = f.settings.output(1, 1);
        p.Alignment = static_cast<uint8_t>(c.alignment);
        p.TotalProjectors = static_cast<uint8_t>(c.total);
        p.OverlapWidth = 200;
        f.wall.link = true;
        f.page.SyncPlanningFromRecords(true);
        ASSERT_EQ(f.op.messages(), c.warning ? QStringList{QString(c.warning) + tail} : QStringList{});
        ASSERT_EQ(f.find<QComboBox>("ImageAlignComboBox")->currentIndex(), c.alignment);
        ASSERT_EQ(f.page.workingCount(), c.total);
        ASSERT_EQ(f.wall.calls, QStringList{QStringLiteral("CHECK %1 %1").arg(c.total)});
        const double imageH = c.total * 1280.0 - (c.total - 1) * 200.0;
        ASSERT_EQ(f.page.plan().ImageSizeH, imageH);
        ASSERT_EQ(f.text("OutAspectRatioLabel"), FormatG3(imageH / 1024));
    }
    // Hidden window: no warnings. Records never filled: the count shows as 1, nothing breaks.
    Fixture f;
    f.page.SyncPlanningFromRecords(false);
    ASSERT_TRUE(f.op.messages().isEmpty());
    ASSERT_EQ(f.page.workingCount(), 1);
    ASSERT_EQ(f.find<QComboBox>("ImageAlignComboBox")->currentIndex(), int(LeftJustified));
}

TEST(PlanningPage, Screenshot)
{
    Fixture f;
    f.page.resize(900, 545);
    const QString dir = QStringLiteral(KALVORA_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/planning_page.png");
    ASSERT_TRUE(SavePlanningPagePng(f.page, path));
    const QImage image(path);
    ASSERT_EQ(image.isNull(), false);
    // The strip's background and projector 1's yellow frame are where the layout puts them.
    auto* strip = f.find<QWidget>("ProjectorImage");
    const QPoint origin = strip->mapTo(&f.page, QPoint(0, 0)) * image.devicePixelRatio();
    ASSERT_EQ(image.pixelColor(origin + QPoint(2, 2)).rgb() & 0xFFFFFF, 0xC0C0C0u);
    ASSERT_EQ(image.pixelColor(origin + QPoint(5, 50)).rgb() & 0xFFFFFF, 0xFFFF00u);
    ASSERT_EQ(image.pixelColor(origin + QPoint(60, 5)).rgb() & 0xFFFFFF, 0xFFFF00u);
    ASSERT_EQ(image.pixelColor(origin + QPoint(191, 50)).rgb() & 0xFFFFFF, 0xFF0000u);  // projector 2 over 3
    ASSERT_EQ(image.pixelColor(origin + QPoint(159, 50)).rgb() & 0xFFFFFF, 0x0000FFu);
    ASSERT_EQ(image.pixelColor(origin + QPoint(100, 50)).rgb() & 0xFFFFFF, 0xC0C0C0u);

    // A wall of eight, left justified, for the review of the full strip and ruler.
    f.pick("ImageAlignComboBox", LeftJustified);
    f.pick("NumOfScreenComboBox", 7);
    ASSERT_EQ(f.page.strip().frames.size(), size_t(8));
    ASSERT_EQ(f.page.ruler().markers.size(), size_t(8));
    ASSERT_TRUE(SavePlanningPagePng(f.page, dir + QStringLiteral("/planning_page_eight.png")));
}

