#ifndef VOLAX_PLUGIN_VOLAXCONFIG_H
#define VOLAX_PLUGIN_VOLAXCONFIG_H

// The two configuration files of the plugin, as plain readers and writers over
// C streams: no X-Plane and no RTI, so they can be tested and fuzzed alone.
//
//   volax.ini     "KEY value" lines; the keys of VolaxSettings
//   volaxexp.ini  "name kind domain country category subcategory specific extra"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace volax {

// Longest token kept; longer ones are cut here and the excess is dropped.
constexpr size_t kMaxToken = 255;

struct VolaxSettings {
    std::string federate = "X-Plane";
    std::string federation = "XP_Federation";
    std::string fedFile = "XP_Federation.fed";
    uint8_t forceId = 3;
    uint16_t siteId = 1;
    uint16_t applicationId = 2;
    int16_t autoJoin = 1;
    int16_t create = 1;
    float timeStep = 0.1f;
    // Optional keys, never written to a fresh volax.ini.
    float heartbeat = 5.0f;  // HEARTBEAT: seconds between full re-sends; 0 turns them off
    std::string marking;     // MARKING: the call sign; empty takes the aircraft's tail number
};

struct EntityTypeEntry {
    std::string name;  // pattern; lower-cased on first comparison
    uint8_t kind = 0;
    uint8_t domain = 0;
    uint16_t country = 0;
    uint8_t category = 0;
    uint8_t subcategory = 0;
    uint8_t specific = 0;
    uint8_t extra = 0;
    bool lowered = false;
};

using EntityTypeTable = std::vector<EntityTypeEntry>;

// Applies one key/value pair. Unknown keys are ignored; keys are case-sensitive.
void applySetting(VolaxSettings& s, const std::string& key, const std::string& value);

// Reads volax.ini from `in` into `s` (missing keys keep their values).
void readSettings(FILE* in, VolaxSettings& s);

// Writes the nine lines of a fresh volax.ini. False if a write failed.
bool writeSettings(FILE* out, const VolaxSettings& s);

// Appends every complete volaxexp.ini record of `in` to `table`, in file order.
void readEntityTypes(FILE* in, EntityTypeTable& table);

// First entry whose (lower-cased) name occurs in the lower-cased model file
// name, or else in the lower-cased model path; null when none matches.
// Writes the "Testing names" trace line per entry tried when `trace` is set.
const EntityTypeEntry* matchEntityType(EntityTypeTable& table, const char* modelFile,
                                       const char* modelPath, FILE* trace);

}  // namespace volax

#endif
