// RPR FOM attribute and parameter values: host types and their big-endian wire forms.
//
// Encoders return a newly allocated buffer of exactly the wire size (NetBuffer owns it).
// Decoders take the received bytes with their length; they never read past `length`
// and return false, leaving `out` untouched, when the value is too short for its type.
// A longer value decodes its leading bytes.
#ifndef VOLAX_RPRVALUES_H
#define VOLAX_RPRVALUES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

typedef std::unique_ptr<char[]> NetBuffer;

struct EntityIdentifier {
    uint16_t site;
    uint16_t application;
    uint16_t entityNumber;
};

struct EntityType {
    uint8_t kind;
    uint8_t domain;
    uint16_t country;
    uint8_t category;
    uint8_t subcategory;
    uint8_t specific;
    uint8_t extra;
};

typedef uint8_t ForceIdentifier;

struct WorldLocation {
    double x;
    double y;
    double z;
};

// Orientation uses x, y, z for psi, theta, phi (radians).
struct Vector3f {
    float x;
    float y;
    float z;
};

struct ClockTime {
    int32_t hours;
    uint32_t timePastTheHour;
};

// Dead-reckoning algorithm enumeration; values 1 to 9 have a wire alternative.
typedef uint8_t DeadReckoningAlgorithm;
enum : DeadReckoningAlgorithm {
    DRM_OTHER = 0,
    DRM_STATIC = 1,
    DRM_FPW = 2,
    DRM_RPW = 3,
    DRM_RVW = 4,
    DRM_FVW = 5,
    DRM_FPB = 6,
    DRM_RPB = 7,
    DRM_RVB = 8,
    DRM_FVB = 9
};

struct Spatial {
    DeadReckoningAlgorithm algorithm;
    WorldLocation worldLocation;
    uint8_t isFrozen;
    Vector3f orientation;
    Vector3f velocity;
    Vector3f acceleration;
    Vector3f angularVelocity;
};

// MarkingStruct: the call sign other federates show beside the entity.
typedef uint8_t MarkingEncoding;
enum : MarkingEncoding {
    MARKING_OTHER = 0,
    MARKING_ASCII = 1,
    MARKING_ARMY_CCTT = 2,
    MARKING_DIGIT_CHEVRON = 3
};

enum : std::size_t { MARKING_CHARACTERS = 11 };

struct Marking {
    MarkingEncoding encoding;
    char characters[MARKING_CHARACTERS];  // NUL-padded, not NUL-terminated when full
};

// DamageStatusEnum32.
typedef uint32_t DamageState;
enum : DamageState {
    DAMAGE_NO_DAMAGE = 0,
    DAMAGE_SLIGHT = 1,
    DAMAGE_MODERATE = 2,
    DAMAGE_DESTROYED = 3
};

static_assert(sizeof(EntityIdentifier) == 6, "EntityIdentifier is 6 bytes");
static_assert(sizeof(EntityType) == 8, "EntityType is 8 bytes");
static_assert(sizeof(Spatial) == 88, "Spatial is 88 bytes");

// Wire sizes.
enum : std::size_t {
    ENTITY_IDENTIFIER_SIZE = 6,
    ENTITY_TYPE_SIZE = 8,
    FORCE_IDENTIFIER_SIZE = 1,
    WORLD_LOCATION_SIZE = 24,
    VECTOR_SIZE = 12,
    CLOCK_TIME_SIZE = 8,
    SPATIAL_SIZE = 88,
    MARKING_SIZE = 12,
    DAMAGE_STATE_SIZE = 4
};

// A float32 / float64 bit pattern between host and network (big-endian) order, on any
// host byte order (hosts whose doubles mix word orders are refused at compile time).
// Each is its own inverse: src and dst are raw bytes, so NaN payloads survive.
void floatToNet(const void* src, void* dst);
void doubleToNet(const void* src, void* dst);

NetBuffer entityIdentifierToNet(const EntityIdentifier& value);
NetBuffer entityTypeToNet(const EntityType& value);
NetBuffer forceIdentifierToNet(const ForceIdentifier& value);
NetBuffer worldLocationToNet(const WorldLocation& value);
NetBuffer vectorToNet(const Vector3f& value);
NetBuffer clockTimeToNet(const ClockTime& value);
NetBuffer uint8ToNet(uint8_t value);
NetBuffer uint16ToNet(uint16_t value);
NetBuffer uint32ToNet(uint32_t value);
// Always 88 bytes; members the algorithm does not carry are left zero.
// Logs "Double X/Y/Z" lines under "spatialToNet()" while the manager has a log stream.
NetBuffer spatialToNet(const Spatial& value);
NetBuffer markingToNet(const Marking& value);
NetBuffer damageStateToNet(DamageState value);

bool netToEntityIdentifier(const char* data, std::size_t length, EntityIdentifier& out);
bool netToEntityType(const char* data, std::size_t length, EntityType& out);
bool netToForceIdentifier(const char* data, std::size_t length, ForceIdentifier& out);
bool netToWorldLocation(const char* data, std::size_t length, WorldLocation& out);
bool netToVector(const char* data, std::size_t length, Vector3f& out);
bool netToClockTime(const char* data, std::size_t length, ClockTime& out);
bool netToUInt16(const char* data, std::size_t length, uint16_t& out);
bool netToUInt32(const char* data, std::size_t length, uint32_t& out);
// Any encoding byte is kept; the characters are copied as sent.
bool netToMarking(const char* data, std::size_t length, Marking& out);
// Refuses values other than NoDamage, SlightDamage, ModerateDamage and Destroyed.
bool netToDamageState(const char* data, std::size_t length, DamageState& out);

// An RTIobjectId (object instance name) as sent: the characters and one terminating
// NUL; a name that already ends in a NUL is sent as it is.
std::string objectIdentifierToNet(const std::string& name);
// EventIdentifierStruct: EventCount (uint16), then the issuing object's RTIobjectId.
std::string eventIdentifierToNet(uint16_t eventCount, const std::string& issuingObject);

// An ASCII marking of the first 11 characters of `text` (NUL-padded); bytes outside
// printable ASCII become '?', since peers show the marking as it stands.
Marking asciiMarking(const char* text);
// The marking's characters up to the first NUL, bytes outside printable ASCII as '?':
// safe to print on one line.
std::string markingText(const Marking& value);
// "NoDamage", "SlightDamage", "ModerateDamage", "Destroyed"; "Unknown" otherwise.
const char* damageStateName(DamageState value);

// Bytes of a Spatial that carry data for `algorithm` (48, 60, 72 or 84), 0 when the
// algorithm has no wire alternative.
std::size_t spatialCarriedSize(DeadReckoningAlgorithm algorithm);

enum class SpatialDecode { Ok, TooShort, BadAlgorithm };

// Accepts values holding at least the carried bytes of their algorithm (peers send
// 48/60/72/84 bytes, this federate 88). Members not carried are zero in `out`.
SpatialDecode netToSpatial(const char* data, std::size_t length, Spatial& out);

#endif
