#include "TrafficPeer.h"

#include <GeographicLib/Geocentric.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const double kDeg = M_PI / 180.0;

void put8(std::string& s, unsigned v) { s.push_back(static_cast<char>(v & 0xFF)); }
void put16(std::string& s, unsigned v) {
    put8(s, v >> 8);
    put8(s, v);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v >> 16);
    put16(s, v & 0xFFFF);
}
void putF(std::string& s, float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    put32(s, b);
}
void putD(std::string& s, double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    put32(s, static_cast<uint32_t>(b >> 32));
    put32(s, static_cast<uint32_t>(b));
}

struct V3 {
    double x, y, z;
};
V3 axpy(V3 a, V3 b, double k) { return {a.x + k * b.x, a.y + k * b.y, a.z + k * b.z}; }

}  // namespace

std::string TrafficPeer::spatial(const EntityState& s) {
    // North, east, down at the entity, in geocentric axes.
    const double la = s.lat * kDeg, lo = s.lon * kDeg;
    const V3 north{-std::sin(la) * std::cos(lo), -std::sin(la) * std::sin(lo), std::cos(la)};
    const V3 east{-std::sin(lo), std::cos(lo), 0};
    const V3 down{-std::cos(la) * std::cos(lo), -std::cos(la) * std::sin(lo), -std::sin(la)};
    // Body axes: heading about down, pitch about the new right, roll about the nose.
    const double h = s.heading * kDeg, p = s.pitch * kDeg, r = s.roll * kDeg;
    const V3 fwdLevel = axpy(axpy({0, 0, 0}, north, std::cos(h)), east, std::sin(h));
    const V3 rightLevel = axpy(axpy({0, 0, 0}, north, -std::sin(h)), east, std::cos(h));
    const V3 nose = axpy(axpy({0, 0, 0}, fwdLevel, std::cos(p)), down, -std::sin(p));
    const V3 belly0 = axpy(axpy({0, 0, 0}, fwdLevel, std::sin(p)), down, std::cos(p));
    const V3 right = axpy(axpy({0, 0, 0}, rightLevel, std::cos(r)), belly0, std::sin(r));
    const V3 belly = axpy(axpy({0, 0, 0}, belly0, std::cos(r)), rightLevel, -std::sin(r));
    // Rows of the geocentric-to-body rotation are the body axes: z-y-x Euler angles.
    const double theta = -std::asin(std::max(-1.0, std::min(1.0, nose.z)));
    const double psi = std::atan2(nose.y, nose.x);
    const double phi = std::atan2(right.z, belly.z);

    double x, y, z;
    GeographicLib::Geocentric::WGS84().Forward(s.lat, s.lon, s.height, x, y, z);
    const V3 vel = axpy(axpy({0, 0, 0}, fwdLevel, s.speed), down, -s.climb);

    std::string out;
    put8(out, static_cast<unsigned>(s.algorithm));
    out.append(7, '\0');
    putD(out, x);
    putD(out, y);
    putD(out, z);
    put8(out, s.frozen ? 1 : 0);
    out.append(3, '\0');
    putF(out, static_cast<float>(psi));
    putF(out, static_cast<float>(theta));
    putF(out, static_cast<float>(phi));
    if (s.algorithm >= 2) {  // every moving algorithm carries the velocity
        putF(out, static_cast<float>(vel.x));
        putF(out, static_cast<float>(vel.y));
        putF(out, static_cast<float>(vel.z));
    }
    const bool acceleration = s.algorithm == 4 || s.algorithm == 5 || s.algorithm == 8 || s.algorithm == 9;
    const bool angular = s.algorithm == 3 || s.algorithm == 4 || s.algorithm == 7 || s.algorithm == 8;
    if (acceleration) out.append(12, '\0');
    if (angular) out.append(12, '\0');
    return out;
}

TrafficPeer::~TrafficPeer() {
    try {
        resign();
    } catch (...) {
    }
}

void TrafficPeer::join(const std::string& federation, bool create, const std::string& name) {
    if (create) {
        try {
            rti.createFederationExecution(federation.c_str(), "XP_Federation.fed");
        } catch (RTI::FederationExecutionAlreadyExists&) {
        }
    }
    rti.joinFederationExecution(name.c_str(), federation.c_str(), this);
    joined = true;
}

void TrafficPeer::resign() {
    if (!joined) return;
    rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    joined = false;
}

TrafficPeer::Class& TrafficPeer::classFor(const std::string& path) {
    Class& c = classes_[path];
    if (c.handle) return c;
    c.handle = rti.getObjectClassHandle(("BaseEntity.PhysicalEntity." + path).c_str());
    c.id = rti.getAttributeHandle("EntityIdentifier", c.handle);
    c.type = rti.getAttributeHandle("EntityType", c.handle);
    c.spatial = rti.getAttributeHandle("Spatial", c.handle);
    c.force = rti.getAttributeHandle("ForceIdentifier", c.handle);
    c.marking = rti.getAttributeHandle("Marking", c.handle);
    std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(5));
    for (RTI::AttributeHandle a : {c.id, c.type, c.spatial, c.force, c.marking}) set->add(a);
    rti.publishObjectClass(c.handle, *set);
    return c;
}

RTI::ObjectHandle TrafficPeer::add(const std::string& classPath, uint16_t entityNumber, const std::string& type,
                                   const std::string& marking, const EntityState& s, const std::string& tag) {
    Class& c = classFor(classPath);
    const RTI::ObjectHandle object = rti.registerObjectInstance(c.handle);
    objects_[object] = &c;
    unsigned k = 0, d = 0, co = 0, cat = 0, sub = 0, specific = 0, ex = 0;
    std::sscanf(type.c_str(), "%u:%u:%u:%u:%u:%u:%u", &k, &d, &co, &cat, &sub, &specific, &ex);
    std::string id, ty, mk, force;
    put16(id, 7);
    put16(id, 9);
    put16(id, entityNumber);
    for (unsigned v : {k, d}) put8(ty, v);
    put16(ty, co);
    for (unsigned v : {cat, sub, specific, ex}) put8(ty, v);
    put8(mk, 1);  // ASCII
    std::string text = marking.substr(0, 11);
    text.resize(11, '\0');
    mk += text;
    put8(force, 1);
    const std::string sp = spatial(s);
    std::unique_ptr<RTI::AttributeHandleValuePairSet> v(RTI::AttributeSetFactory::create(5));
    v->add(c.id, id.data(), static_cast<RTI::ULong>(id.size()));
    v->add(c.type, ty.data(), static_cast<RTI::ULong>(ty.size()));
    v->add(c.marking, mk.data(), static_cast<RTI::ULong>(mk.size()));
    v->add(c.force, force.data(), static_cast<RTI::ULong>(force.size()));
    v->add(c.spatial, sp.data(), static_cast<RTI::ULong>(sp.size()));
    rti.updateAttributeValues(object, *v, tag.c_str());
    return object;
}

void TrafficPeer::update(RTI::ObjectHandle object, const EntityState& s, const std::string& tag) {
    Class* c = objects_.at(object);
    const std::string sp = spatial(s);
    std::unique_ptr<RTI::AttributeHandleValuePairSet> v(RTI::AttributeSetFactory::create(1));
    v->add(c->spatial, sp.data(), static_cast<RTI::ULong>(sp.size()));
    rti.updateAttributeValues(object, *v, tag.c_str());
}

void TrafficPeer::remove(RTI::ObjectHandle object) {
    rti.deleteObjectInstance(object, "");
    objects_.erase(object);
}
