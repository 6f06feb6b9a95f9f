#pragma once
// Simulated units on a thread of their own, as a unit is a device of its own: the time a byte
// takes to reach them does not wait for the window's event loop. Everything that touches the
// simulator after the start runs on its thread through onSim().

#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "sim/simulator.h"

namespace kalvora {

class ThreadedSim {
public:
    explicit ThreadedSim(sim::SimConfig config) : sim_(std::make_unique<sim::Simulator>(std::move(config)))
    {
        sim_->moveToThread(&thread_);
        thread_.start();
        QString error;
        bool started = false;
        onSim([&] { started = sim_->start(&error); });
        if (!started) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            std::exit(1);
        }
    }
    ~ThreadedSim()
    {
        onSim([&] { sim_.reset(); });
        thread_.quit();
        thread_.wait();
    }
    ThreadedSim(const ThreadedSim&) = delete;
    ThreadedSim& operator=(const ThreadedSim&) = delete;

    // Runs `work` on the simulator's thread and waits for it.
    void onSim(const std::function<void()>& work)
    {
        QMetaObject::invokeMethod(sim_.get(), work, Qt::BlockingQueuedConnection);
    }
    sim::Simulator& operator*() const { return *sim_; }
    sim::Simulator* operator->() const { return sim_.get(); }
    sim::Simulator* get() const { return sim_.get(); }

private:
    QThread thread_;
    std::unique_ptr<sim::Simulator> sim_;
};

}  // namespace kalvora
