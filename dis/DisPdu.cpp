#include "DisPdu.h"

#include <cmath>
#include <cstring>

namespace dis {

namespace {

// Bounds are checked once per PDU before a Reader or Writer is made: these only walk.
struct Writer {
    uint8_t* p;
    void u8(uint8_t v) { *p++ = v; }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v >> 8));
        u8(static_cast<uint8_t>(v));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v >> 16));
        u16(static_cast<uint16_t>(v));
    }
    void u64(uint64_t v) {
        u32(static_cast<uint32_t>(v >> 32));
        u32(static_cast<uint32_t>(v));
    }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void f64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        u64(bits);
    }
    void bytes(const void* src, std::size_t n) {
        std::memcpy(p, src, n);
        p += n;
    }
    void zeros(std::size_t n) {
        std::memset(p, 0, n);
        p += n;
    }
    void id(const EntityIdentifier& v) {
        u16(v.site);
        u16(v.application);
        u16(v.entityNumber);
    }
    void type(const EntityType& v) {
        u8(v.kind);
        u8(v.domain);
        u16(v.country);
        u8(v.category);
        u8(v.subcategory);
        u8(v.specific);
        u8(v.extra);
    }
    void vec(const Vector3f& v) {
        f32(v.x);
        f32(v.y);
        f32(v.z);
    }
    void world(const WorldLocation& v) {
        f64(v.x);
        f64(v.y);
        f64(v.z);
    }
    void clock(const ClockTime& v) {
        u32(static_cast<uint32_t>(v.hours));
        u32(v.timePastTheHour);
    }
};

struct Reader {
    const uint8_t* p;
    uint8_t u8() { return *p++; }
    uint16_t u16() {
        uint16_t v = static_cast<uint16_t>(p[0] << 8 | p[1]);
        p += 2;
        return v;
    }
    uint32_t u32() {
        uint32_t hi = u16();
        return hi << 16 | u16();
    }
    uint64_t u64() {
        uint64_t hi = u32();
        return hi << 32 | u32();
    }
    float f32() {
        uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    double f64() {
        uint64_t bits = u64();
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    void bytes(void* dst, std::size_t n) {
        std::memcpy(dst, p, n);
        p += n;
    }
    void skip(std::size_t n) { p += n; }
    EntityIdentifier id() {
        EntityIdentifier v;
        v.site = u16();
        v.application = u16();
        v.entityNumber = u16();
        return v;
    }
    EntityType type() {
        EntityType v;
        v.kind = u8();
        v.domain = u8();
        v.country = u16();
        v.category = u8();
        v.subcategory = u8();
        v.specific = u8();
        v.extra = u8();
        return v;
    }
    Vector3f vec() {
        Vector3f v;
        v.x = f32();
        v.y = f32();
        v.z = f32();
        return v;
    }
    WorldLocation world() {
        WorldLocation v;
        v.x = f64();
        v.y = f64();
        v.z = f64();
        return v;
    }
    ClockTime clock() {
        ClockTime v;
        v.hours = static_cast<int32_t>(u32());
        v.timePastTheHour = u32();
        return v;
    }
};

std::size_t writeHeader(Writer& w, const PduHeader& h, uint8_t type, uint8_t family, std::size_t length) {
    w.u8(h.version);
    w.u8(h.exercise);
    w.u8(type);
    w.u8(family);
    w.u32(h.timestamp);
    w.u16(static_cast<uint16_t>(length));
    w.u8(h.version >= VERSION_7 ? h.status : 0);
    w.u8(0);
    return length;
}

}  // namespace

const char* decodeName(Decode result) {
    switch (result) {
    case Decode::Ok: return "ok";
    case Decode::TooShort: return "shorter than its PDU";
    case Decode::LengthMismatch: return "length field disagrees with the datagram";
    case Decode::BadVersion: return "protocol version neither 6 nor 7";
    case Decode::Ignored: return "PDU type not read";
    case Decode::BadParameterCount: return "variable parameters do not fill the PDU";
    }
    return "unknown";
}

Decode decodePdu(const uint8_t* data, std::size_t length, Pdu& out) {
    if (!data || length < HEADER_SIZE) return Decode::TooShort;
    Reader r{data};
    PduHeader h;
    h.version = r.u8();
    h.exercise = r.u8();
    h.type = r.u8();
    h.family = r.u8();
    h.timestamp = r.u32();
    h.length = r.u16();
    h.status = r.u8();
    r.skip(1);
    if (h.length != length) return Decode::LengthMismatch;
    if (h.version != VERSION_6 && h.version != VERSION_7) return Decode::BadVersion;
    if (h.version == VERSION_6) h.status = 0;

    if (h.type == PDU_ENTITY_STATE && h.family == FAMILY_ENTITY_INFORMATION) {
        if (length < ENTITY_STATE_SIZE) return Decode::TooShort;
        EntityStatePdu& e = out.entityState;
        e.entityIdentifier = r.id();
        e.force = r.u8();
        e.variableParameters = r.u8();
        if (length != ENTITY_STATE_SIZE + VARIABLE_PARAMETER_SIZE * e.variableParameters)
            return Decode::BadParameterCount;
        e.entityType = r.type();
        e.alternativeType = r.type();
        e.linearVelocity = r.vec();
        e.location = r.world();
        e.orientation = r.vec();
        e.appearance = r.u32();
        e.algorithm = r.u8();
        r.bytes(e.otherParameters, sizeof e.otherParameters);
        e.linearAcceleration = r.vec();
        e.angularVelocity = r.vec();
        e.marking.encoding = r.u8();
        r.bytes(e.marking.characters, MARKING_CHARACTERS);
        e.capabilities = r.u32();
    } else if (h.type == PDU_DETONATION && h.family == FAMILY_WARFARE) {
        if (length < DETONATION_SIZE) return Decode::TooShort;
        DetonationPdu& d = out.detonation;
        d.firing = r.id();
        d.target = r.id();
        d.munition = r.id();
        d.event.site = r.u16();
        d.event.application = r.u16();
        d.event.eventNumber = r.u16();
        d.velocity = r.vec();
        d.location = r.world();
        d.munitionType = r.type();
        d.warhead = r.u16();
        d.fuse = r.u16();
        d.quantity = r.u16();
        d.rate = r.u16();
        d.relativeLocation = r.vec();
        d.result = r.u8();
        d.variableParameters = r.u8();
        if (length != DETONATION_SIZE + VARIABLE_PARAMETER_SIZE * d.variableParameters)
            return Decode::BadParameterCount;
    } else if (h.type == PDU_START_RESUME && h.family == FAMILY_SIMULATION_MANAGEMENT) {
        if (length != START_RESUME_SIZE) return length < START_RESUME_SIZE ? Decode::TooShort
                                                                           : Decode::BadParameterCount;
        StartResumePdu& s = out.startResume;
        s.originating = r.id();
        s.receiving = r.id();
        s.realWorldTime = r.clock();
        s.simulationTime = r.clock();
        s.requestIdentifier = r.u32();
    } else {
        return Decode::Ignored;
    }
    out.header = h;
    return Decode::Ok;
}

std::size_t encodeEntityState(const PduHeader& header, const EntityStatePdu& e, uint8_t* out, std::size_t capacity) {
    if (!out || capacity < ENTITY_STATE_SIZE) return 0;
    Writer w{out};
    writeHeader(w, header, PDU_ENTITY_STATE, FAMILY_ENTITY_INFORMATION, ENTITY_STATE_SIZE);
    w.id(e.entityIdentifier);
    w.u8(e.force);
    w.u8(0);
    w.type(e.entityType);
    w.type(e.alternativeType);
    w.vec(e.linearVelocity);
    w.world(e.location);
    w.vec(e.orientation);
    w.u32(e.appearance);
    w.u8(e.algorithm);
    w.bytes(e.otherParameters, sizeof e.otherParameters);
    w.vec(e.linearAcceleration);
    w.vec(e.angularVelocity);
    w.u8(e.marking.encoding);
    w.bytes(e.marking.characters, MARKING_CHARACTERS);
    w.u32(e.capabilities);
    return ENTITY_STATE_SIZE;
}

std::size_t encodeDetonation(const PduHeader& header, const DetonationPdu& d, uint8_t* out, std::size_t capacity) {
    if (!out || capacity < DETONATION_SIZE) return 0;
    Writer w{out};
    writeHeader(w, header, PDU_DETONATION, FAMILY_WARFARE, DETONATION_SIZE);
    w.id(d.firing);
    w.id(d.target);
    w.id(d.munition);
    w.u16(d.event.site);
    w.u16(d.event.application);
    w.u16(d.event.eventNumber);
    w.vec(d.velocity);
    w.world(d.location);
    w.type(d.munitionType);
    w.u16(d.warhead);
    w.u16(d.fuse);
    w.u16(d.quantity);
    w.u16(d.rate);
    w.vec(d.relativeLocation);
    w.u8(d.result);
    w.u8(0);
    w.zeros(2);
    return DETONATION_SIZE;
}

std::size_t encodeStartResume(const PduHeader& header, const StartResumePdu& s, uint8_t* out,
                              std::size_t capacity) {
    if (!out || capacity < START_RESUME_SIZE) return 0;
    Writer w{out};
    writeHeader(w, header, PDU_START_RESUME, FAMILY_SIMULATION_MANAGEMENT, START_RESUME_SIZE);
    w.id(s.originating);
    w.id(s.receiving);
    w.clock(s.realWorldTime);
    w.clock(s.simulationTime);
    w.u32(s.requestIdentifier);
    return START_RESUME_SIZE;
}

uint32_t platformAppearance(DamageState damage, bool frozen) {
    return (static_cast<uint32_t>(damage & 3u) << 3) | (frozen ? 1u << 21 : 0u);
}

DamageState appearanceDamage(uint32_t appearance) { return (appearance >> 3) & 3u; }
bool appearanceFrozen(uint32_t appearance) { return (appearance >> 21) & 1u; }

Spatial spatialOf(const EntityStatePdu& pdu) {
    Spatial s{};
    s.algorithm = pdu.algorithm;
    s.worldLocation = pdu.location;
    s.isFrozen = appearanceFrozen(pdu.appearance) ? 1 : 0;
    s.orientation = pdu.orientation;
    s.velocity = pdu.linearVelocity;
    s.acceleration = pdu.linearAcceleration;
    s.angularVelocity = pdu.angularVelocity;
    return s;
}

void setSpatial(EntityStatePdu& pdu, const Spatial& s) {
    pdu.algorithm = s.algorithm;
    pdu.location = s.worldLocation;
    pdu.orientation = s.orientation;
    pdu.linearVelocity = s.velocity;
    pdu.linearAcceleration = s.acceleration;
    pdu.angularVelocity = s.angularVelocity;
    pdu.appearance = (pdu.appearance & ~(1u << 21)) | (s.isFrozen ? 1u << 21 : 0u);
}

uint32_t timestamp(double secondsPastHour, bool absolute) {
    double s = std::fmod(secondsPastHour, 3600.0);
    if (!(s >= 0)) s = s < 0 ? s + 3600.0 : 0.0;  // negative, or NaN
    double units = s * (2147483648.0 / 3600.0);
    if (units > 2147483647.0) units = 2147483647.0;
    return (static_cast<uint32_t>(units) << 1) | (absolute ? 1u : 0u);
}

}  // namespace dis
