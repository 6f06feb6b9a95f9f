// The window tests run under the program's own application object, so an exception escaping a
// handler behaves as it does in the program.
#include <QCoreApplication>
#include <memory>

#include "app/kalvora_application.h"

namespace kalvora::testing {
std::unique_ptr<QCoreApplication> MakeTestApplication(int& argc, char** argv)
{
    return std::make_unique<KalvoraApplication>(argc, argv);
}
}  // namespace kalvora::testing
