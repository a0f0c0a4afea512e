// Whether a received Spatial can be drawn and dead-reckoned.
//
// Not drawn: a world location or orientation that is not finite, or a location
// not within 6,200 km to 100,000 km of the earth's centre (below any terrain,
// beyond any orbit in use). Frozen in place: an unknown algorithm, or a velocity,
// acceleration or angular velocity that is not finite or past what anything
// flies (12 km/s, 2,000 m/s^2, 10,000 rad/s); only the members the algorithm
// uses are judged.
#ifndef VOLAX_TRAFFIC_SPATIALCHECK_H
#define VOLAX_TRAFFIC_SPATIALCHECK_H

#include "RPRValues.h"

namespace traffic {

enum class SpatialVerdict { Ok, Frozen, NotDrawn };

constexpr double kMinGeocentricRadius = 6.2e6;
constexpr double kMaxGeocentricRadius = 1.0e8;
constexpr double kMaxSpeed = 12000.0;
constexpr double kMaxAcceleration = 2000.0;
constexpr double kMaxAngularRate = 10000.0;

// `reason` (static text) says why when the verdict is not Ok.
SpatialVerdict checkSpatial(const Spatial& spatial, const char*& reason);

}  // namespace traffic

#endif
