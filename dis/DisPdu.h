// DIS (IEEE 1278.1) PDUs VOLAX speaks: Entity State, Detonation and Start/Resume, in
// protocol versions 7 (1278.1-2012) and 6 (1278.1a-1998), whose layouts of these three
// PDUs agree byte for byte (version 7 names the header's 11th byte the PDU status).
//
// Wire: big-endian, packed. The values are the RPR ones (rpr/RPRValues.h): the RPR FOM is
// DIS's image in HLA, so identifiers, entity types, world coordinates, orientations, dead
// reckoning algorithms, markings and clock times pass unchanged.
//
// Decoding trusts nothing: the datagram's length must equal the header's length field,
// and that must equal the PDU's fixed size plus 16 bytes per variable parameter it
// counts; anything else is refused with a reason before a field is read. Other PDU
// types and protocol families are Ignored. Encoders write into a caller's buffer and
// return the bytes written, 0 when it is too small.
#ifndef VOLAX_DIS_DISPDU_H
#define VOLAX_DIS_DISPDU_H

#include <cstddef>
#include <cstdint>

#include "RPRValues.h"

namespace dis {

enum : uint8_t { VERSION_6 = 6, VERSION_7 = 7 };
enum : uint8_t { PDU_ENTITY_STATE = 1, PDU_DETONATION = 3, PDU_START_RESUME = 13 };
enum : uint8_t { FAMILY_ENTITY_INFORMATION = 1, FAMILY_WARFARE = 2, FAMILY_SIMULATION_MANAGEMENT = 5 };

enum : std::size_t {
    HEADER_SIZE = 12,
    ENTITY_STATE_SIZE = 144,
    DETONATION_SIZE = 104,
    START_RESUME_SIZE = 44,
    VARIABLE_PARAMETER_SIZE = 16,
    MAX_PDU_SIZE = 8192  // the largest PDU the standard allows
};

// Entity numbers with a meaning of their own.
enum : uint16_t { NO_ENTITY = 0, ALL_ENTITIES = 65535 };

struct PduHeader {
    uint8_t version = VERSION_7;
    uint8_t exercise = 1;
    uint8_t type = 0;
    uint8_t family = 0;
    uint32_t timestamp = 0;
    uint16_t length = 0;
    uint8_t status = 0;  // version 7; 0 in version 6
};

struct EntityStatePdu {
    EntityIdentifier entityIdentifier{};
    ForceIdentifier force = 0;
    uint8_t variableParameters = 0;  // counted and skipped on receipt; none sent
    EntityType entityType{};
    EntityType alternativeType{};
    Vector3f linearVelocity{};
    WorldLocation location{};
    Vector3f orientation{};  // psi, theta, phi
    uint32_t appearance = 0;
    DeadReckoningAlgorithm algorithm = DRM_OTHER;
    uint8_t otherParameters[15] = {};
    Vector3f linearAcceleration{};
    Vector3f angularVelocity{};
    Marking marking{};
    uint32_t capabilities = 0;
};

struct EventIdentifier {
    uint16_t site = 0, application = 0, eventNumber = 0;
};

struct DetonationPdu {
    EntityIdentifier firing{};
    EntityIdentifier target{};
    EntityIdentifier munition{};
    EventIdentifier event{};
    Vector3f velocity{};
    WorldLocation location{};
    EntityType munitionType{};
    uint16_t warhead = 0, fuse = 0, quantity = 0, rate = 0;
    Vector3f relativeLocation{};  // in the target's body coordinates
    uint8_t result = 0;           // the RPR DetonationResultCode
    uint8_t variableParameters = 0;
};

struct StartResumePdu {
    EntityIdentifier originating{};
    EntityIdentifier receiving{};
    ClockTime realWorldTime{};
    ClockTime simulationTime{};
    uint32_t requestIdentifier = 0;
};

enum class Decode { Ok, TooShort, LengthMismatch, BadVersion, Ignored, BadParameterCount };
const char* decodeName(Decode result);

// One received PDU: the header and the member its type names.
struct Pdu {
    PduHeader header;
    EntityStatePdu entityState;
    DetonationPdu detonation;
    StartResumePdu startResume;
};

Decode decodePdu(const uint8_t* data, std::size_t length, Pdu& out);

// `header` gives version, exercise, timestamp and status; type, family and length are set here.
std::size_t encodeEntityState(const PduHeader& header, const EntityStatePdu& pdu, uint8_t* out, std::size_t capacity);
std::size_t encodeDetonation(const PduHeader& header, const DetonationPdu& pdu, uint8_t* out, std::size_t capacity);
std::size_t encodeStartResume(const PduHeader& header, const StartResumePdu& pdu, uint8_t* out,
                              std::size_t capacity);

// Appearance of a platform: damage in bits 3-4, frozen bit 21.
uint32_t platformAppearance(DamageState damage, bool frozen);
DamageState appearanceDamage(uint32_t appearance);
bool appearanceFrozen(uint32_t appearance);

// The RPR Spatial an Entity State PDU carries, and back. The frozen bit of the
// appearance is the Spatial's IsFrozen.
Spatial spatialOf(const EntityStatePdu& pdu);
void setSpatial(EntityStatePdu& pdu, const Spatial& spatial);

// A DIS time stamp: bits 31..1 count units of 3600/2^31 s past the hour, bit 0 set
// for absolute time. `secondsPastHour` outside [0, 3600) is taken modulo the hour.
uint32_t timestamp(double secondsPastHour, bool absolute);

}  // namespace dis

#endif
