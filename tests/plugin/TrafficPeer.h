#ifndef VOLAX_TESTS_PLUGIN_TRAFFICPEER_H
#define VOLAX_TESTS_PLUGIN_TRAFFICPEER_H

// A federate that publishes physical entities the way a foreign RPR federate
// does: its own big-endian encoding of EntityIdentifier, EntityType, Spatial
// (only the bytes the algorithm carries), Marking and ForceIdentifier, and
// positions made geocentric by GeographicLib, not by our converters.

#include <RTI.hh>

#include <cstdint>
#include <map>
#include <string>

#include "EmptyFederateAmbassador.h"

struct EntityState {
    double lat = 0, lon = 0, height = 0;  // degrees, metres above the ellipsoid
    double heading = 0, pitch = 0, roll = 0;  // degrees against north-east-down at the entity
    double speed = 0, climb = 0;           // m/s along the heading, m/s up
    int algorithm = 2;                     // FPW unless told otherwise
    bool frozen = false;
};

class TrafficPeer : public EmptyFederateAmbassador {
public:
    ~TrafficPeer() override;
    void join(const std::string& federation, bool create, const std::string& name = "TrafficPeer");
    void resign();
    // Registers an entity of `classPath` (below BaseEntity.PhysicalEntity) and
    // sends all its attributes. `type` is "K:D:C:CAT:SUB:SPECIFIC:EXTRA".
    // `tag` is the user-supplied tag (RPR FOM 2.0: the time stamp).
    RTI::ObjectHandle add(const std::string& classPath, uint16_t entityNumber, const std::string& type,
                          const std::string& marking, const EntityState& s, const std::string& tag = "");
    void update(RTI::ObjectHandle object, const EntityState& s, const std::string& tag = "");
    void remove(RTI::ObjectHandle object);
    void tick() { rti.tick(); }

    RTI::RTIambassador rti;
    bool joined = false;

    static std::string spatial(const EntityState& s);

private:
    struct Class {
        RTI::ObjectClassHandle handle = 0;
        RTI::AttributeHandle id = 0, type = 0, spatial = 0, force = 0, marking = 0;
    };
    Class& classFor(const std::string& path);
    std::map<std::string, Class> classes_;
    std::map<RTI::ObjectHandle, Class*> objects_;
};

#endif
