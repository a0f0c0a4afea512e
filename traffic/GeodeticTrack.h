// Geocentric to geodetic for one entity that moves a little from frame to
// frame: exact at an anchor, then to first order around it while the entity
// stays within reach of it, where the neglected second-order terms stay under
// a millimetre (about 80 m at the earth's surface, less near the poles); past
// that, exact again at a new anchor. Drawing every entity every frame then
// costs a few multiplications each instead of a full conversion.
#ifndef VOLAX_TRAFFIC_GEODETICTRACK_H
#define VOLAX_TRAFFIC_GEODETICTRACK_H

#include "QVCoordConv.h"

namespace traffic {

class GeodeticTrack {
public:
    // As QVCoordConv::gcc2gdcDouble (latitude, longitude in degrees, height in
    // `datum`); false where it fails.
    bool convert(const double geocentric[3], QVCoordConv::VerticalDatum datum, double& latitude, double& longitude,
                 double& height);

private:
    bool anchor(const double geocentric[3], QVCoordConv::VerticalDatum datum, double& latitude, double& longitude,
                double& height);

    bool valid_ = false;
    double reach2_ = 0;     // squared metres around the anchor where the first order holds
    double anchor_[3] = {};  // geocentric
    double geodetic_[3] = {};  // there: latitude, longitude (degrees), height above the ellipsoid
    double jacobian_[3][3] = {};  // d(latitude, longitude, height) / d(x, y, z) there
};

}  // namespace traffic

#endif
