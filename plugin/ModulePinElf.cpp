#include "ModulePin.h"

namespace volax {

// VOLAX.xpl is linked with -z nodelete: the loader never unmaps it.
bool pinThisModule() { return true; }

}  // namespace volax
