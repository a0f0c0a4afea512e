#ifndef VOLAX_TESTS_PLUGIN_PEER_H
#define VOLAX_TESTS_PLUGIN_PEER_H

// A second federate in the test process, written on the raw HLA 1.3 API with
// its own byte encoding, the way a foreign RPR federate would talk to VOLAX.

#include <RTI.hh>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "EmptyFederateAmbassador.h"

struct Reflection {
    RTI::ObjectHandle object = 0;
    std::map<RTI::AttributeHandle, std::string> values;
    std::string tag;
};

struct Discovery {
    RTI::ObjectHandle object = 0;
    RTI::ObjectClassHandle objectClass = 0;
    std::string name;
};

// Parameters of one MunitionDetonation; absent ones are not sent.
struct Detonation {
    bool hasLocation = false;
    double location[3] = {0, 0, 0};
    int resultCode = -1;          // -1: none
    bool resultCodeOneByte = true;  // real peers send an Enum8
    bool hasTarget = false;
    std::string target;
    bool targetWithNul = true;      // real peers send a NUL-terminated name
    bool hasRelative = false;
    float relative[3] = {0, 0, 0};
};

struct StartResume {
    bool hasReceiver = false;
    uint16_t receiver[3] = {0, 0, 0};
    bool hasSimulationTime = true;
    int32_t hours = 0;
    uint32_t timePastTheHour = 0;
};

class Peer : public EmptyFederateAmbassador {
public:
    Peer() = default;
    ~Peer() override;

    // Creates the execution first when asked (an existing one is fine).
    void join(const std::string& federation, bool create);
    void resign();
    void subscribeAircraft();
    void publishInteractions();
    void tick(int times = 3);
    void send(const Detonation& d);
    void send(const StartResume& s);
    void requestUpdate(RTI::ObjectHandle object);

    RTI::AttributeHandle entityIdentifierHandle = 0, entityTypeHandle = 0, spatialHandle = 0,
                         forceIdentifierHandle = 0, markingHandle = 0, damageStateHandle = 0;
    RTI::ObjectClassHandle aircraftClass = 0;
    std::vector<Discovery> discoveries;
    std::vector<Reflection> reflections;
    std::vector<RTI::ObjectHandle> removals;
    int spatialCount() const;

    void discoverObjectInstance(RTI::ObjectHandle object, RTI::ObjectClassHandle objectClass,
                                const char* name) override;
    void reflectAttributeValues(RTI::ObjectHandle object, const RTI::AttributeHandleValuePairSet& values,
                                const char* tag) override;
    void reflectAttributeValues(RTI::ObjectHandle object, const RTI::AttributeHandleValuePairSet& values,
                                const RTI::FedTime&, const char* tag, RTI::EventRetractionHandle) override;
    void removeObjectInstance(RTI::ObjectHandle object, const char* tag) override;
    void removeObjectInstance(RTI::ObjectHandle object, const RTI::FedTime&, const char* tag,
                              RTI::EventRetractionHandle) override;

    RTI::RTIambassador rti;
    bool joined = false;
    bool created = false;
    std::string federation;

private:
    RTI::InteractionClassHandle detonationClass = 0, startResumeClass = 0;
};

// Big-endian readers for checking reflected values.
uint16_t be16(const std::string& s, size_t at);
uint32_t be32(const std::string& s, size_t at);
double beDouble(const std::string& s, size_t at);
float beFloat(const std::string& s, size_t at);

#endif
