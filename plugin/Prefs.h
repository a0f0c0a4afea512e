#ifndef VOLAX_PLUGIN_PREFS_H
#define VOLAX_PLUGIN_PREFS_H

// volax.ini and volaxexp.ini in X-Plane's preferences folder.

#include "RPRValues.h"

namespace volax {

class XPAircraftObject;

// Reads both files into `settings` and `entityTypeTable`, creating volax.ini
// with the current values when it is missing; volax.ini stays open as
// `prefsFile`. On failure writes the reason into `description` (256 bytes).
bool readPrefs(char* description);

// Sets the ownship's EntityType from the model of aircraft `index`.
void selectEntityType(XPAircraftObject* aircraft, int index);
// The EntityType volaxexp.ini gives the model of aircraft `index` (a default without a match).
EntityType modelEntityType(int index);

}  // namespace volax

#endif
