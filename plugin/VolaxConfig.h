#ifndef VOLAX_PLUGIN_VOLAXCONFIG_H
#define VOLAX_PLUGIN_VOLAXCONFIG_H

// The two configuration files of the plugin, as plain readers and writers over
// C streams: no X-Plane and no RTI, so they can be tested and fuzzed alone.
//
//   volax.ini     "KEY value" lines, the keys of VolaxSettings; a value in
//                 double quotes may hold blanks (FEDFILE "C:\X-Plane 12\x.fed")
//   volaxexp.ini  "name kind domain country category subcategory specific extra"
//
// A UTF-8 byte-order mark at the start of either file is skipped.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace volax {

// Longest token kept; longer ones are cut here and the excess is dropped.
constexpr size_t kMaxToken = 255;

// NETWORK bits.
constexpr uint8_t kNetworkHla = 1;
constexpr uint8_t kNetworkDis = 2;

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
    // 1: the ownship is created whenever the user's aircraft is loaded while
    // joined. Files without the key keep 0; a freshly written file says 1.
    int16_t autoCreate = 0;
    // Optional keys, never written to a fresh volax.ini.
    float heartbeat = 5.0f;  // HEARTBEAT: seconds between full re-sends; 0 turns them off
    std::string marking;     // MARKING: the call sign; empty takes the aircraft's tail number
    // Traffic keys, likewise optional.
    int16_t traffic = 1;             // TRAFFIC: 0 turns the remote entity picture off
    uint32_t maxEntities = 500;      // MAXENTITIES: the nearest drawn, 0 to kMaxEntitiesLimit
    float entityTimeout = 12.0f;     // ENTITYTIMEOUT: seconds without an update (at most a day); 0 keeps
    // Networks, likewise optional.
    uint8_t network = kNetworkHla;   // NETWORK: HLA, DIS or BOTH
    std::string disAddress;          // DISADDRESS: ADDRESS[:PORT][@INTERFACE]; DIS stays off without it
    uint8_t disExercise = 1;         // DISEXERCISE: 1 to 255
    uint8_t disVersion = 7;          // DISVERSION: 7 or 6, what is sent (both are read)
    uint16_t entityNumber = 0;       // ENTITYNUMBER: 1 to 65534; 0: HLA 0, DIS 1
    // VERTICALDATUM: EGM96 (X-Plane's heights are above mean sea level) or
    // WGS84E (taken as above the ellipsoid); any other value keeps EGM96.
    bool egm96Heights = true;
};

// MAXENTITIES above this is cut to it (the picture holds no more entities).
constexpr uint32_t kMaxEntitiesLimit = 20000;

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

// Applies one key/value pair; keys are case-sensitive. False for an unknown
// key, which changes nothing.
bool applySetting(VolaxSettings& s, const std::string& key, const std::string& value);

// Reads volax.ini from `in` into `s` (missing keys keep their values). Unknown
// keys and unclosed quotes are reported on `trace` when it is set.
void readSettings(FILE* in, VolaxSettings& s, FILE* trace = nullptr);

// Writes the ten lines of a fresh volax.ini (values with blanks quoted).
// False if a write failed.
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
