// Feeds arbitrary bytes, as another federate could send them, to every value decoder,
// to the aircraft reflection and to both interaction receivers.
//
// Input: byte 0 selects the target, then records of [handle selector][length][bytes].
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "QVHLAAircraftObject.h"
#include "QVHLAManager.h"
#include "QVHLAMunitionDetonationInteraction.h"
#include "QVHLAStartResumeInteraction.h"
#include "RPRValues.h"
#include "TimeStamp.h"

namespace {

class Aircraft : public QVHLAAircraftObject {
public:
    QVHLARootObject* newInstance() override { return new Aircraft(); }
};

void setHandles() {
    QVHLAAircraftObject::classHandle = 1;
    QVHLAAircraftObject::entityIdentifierHandle = 0;
    QVHLAAircraftObject::entityTypeHandle = 1;
    QVHLAAircraftObject::spatialHandle = 2;
    QVHLAAircraftObject::forceIdentifierHandle = 3;
    QVHLAAircraftObject::markingHandle = 4;
    QVHLAAircraftObject::damageStateHandle = 5;
    QVHLAMunitionDetonationInteraction::classHandle = 2;
    QVHLAMunitionDetonationInteraction::detonationLocationHandle = 0;
    QVHLAMunitionDetonationInteraction::detonationResultCodeHandle = 1;
    QVHLAMunitionDetonationInteraction::finalVelocityVectorHandle = 2;
    QVHLAMunitionDetonationInteraction::fuseTypeHandle = 3;
    QVHLAMunitionDetonationInteraction::relativeDetonationLocationHandle = 4;
    QVHLAMunitionDetonationInteraction::targetObjectIdentifierHandle = 5;
    QVHLAMunitionDetonationInteraction::warheadTypeHandle = 6;
    QVHLAStartResumeInteraction::classHandle = 3;
    QVHLAStartResumeInteraction::originatingEntityHandle = 0;
    QVHLAStartResumeInteraction::realWorldTimeHandle = 1;
    QVHLAStartResumeInteraction::receivingEntityHandle = 2;
    QVHLAStartResumeInteraction::requestIdentifierHandle = 3;
    QVHLAStartResumeInteraction::simulationTimeHandle = 4;
}

// Each value is copied into a buffer of exactly its length, so a read past it is caught.
void decodeAll(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    const char* p = size ? copy.get() : nullptr;
    EntityIdentifier ei;
    netToEntityIdentifier(p, size, ei);
    EntityType et;
    netToEntityType(p, size, et);
    ForceIdentifier fi;
    netToForceIdentifier(p, size, fi);
    WorldLocation wl;
    netToWorldLocation(p, size, wl);
    Vector3f v;
    netToVector(p, size, v);
    ClockTime ct;
    netToClockTime(p, size, ct);
    uint16_t u16;
    netToUInt16(p, size, u16);
    uint32_t u32;
    netToUInt32(p, size, u32);
    Marking m;
    if (netToMarking(p, size, m)) markingText(m);
    DamageState d;
    netToDamageState(p, size, d);
    // The user-supplied tag: a C string of any content.
    std::string tag(p ? p : "", size);
    rpr::TimeStamp stamp;
    double age;
    if (rpr::parseTimeStampTag(tag.c_str(), stamp)) rpr::plausibleAge(stamp, 1799.5, age);
    Spatial s;
    if (netToSpatial(p, size, s) == SpatialDecode::Ok) {
        // A decoded value encodes again without trouble.
        NetBuffer again = spatialToNet(s);
        (void)again;
    }
}

template <class Set>
void fill(Set& set, const uint8_t* data, size_t size) {
    size_t i = 0;
    while (i + 2 <= size) {
        const RTI::Handle h = data[i] % 9;
        size_t len = data[i + 1];
        i += 2;
        if (len > size - i) len = size - i;
        set.add(h, reinterpret_cast<const char*>(data + i), static_cast<RTI::ULong>(len));
        i += len;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        setHandles();
        // Log lines are formatted too, as they would be with a trace stream.
        QVHLAManager::getInstance()->setLogFile(std::fopen("/dev/null", "w"));
        return true;
    }();
    (void)once;
    if (size == 0) return 0;
    const uint8_t selector = data[0] % 4;
    ++data;
    --size;
    switch (selector) {
    case 0:
        decodeAll(data, size);
        break;
    case 1: {
        std::unique_ptr<RTI::AttributeHandleValuePairSet> set(RTI::AttributeSetFactory::create(4));
        fill(*set, data, size);
        Aircraft a;
        a.reflectAttributes(*set, "fuzz");
        break;
    }
    case 2: {
        std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(7));
        fill(*set, data, size);
        QVHLAMunitionDetonationInteraction d;
        d.receiveInteraction(*set, "fuzz");
        d.receiveInteraction(*set, "fuzz");
        break;
    }
    case 3: {
        std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(5));
        fill(*set, data, size);
        QVHLAStartResumeInteraction s;
        s.receiveInteraction(*set, "fuzz");
        break;
    }
    }
    return 0;
}
