#include "RPRValues.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "QVHLAManager.h"

namespace {

NetBuffer zeroBuffer(std::size_t size) {
    return NetBuffer(new char[size]());
}

// Network byte order by shifts: the same on every host, no socket header needed.
void putU16(char* dst, uint16_t v) {
    dst[0] = static_cast<char>(v >> 8);
    dst[1] = static_cast<char>(v);
}

void putU32(char* dst, uint32_t v) {
    for (int i = 0; i < 4; ++i) dst[i] = static_cast<char>(v >> (24 - 8 * i));
}

uint16_t getU16(const char* src) {
    auto b = reinterpret_cast<const unsigned char*>(src);
    return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

uint32_t getU32(const char* src) {
    auto b = reinterpret_cast<const unsigned char*>(src);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

void putVector(char* dst, const Vector3f& v) {
    floatToNet(&v.x, dst);
    floatToNet(&v.y, dst + 4);
    floatToNet(&v.z, dst + 8);
}

Vector3f getVector(const char* src) {
    Vector3f v;
    floatToNet(src, &v.x);
    floatToNet(src + 4, &v.y);
    floatToNet(src + 8, &v.z);
    return v;
}

WorldLocation getWorldLocation(const char* src) {
    WorldLocation w;
    doubleToNet(src, &w.x);
    doubleToNet(src + 8, &w.y);
    doubleToNet(src + 16, &w.z);
    return w;
}

bool carriesVelocity(DeadReckoningAlgorithm a) { return a >= 2 && a <= 9; }
bool carriesAcceleration(DeadReckoningAlgorithm a) { return a == 4 || a == 5 || a == 8 || a == 9; }

}  // namespace

// The bit pattern is taken as an integer and written out most significant byte first,
// which is big-endian whatever the host's byte order (a swap of the two 32-bit halves
// would be wrong on a big-endian host). Reading a pattern from big-endian bytes is the
// same permutation, so each function is its own inverse.
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4, "float must be IEEE 754 binary32");
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8, "double must be IEEE 754 binary64");
#if defined(__FLOAT_WORD_ORDER__) && defined(__BYTE_ORDER__) && __FLOAT_WORD_ORDER__ != __BYTE_ORDER__
#error "doubles whose word order differs from the integer byte order are not supported"
#endif

// Spelled out byte by byte: the compiler merges the stores into one byte swap,
// which it does not for the loop (every received Spatial passes here 12 times).
void floatToNet(const void* src, void* dst) {
    uint32_t bits;
    std::memcpy(&bits, src, 4);
    const unsigned char out[4] = {static_cast<unsigned char>(bits >> 24), static_cast<unsigned char>(bits >> 16),
                                  static_cast<unsigned char>(bits >> 8), static_cast<unsigned char>(bits)};
    std::memcpy(dst, out, 4);
}

void doubleToNet(const void* src, void* dst) {
    uint64_t bits;
    std::memcpy(&bits, src, 8);
    const unsigned char out[8] = {static_cast<unsigned char>(bits >> 56), static_cast<unsigned char>(bits >> 48),
                                  static_cast<unsigned char>(bits >> 40), static_cast<unsigned char>(bits >> 32),
                                  static_cast<unsigned char>(bits >> 24), static_cast<unsigned char>(bits >> 16),
                                  static_cast<unsigned char>(bits >> 8),  static_cast<unsigned char>(bits)};
    std::memcpy(dst, out, 8);
}

NetBuffer entityIdentifierToNet(const EntityIdentifier& value) {
    NetBuffer b = zeroBuffer(ENTITY_IDENTIFIER_SIZE);
    putU16(&b[0], value.site);
    putU16(&b[2], value.application);
    putU16(&b[4], value.entityNumber);
    return b;
}

NetBuffer entityTypeToNet(const EntityType& value) {
    NetBuffer b = zeroBuffer(ENTITY_TYPE_SIZE);
    b[0] = static_cast<char>(value.kind);
    b[1] = static_cast<char>(value.domain);
    putU16(&b[2], value.country);
    b[4] = static_cast<char>(value.category);
    b[5] = static_cast<char>(value.subcategory);
    b[6] = static_cast<char>(value.specific);
    b[7] = static_cast<char>(value.extra);
    return b;
}

NetBuffer forceIdentifierToNet(const ForceIdentifier& value) {
    NetBuffer b = zeroBuffer(FORCE_IDENTIFIER_SIZE);
    b[0] = static_cast<char>(value);
    return b;
}

NetBuffer worldLocationToNet(const WorldLocation& value) {
    NetBuffer b = zeroBuffer(WORLD_LOCATION_SIZE);
    doubleToNet(&value.x, &b[0]);
    doubleToNet(&value.y, &b[8]);
    doubleToNet(&value.z, &b[16]);
    return b;
}

NetBuffer vectorToNet(const Vector3f& value) {
    NetBuffer b = zeroBuffer(VECTOR_SIZE);
    putVector(&b[0], value);
    return b;
}

NetBuffer clockTimeToNet(const ClockTime& value) {
    NetBuffer b = zeroBuffer(CLOCK_TIME_SIZE);
    putU32(&b[0], static_cast<uint32_t>(value.hours));
    putU32(&b[4], value.timePastTheHour);
    return b;
}

NetBuffer uint8ToNet(uint8_t value) {
    NetBuffer b = zeroBuffer(1);
    b[0] = static_cast<char>(value);
    return b;
}

NetBuffer uint16ToNet(uint16_t value) {
    NetBuffer b = zeroBuffer(2);
    putU16(&b[0], value);
    return b;
}

NetBuffer uint32ToNet(uint32_t value) {
    NetBuffer b = zeroBuffer(4);
    putU32(&b[0], value);
    return b;
}

NetBuffer spatialToNet(const Spatial& value) {
    NetBuffer b = zeroBuffer(SPATIAL_SIZE);
    b[0] = static_cast<char>(value.algorithm);

    // Without a manager there is no log stream; do not create one just to ask.
    QVHLAManager* manager = QVHLAManager::existingInstance();
    const double* coords[3] = {&value.worldLocation.x, &value.worldLocation.y, &value.worldLocation.z};
    const char axis[3] = {'X', 'Y', 'Z'};
    for (int i = 0; i < 3; ++i) {
        char* dst = &b[8 + 8 * i];
        doubleToNet(coords[i], dst);
        if (manager && manager->getLogFile()) {
            double reversed;
            std::memcpy(&reversed, dst, 8);
            char text[128];
            std::snprintf(text, sizeof text, "Double %c: %f -> %f", axis[i], *coords[i], reversed);
            manager->logMessage("spatialToNet()", text);
        }
    }

    b[32] = static_cast<char>(value.isFrozen);
    putVector(&b[36], value.orientation);

    const DeadReckoningAlgorithm a = value.algorithm;
    if (a != DRM_STATIC && carriesVelocity(a)) {
        putVector(&b[48], value.velocity);
        if (carriesAcceleration(a)) {
            putVector(&b[60], value.acceleration);
            if (a == DRM_RVW || a == DRM_RVB) putVector(&b[72], value.angularVelocity);
        } else if (a == DRM_RPW || a == DRM_RPB) {
            putVector(&b[60], value.angularVelocity);
        }
    }
    return b;
}

NetBuffer markingToNet(const Marking& value) {
    NetBuffer b = zeroBuffer(MARKING_SIZE);
    b[0] = static_cast<char>(value.encoding);
    std::memcpy(&b[1], value.characters, MARKING_CHARACTERS);
    return b;
}

NetBuffer damageStateToNet(DamageState value) {
    return uint32ToNet(value);
}

std::string objectIdentifierToNet(const std::string& name) {
    std::string wire = name;
    if (wire.empty() || wire.back() != '\0') wire.push_back('\0');
    return wire;
}

std::string eventIdentifierToNet(uint16_t eventCount, const std::string& issuingObject) {
    char count[2];
    putU16(count, eventCount);
    return std::string(count, 2) + objectIdentifierToNet(issuingObject);
}

bool netToEntityIdentifier(const char* data, std::size_t length, EntityIdentifier& out) {
    if (!data || length < ENTITY_IDENTIFIER_SIZE) return false;
    out.site = getU16(data);
    out.application = getU16(data + 2);
    out.entityNumber = getU16(data + 4);
    return true;
}

bool netToEntityType(const char* data, std::size_t length, EntityType& out) {
    if (!data || length < ENTITY_TYPE_SIZE) return false;
    out.kind = static_cast<uint8_t>(data[0]);
    out.domain = static_cast<uint8_t>(data[1]);
    out.country = getU16(data + 2);
    out.category = static_cast<uint8_t>(data[4]);
    out.subcategory = static_cast<uint8_t>(data[5]);
    out.specific = static_cast<uint8_t>(data[6]);
    out.extra = static_cast<uint8_t>(data[7]);
    return true;
}

bool netToForceIdentifier(const char* data, std::size_t length, ForceIdentifier& out) {
    if (!data || length < FORCE_IDENTIFIER_SIZE) return false;
    out = static_cast<ForceIdentifier>(data[0]);
    return true;
}

bool netToWorldLocation(const char* data, std::size_t length, WorldLocation& out) {
    if (!data || length < WORLD_LOCATION_SIZE) return false;
    out = getWorldLocation(data);
    return true;
}

bool netToVector(const char* data, std::size_t length, Vector3f& out) {
    if (!data || length < VECTOR_SIZE) return false;
    out = getVector(data);
    return true;
}

bool netToClockTime(const char* data, std::size_t length, ClockTime& out) {
    if (!data || length < CLOCK_TIME_SIZE) return false;
    out.hours = static_cast<int32_t>(getU32(data));
    out.timePastTheHour = getU32(data + 4);
    return true;
}

bool netToUInt16(const char* data, std::size_t length, uint16_t& out) {
    if (!data || length < 2) return false;
    out = getU16(data);
    return true;
}

bool netToUInt32(const char* data, std::size_t length, uint32_t& out) {
    if (!data || length < 4) return false;
    out = getU32(data);
    return true;
}

std::size_t spatialCarriedSize(DeadReckoningAlgorithm algorithm) {
    switch (algorithm) {
    case DRM_STATIC: return 48;
    case DRM_FPW:
    case DRM_FPB: return 60;
    case DRM_RPW:
    case DRM_RPB:
    case DRM_FVW:
    case DRM_FVB: return 72;
    case DRM_RVW:
    case DRM_RVB: return 84;
    default: return 0;
    }
}

SpatialDecode netToSpatial(const char* data, std::size_t length, Spatial& out) {
    if (!data || length < 1) return SpatialDecode::TooShort;
    const DeadReckoningAlgorithm a = static_cast<DeadReckoningAlgorithm>(data[0]);
    const std::size_t needed = spatialCarriedSize(a);
    if (needed == 0) return SpatialDecode::BadAlgorithm;
    if (length < needed) return SpatialDecode::TooShort;

    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = a;
    s.worldLocation = getWorldLocation(data + 8);
    s.isFrozen = static_cast<uint8_t>(data[32]);
    s.orientation = getVector(data + 36);
    if (carriesVelocity(a) && a != DRM_STATIC) {
        s.velocity = getVector(data + 48);
        if (carriesAcceleration(a)) {
            s.acceleration = getVector(data + 60);
            if (a == DRM_RVW || a == DRM_RVB) s.angularVelocity = getVector(data + 72);
        } else if (a == DRM_RPW || a == DRM_RPB) {
            s.angularVelocity = getVector(data + 60);
        }
    }
    out = s;
    return SpatialDecode::Ok;
}

bool netToMarking(const char* data, std::size_t length, Marking& out) {
    if (!data || length < MARKING_SIZE) return false;
    out.encoding = static_cast<MarkingEncoding>(data[0]);
    std::memcpy(out.characters, data + 1, MARKING_CHARACTERS);
    return true;
}

bool netToDamageState(const char* data, std::size_t length, DamageState& out) {
    uint32_t v;
    if (!netToUInt32(data, length, v) || v > DAMAGE_DESTROYED) return false;
    out = v;
    return true;
}

namespace {
char printable(char c) {
    return (c >= 0x20 && c <= 0x7E) ? c : '?';
}
}  // namespace

Marking asciiMarking(const char* text) {
    Marking m;
    m.encoding = MARKING_ASCII;
    std::memset(m.characters, 0, MARKING_CHARACTERS);
    for (std::size_t i = 0; text && i < MARKING_CHARACTERS && text[i] != '\0'; ++i)
        m.characters[i] = printable(text[i]);
    return m;
}

std::string markingText(const Marking& value) {
    std::string s;
    for (std::size_t i = 0; i < MARKING_CHARACTERS && value.characters[i] != '\0'; ++i)
        s.push_back(printable(value.characters[i]));
    return s;
}

const char* damageStateName(DamageState value) {
    switch (value) {
    case DAMAGE_NO_DAMAGE: return "NoDamage";
    case DAMAGE_SLIGHT: return "SlightDamage";
    case DAMAGE_MODERATE: return "ModerateDamage";
    case DAMAGE_DESTROYED: return "Destroyed";
    default: return "Unknown";
    }
}
