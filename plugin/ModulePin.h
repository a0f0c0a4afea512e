// Keeps the module holding this code loaded until the process ends, whatever
// unloads it: the federation manager and its RTI ambassador outlive an unload.
#ifndef VOLAX_PLUGIN_MODULEPIN_H
#define VOLAX_PLUGIN_MODULEPIN_H

namespace volax {

// True when the module is (now) pinned.
bool pinThisModule();

}  // namespace volax

#endif
