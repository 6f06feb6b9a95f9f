#pragma once
// A main window driven by a scripted operator, shown offscreen.

#include <gtest/gtest.h>

#include "qt_print.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "app/main_window.h"
#include "platform/gui/named_widget.h"
#include "scripted_operator.h"

namespace kalvora::testing {

// Runs the event loop until cond holds or the guard time passes; sleeps between events.
template <typename Cond>
bool RunUntil(Cond cond, int guardMs = 5000)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(5);
    while (!cond()) {
        if (elapsed.elapsed() > guardMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TKalvoraForm>(op); }
    void TearDown() override
    {
        form.reset();
        QCoreApplication::processEvents();
    }
    // Shows the window and runs its first-show dialogue (the search question).
    void showAndSettle()
    {
        form->show();
        ASSERT_TRUE(RunUntil([this] { return !op.questions().isEmpty(); }));
        QCoreApplication::processEvents();
    }
    template <typename W = QWidget>
    W* find(const char* name) const
    {
        W* w = FindNamed<W>(form.get(), QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    ScriptedOperator op;
    std::unique_ptr<TKalvoraForm> form;
};

}  // namespace kalvora::testing
