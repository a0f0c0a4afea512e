// X-Plane's local coordinates of an entity that moves a little from frame to
// frame. XPLMWorldToLocal is asked at an anchor (and a step north, east and up
// of it, for the local change per degree and per metre there); around it the
// position is taken to first order while the entity stays within reach, where
// the neglected terms stay under about a millimetre (about 80 m: the frame is
// smooth, and a float holds a local coordinate 20 km out to 2 mm anyway). Past
// that, or once the local origin has moved, a new anchor. Drawing hundreds of
// entities then costs a few calls a frame instead of one each.
#ifndef VOLAX_PLUGIN_LOCALTRACK_H
#define VOLAX_PLUGIN_LOCALTRACK_H

#include "TrafficTypes.h"

namespace volax {

class LocalTrack {
public:
    // As XPLMWorldToLocal (height above mean sea level), in the frame of `origin`.
    void place(double latitude, double longitude, double height, const traffic::FrameOrigin& origin,
               double local[3]);

private:
    void anchor(double latitude, double longitude, double height, const traffic::FrameOrigin& origin,
                double local[3]);

    bool valid_ = false;
    double latRef_ = 0, lonRef_ = 0;            // the frame the anchor is in
    double latitude_ = 0, longitude_ = 0, height_ = 0, cosLatitude_ = 0;
    double local_[3] = {};
    double perLatitude_[3] = {}, perLongitude_[3] = {}, perHeight_[3] = {};  // per degree, per metre
    double reach2_ = 0;                         // squared metres
};

}  // namespace volax

#endif
