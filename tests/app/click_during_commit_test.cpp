// A click that lands while a field's value is on its way to the units: the operator types a
// value and at once clicks a box or button elsewhere. The press takes the focus from the field,
// whose commit then waits for units that take 150 ms to answer; the release comes 0, 80 or
// 150 ms after the press, during that wait. The click takes effect after the commit, exactly
// once; after a commit that failed, not at all.
#define QTEST_QPA_MOUSE_HANDLING  // through the window, as the window system delivers a click
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <QtTest/QTest>

#include "clock_scale.h"
#include "support/link_fixture.h"
#include "editors/display_setup_page.h"
#include "qt_print.h"
#include "sim/simulator.h"
#include "units_window_fixture.h"

namespace kalvora::testing {
namespace {

class ClickDuringCommitTest : public UnitsWindowTest {
protected:
    void connect()
    {
        startWithUnits();
        if (HasFatalFailure()) return;
        form->pages()->setCurrentWidget(form->displayPage());
        QCoreApplication::processEvents();
        settle();
        simulator->setThinkMs(150);
        simulator->log().clear();
        op.clear();
    }
    QByteArray settle()
    {
        EXPECT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
        // What was held during a commit is played back once the event loop runs again.
        QTest::qWait(20);
        EXPECT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
        return simulator->received();
    }
    // Types into the field (which has the focus), then presses the mouse on `target` and
    // releases it `holdMs` later.
    void typeThenClick(const char* field, const QString& text, QWidget* target, int holdMs)
    {
        auto* edit = find<QLineEdit>(field);
        edit->setFocus();
        ASSERT_TRUE(RunUntil([&] { return edit->hasFocus(); }));
        edit->selectAll();
        QTest::keyClicks(edit, text);
        bool released = false;
        QTimer::singleShot(holdMs, target, [&] {
            QTest::mouseRelease(target, Qt::LeftButton, {}, target->rect().center());
            released = true;
        });
        QTest::mousePress(target, Qt::LeftButton, {}, target->rect().center());
        ASSERT_TRUE(RunUntil([&] { return released; }));
    }

};

TEST_F(ClickDuringCommitTest, ClickAfterTypingTakesEffectOnceAfterTheCommit)
{
    connect();
    struct Case {
        const char* name;
        const char* field;
        const char* value;
        const char* box;
        QByteArray wire;  // the field's command, then the box's
    };
    // Unit 2 (ID 7) holds screens 5..8; every value differs from what the units hold.
    const Case cases[] = {
        {"black level then another screen's edge box", "Black6Edit", "30", "LEdgeFeathering3CheckBox",
         PassFrame("*7BLKGN 2 30!") + PassFrame("*3EFTA 3 L 0  2.2!")},
        {"gamma then its enable box", "LGamma2Edit", "2.5", "LEdgeFeathering2CheckBox",
         PassFrame("*3EFTA 2 L 1  2.5!") + PassFrame("*3EFTA 2 L 0  2.5!")},
        {"overlap width then data doubling", "OWidthEdit", "200", "EnDataDoubleCheckBox",
         PassFrame("*3DISP 0 200!") + PassFrame("*7DISP 0 200!") + PassFrame("*3DDBL 0!") + PassFrame("*7DDBL 0!")},
    };
    for (const int holdMs : {0, 80, 150}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", released after " + std::to_string(holdMs) + " ms");
            auto* box = find<QCheckBox>(c.box);
            if (!box->isChecked()) {  // every round starts from a ticked box
                box->click();
                settle();
            }
            simulator->log().clear();
            typeThenClick(c.field, QString::fromLatin1(c.value), box, holdMs);
            EXPECT_EQ(settle(), c.wire);
            EXPECT_FALSE(box->isChecked()) << "the click went through";
            EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join(" | ").toStdString();
        }
    }
}

// A value the field refuses: its message, and the click that took the focus does nothing,
// however long the button is held.
TEST_F(ClickDuringCommitTest, ClickAfterARefusedValueDoesNothing)
{
    connect();
    auto* box = find<QCheckBox>("LEdgeFeathering3CheckBox");
    ASSERT_TRUE(box->isChecked());
    for (const int holdMs : {0, 80, 150}) {
        SCOPED_TRACE(holdMs);
        simulator->log().clear();
        op.clear();
        typeThenClick("Black6Edit", "999", box, holdMs);
        EXPECT_EQ(settle(), QByteArray());
        EXPECT_EQ(op.messages().size(), 1);
        EXPECT_TRUE(box->isChecked()) << "the click was dropped with the commit";
        EXPECT_FALSE(box->isDown());
        find<QLineEdit>("Black6Edit")->setText("5");
    }
}

}  // namespace
}  // namespace kalvora::testing
