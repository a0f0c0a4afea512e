#ifndef VOLAX_PLUGIN_TRAFFICMODELS_H
#define VOLAX_PLUGIN_TRAFFICMODELS_H

// The models traffic is drawn with: volaxmodels.ini from the plugin's folder,
// and one object per model file, loaded asynchronously once and unloaded at
// disable. A PATH that names an X-Plane library path (XPLMLookupObjects finds
// it) loads the first file the library gives; any other PATH is a file
// relative to the X-Plane folder.

#include <string>

#include "ModelTable.h"
#include "XPLMScenery.h"

namespace volax {

class TrafficModels {
public:
    // Reads volaxmodels.ini from `folder` (with a trailing separator) and starts
    // loading every model it names. Returns false when the file is missing;
    // malformed lines are traced and skipped.
    bool load(const std::string& folder, float latitude, float longitude);
    // The loaded object drawing `type`, or null (no rule, still loading, failed).
    XPLMObjectRef objectFor(const EntityType& type) const;
    // The PATH of the rule for `type`, or null.
    const std::string* pathFor(const EntityType& type) const { return table_.lookup(type); }
    // The ICAO aircraft type designator TCAS and the map show for `type`.
    std::string icaoTypeFor(const EntityType& type) const { return table_.icaoType(type); }
    // Unloads every object; loads still under way are unloaded when they land.
    void unloadAll();
    bool empty() const { return table_.rules().empty(); }
    // At stop: X-Plane drops the loads still under way when a plugin is
    // unloaded (their callbacks never come), so they are forgotten.
    static void forgetPendingLoads();

private:
    traffic::ModelTable table_;
};

// The folder volaxmodels.ini lives in: the plugin's own folder, the parent of
// a platform folder (lin_x64, 64, ...) holding the .xpl. Ends with a separator.
std::string pluginFolder();

}  // namespace volax

#endif
