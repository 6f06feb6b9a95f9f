#include "link/queries.h"

#include "link/link.h"
#include "settings/records.h"

namespace kalvora {

int QueryUnitCount(Link&) { return 0; }
bool QuerySystemInfo(Link&, int) { return false; }
bool QueryInput(Link&, Settings&, int, int) { return false; }
bool QueryOutput(Link&, Settings&, int, int) { return false; }
bool QueryUnit(Link&, Settings&, int) { return false; }

}  // namespace kalvora
