// The federation's picture: every remote physical entity, where it is now.
//
// Fed by the plugin from discoveries, reflections and removals; advanced once per
// frame by the display, which then reads the entities to draw (the nearest
// maxEntities to the ownship) and the TCAS targets (the nearest airborne air
// platforms, at most 63, drawn or not, each with a mode-S address that stays
// while the entity lives). Knows neither X-Plane nor the RTI.
//
// Each entity is dead-reckoned with its own algorithm from its last update. An
// update that disagrees with what was on screen is converged to within a second
// (Convergence.h); a refused state (SpatialCheck.h) is not drawn, or frozen in
// place, with one trace line per reason.
//
// An entity whose EntityIdentifier a held entity of another network already has (one
// aircraft heard on HLA and on DIS, relayed by a gateway) is neither drawn nor on TCAS
// while that one lives. Within one network both are drawn: two federates left on the
// same site and application numbers are two aircraft.
//
// Times are seconds on one monotonic clock chosen by the caller (the same for
// feeding and advancing). Memory is bounded: at most `capacity` entities are held;
// discoveries beyond it are refused with one trace line.
//
// Example (each frame):
//   picture.advance(now, ownship, origin);
//   for (const traffic::DrawnEntity& e : picture.drawn()) { ... }
//   for (const traffic::TcasTarget& t : picture.tcasTargets()) { ... }
#ifndef VOLAX_TRAFFIC_TRAFFICPICTURE_H
#define VOLAX_TRAFFIC_TRAFFICPICTURE_H

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "PrintfFormat.h"
#include "QVCoordConv.h"
#include "TrafficTypes.h"

struct DeadReckonedState;

namespace traffic {

struct TrafficLimits {
    std::size_t maxEntities = 500;   // MAXENTITIES: entities drawn
    double entityTimeout = 12.0;     // ENTITYTIMEOUT: seconds without an update; 0 = keep
    std::size_t capacity = 20000;    // entities held at most (discovered, drawn or not)
};

struct Entity;
struct AttitudeMemo;
class GeodeticTrack;
class EntityStore;
class LocalFrame;
class ModeSAllocator;

// Dead reckoning stops this long after the last update (ENTITYTIMEOUT 0 keeps
// an entity, not its flight).
constexpr double kMaxExtrapolation = 60.0;
// An update's age (EntityUpdate::age) beyond this is not believed.
constexpr double kMaxUpdateAge = 5.0;

// Terrain height (metres, in the picture's vertical datum) under a point; false when unknown.
typedef std::function<bool(double latitude, double longitude, double& groundHeight)> GroundQuery;

class TrafficPicture {
public:
    TrafficPicture();
    ~TrafficPicture();
    TrafficPicture(const TrafficPicture&) = delete;
    TrafficPicture& operator=(const TrafficPicture&) = delete;

    void setLimits(const TrafficLimits& limits);
    const TrafficLimits& limits() const { return limits_; }
    // Diagnostic lines (why an entity is not drawn or frozen); null: none.
    void setTraceStream(FILE* stream) { trace_ = stream; }
    // Decides which air platforms are on the ground (not TCAS targets); without
    // one, those slower than 30 m/s are.
    void setGroundQuery(GroundQuery query) { groundQuery_ = std::move(query); }
    // What heights are measured from: the ownship's, the drawn poses' and the
    // ground query's (X-Plane's: EGM96, mean sea level). Default WGS84E.
    void setVerticalDatum(QVCoordConv::VerticalDatum datum) { datum_ = datum; }

    // False when the store is full (the entity is ignored until removed and
    // discovered again). A known key is kept as it is.
    bool discover(EntityKey key, double now);
    // Unknown keys are discovered first. False when the entity is not held.
    bool reflect(EntityKey key, const EntityUpdate& update, double now);
    void remove(EntityKey key);
    void clear();

    // Extrapolates every entity to `now`, drops the timed out, and selects what
    // drawn() and tcasTargets() return until the next advance.
    void advance(double now, const OwnshipPosition& ownship, const FrameOrigin& origin);

    // Nearest first.
    const std::vector<DrawnEntity>& drawn() const { return drawn_; }
    const std::vector<TcasTarget>& tcasTargets() const { return tcas_; }

    std::size_t size() const;
    bool contains(EntityKey key) const;

private:
    struct Frame;

    Entity* admit(EntityKey key, double now);
    double reckonTime(const Entity& entity, double now) const;
    void extrapolate(const Entity& entity, double now, DeadReckonedState& out) const;
    // False when the position has no geodetic form (the pose's is then 0, 0, 0).
    // `track` and `memo`, when given, are the entity's own.
    bool fillPose(const DeadReckonedState& state, bool frozen, const LocalFrame& frame, EntityPose& pose,
                  GeodeticTrack* track = nullptr, AttitudeMemo* memo = nullptr) const;
    void traceLine(const char* format, ...) VOLAX_PRINTF_FORMAT(2, 3);

    TrafficLimits limits_;
    FILE* trace_ = nullptr;
    GroundQuery groundQuery_;
    QVCoordConv::VerticalDatum datum_ = QVCoordConv::VerticalDatum::WGS84E;
    bool full_ = false;
    uint64_t frameNumber_ = 0;  // advances so far
    std::unique_ptr<EntityStore> store_;
    std::unique_ptr<ModeSAllocator> modeS_;
    std::unique_ptr<Frame> frame_;
    std::vector<DrawnEntity> drawn_;
    std::vector<TcasTarget> tcas_;
};

}  // namespace traffic

#endif
