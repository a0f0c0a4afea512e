#include "SpatialCheck.h"

#include <cmath>

#include "DeadReckoning.h"

namespace traffic {
namespace {

bool finite(const Vector3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

double length(const Vector3f& v) {
    const double x = v.x, y = v.y, z = v.z;
    return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

SpatialVerdict checkSpatial(const Spatial& s, const char*& reason) {
    const WorldLocation& p = s.worldLocation;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
        reason = "world location not finite";
        return SpatialVerdict::NotDrawn;
    }
    const double r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (r < kMinGeocentricRadius || r > kMaxGeocentricRadius) {
        reason = "world location not near the earth";
        return SpatialVerdict::NotDrawn;
    }
    if (!finite(s.orientation)) {
        reason = "orientation not finite";
        return SpatialVerdict::NotDrawn;
    }
    if (!isDeadReckoningAlgorithm(s.algorithm)) {
        reason = "unknown dead-reckoning algorithm";
        return SpatialVerdict::Frozen;
    }
    // Only what the algorithm uses counts: the rest is not on the wire.
    const DeadReckoningAlgorithm a = s.algorithm;
    const bool moves = a != DRM_STATIC;
    const bool accelerates = a == DRM_RVW || a == DRM_FVW || a == DRM_RVB || a == DRM_FVB;
    const bool rotates = a == DRM_RPW || a == DRM_RVW || a == DRM_RPB || a == DRM_RVB;
    if (moves && (!finite(s.velocity) || length(s.velocity) > kMaxSpeed)) {
        reason = "absurd velocity";
        return SpatialVerdict::Frozen;
    }
    if (accelerates && (!finite(s.acceleration) || length(s.acceleration) > kMaxAcceleration)) {
        reason = "absurd acceleration";
        return SpatialVerdict::Frozen;
    }
    if (rotates && (!finite(s.angularVelocity) || length(s.angularVelocity) > kMaxAngularRate)) {
        reason = "absurd angular velocity";
        return SpatialVerdict::Frozen;
    }
    reason = "";
    return SpatialVerdict::Ok;
}

}  // namespace traffic
