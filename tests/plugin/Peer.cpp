#include "Peer.h"

#include <cstring>
#include <memory>

namespace {

void put16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v >> 8));
    s.push_back(static_cast<char>(v & 0xFF));
}

void put32(std::string& s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v >> 16));
    put16(s, static_cast<uint16_t>(v & 0xFFFF));
}

void putFloat(std::string& s, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(s, bits);
}

void putDouble(std::string& s, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    put32(s, static_cast<uint32_t>(bits >> 32));
    put32(s, static_cast<uint32_t>(bits & 0xFFFFFFFFu));
}

}  // namespace

uint16_t be16(const std::string& s, size_t at) {
    return static_cast<uint16_t>((static_cast<unsigned char>(s.at(at)) << 8) | static_cast<unsigned char>(s.at(at + 1)));
}

uint32_t be32(const std::string& s, size_t at) {
    return (static_cast<uint32_t>(be16(s, at)) << 16) | be16(s, at + 2);
}

double beDouble(const std::string& s, size_t at) {
    uint64_t bits = (static_cast<uint64_t>(be32(s, at)) << 32) | be32(s, at + 4);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

float beFloat(const std::string& s, size_t at) {
    uint32_t bits = be32(s, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

Peer::~Peer() {
    try {
        resign();
    } catch (...) {
    }
}

void Peer::join(const std::string& name, bool create) {
    federation = name;
    if (create) {
        try {
            rti.createFederationExecution(name.c_str(), "XP_Federation.fed");
            created = true;
        } catch (RTI::FederationExecutionAlreadyExists&) {
        }
    }
    rti.joinFederationExecution("Peer", name.c_str(), this);
    joined = true;
}

void Peer::resign() {
    if (joined) {
        rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        joined = false;
    }
    // Whoever is last out removes the execution; others may still be joined.
    if (!federation.empty()) {
        try {
            rti.destroyFederationExecution(federation.c_str());
        } catch (RTI::Exception&) {
        }
        federation.clear();
    }
}

void Peer::subscribeAircraft() {
    aircraftClass = rti.getObjectClassHandle("BaseEntity.PhysicalEntity.Platform.Aircraft");
    entityIdentifierHandle = rti.getAttributeHandle("EntityIdentifier", aircraftClass);
    entityTypeHandle = rti.getAttributeHandle("EntityType", aircraftClass);
    spatialHandle = rti.getAttributeHandle("Spatial", aircraftClass);
    forceIdentifierHandle = rti.getAttributeHandle("ForceIdentifier", aircraftClass);
    markingHandle = rti.getAttributeHandle("Marking", aircraftClass);
    damageStateHandle = rti.getAttributeHandle("DamageState", aircraftClass);
    std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(6));
    set->add(entityIdentifierHandle);
    set->add(entityTypeHandle);
    set->add(spatialHandle);
    set->add(forceIdentifierHandle);
    set->add(markingHandle);
    set->add(damageStateHandle);
    rti.subscribeObjectClassAttributes(aircraftClass, *set, RTI::RTI_TRUE);
}

void Peer::publishInteractions() {
    detonationClass = rti.getInteractionClassHandle("MunitionDetonation");
    startResumeClass = rti.getInteractionClassHandle("StartResume");
    rti.publishInteractionClass(detonationClass);
    rti.publishInteractionClass(startResumeClass);
}

void Peer::tick(int times) {
    for (int i = 0; i < times; ++i) rti.tick();
}

void Peer::send(const Detonation& d) {
    std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(7));
    std::string location, code, target, relative;
    if (d.hasLocation) {
        for (double v : d.location) putDouble(location, v);
        set->add(rti.getParameterHandle("DetonationLocation", detonationClass), location.data(), 24);
    }
    if (d.resultCode >= 0) {
        if (d.resultCodeOneByte) {
            code.push_back(static_cast<char>(d.resultCode));
        } else {
            put16(code, static_cast<uint16_t>(d.resultCode));
        }
        set->add(rti.getParameterHandle("DetonationResultCode", detonationClass), code.data(),
                 static_cast<RTI::ULong>(code.size()));
    }
    if (d.hasTarget) {
        target = d.target;
        if (d.targetWithNul) target.push_back('\0');
        set->add(rti.getParameterHandle("TargetObjectIdentifier", detonationClass), target.data(),
                 static_cast<RTI::ULong>(target.size()));
    }
    if (d.hasRelative) {
        for (float v : d.relative) putFloat(relative, v);
        set->add(rti.getParameterHandle("RelativeDetonationLocation", detonationClass), relative.data(), 12);
    }
    rti.sendInteraction(detonationClass, *set, "peer");
}

void Peer::send(const StartResume& s) {
    std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(5));
    std::string receiver, time, origin;
    put16(origin, 7);
    put16(origin, 7);
    put16(origin, 7);
    set->add(rti.getParameterHandle("OriginatingEntity", startResumeClass), origin.data(), 6);
    if (s.hasReceiver) {
        for (uint16_t v : s.receiver) put16(receiver, v);
        set->add(rti.getParameterHandle("ReceivingEntity", startResumeClass), receiver.data(), 6);
    }
    if (s.hasSimulationTime) {
        put32(time, static_cast<uint32_t>(s.hours));
        put32(time, s.timePastTheHour);
        set->add(rti.getParameterHandle("SimulationTime", startResumeClass), time.data(), 8);
    }
    rti.sendInteraction(startResumeClass, *set, "peer");
}

void Peer::requestUpdate(RTI::ObjectHandle object) {
    std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(4));
    set->add(entityIdentifierHandle);
    set->add(entityTypeHandle);
    set->add(spatialHandle);
    set->add(forceIdentifierHandle);
    rti.requestObjectAttributeValueUpdate(object, *set);
}

int Peer::spatialCount() const {
    int n = 0;
    for (const Reflection& r : reflections) n += r.values.count(spatialHandle) ? 1 : 0;
    return n;
}

void Peer::discoverObjectInstance(RTI::ObjectHandle object, RTI::ObjectClassHandle objectClass, const char* name) {
    discoveries.push_back(Discovery{object, objectClass, name ? name : ""});
}

void Peer::reflectAttributeValues(RTI::ObjectHandle object, const RTI::AttributeHandleValuePairSet& values,
                                  const char* tag) {
    Reflection r;
    r.object = object;
    r.tag = tag ? tag : "";
    for (RTI::ULong i = 0; i < values.size(); ++i) {
        RTI::ULong length = 0;
        char* data = values.getValuePointer(i, length);
        r.values[values.getHandle(i)] = std::string(data, length);
    }
    reflections.push_back(r);
}

void Peer::reflectAttributeValues(RTI::ObjectHandle object, const RTI::AttributeHandleValuePairSet& values,
                                  const RTI::FedTime&, const char* tag, RTI::EventRetractionHandle) {
    reflectAttributeValues(object, values, tag);
}

void Peer::removeObjectInstance(RTI::ObjectHandle object, const char*) { removals.push_back(object); }

void Peer::removeObjectInstance(RTI::ObjectHandle object, const RTI::FedTime&, const char* tag,
                                RTI::EventRetractionHandle) {
    removeObjectInstance(object, tag);
}
