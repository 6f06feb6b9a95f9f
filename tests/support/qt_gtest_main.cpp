// GoogleTest entry point with a Qt application object, so tests can run the event loop
// (serial ports, timers, simulated units). A GUI test links kalvora_gui and gets a QApplication.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "platform/clock.h"

namespace kalvora::testing {
// Weak so that a test binary with widgets can supply a QApplication instead.
__attribute__((weak)) std::unique_ptr<QCoreApplication> MakeTestApplication(int& argc, char** argv)
{
    return std::make_unique<QCoreApplication>(argc, argv);
}
}  // namespace kalvora::testing

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    auto app = kalvora::testing::MakeTestApplication(argc, argv);
    // Link timeouts and pauses run a hundred times faster than on a real line.
    kalvora::clock::setScale(0.01);
    return RUN_ALL_TESTS();
}
