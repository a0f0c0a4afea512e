// Local places of moving entities against the host's own XPLMWorldToLocal,
// along paths that force new anchors, near the date line and far north, and
// across a shift of the local origin.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "LocalTrack.h"
#include "XPLMGraphics.h"
#include "XPLMHost.h"

namespace {

traffic::FrameOrigin originNow() {
    const xphost::FlightState f = xphost::flightState();
    return traffic::FrameOrigin{static_cast<float>(f.latRef), static_cast<float>(f.lonRef)};
}

TEST(LocalTrack, PlacesAsXPlaneDoesToTheMillimetreAndFollowsOriginShifts) {
    struct Path {
        const char* name;
        double lat, lon, height, north, east, up;  // start; m/s
        int frames;                                 // at 60 fps
    } paths[] = {
        {"Zurich, fast and climbing", 47.4, 8.5, 800, 60, 240, 30, 1800},
        {"across the date line", -0.5, 179.99, 50, 0, 250, 0, 600},
        {"far north", 87.5, 20, 3000, 200, -150, 0, 1200},
    };
    for (const Path& p : paths) {
        xphost::reset();
        std::string error;
        // The ownship flies east at 200 m/s; the origin moves every 2 km.
        ASSERT_TRUE(xphost::setRoute("start " + std::to_string(p.lat) + " " + std::to_string(p.lon) +
                                         " 1000 90\nleg - 200 0 0 1000\n",
                                     &error))
            << error;
        xphost::setOriginShiftDistance(2000);
        volax::LocalTrack track;
        double worst = 0;
        const double perDegree = 6371000.0 * M_PI / 180;
        for (int n = 0; n <= p.frames; ++n) {
            xphost::runFrames(1);
            const double t = n / 60.0;
            const double lat = p.lat + p.north * t / perDegree;
            double lon = p.lon + p.east * t / (perDegree * std::cos(lat * M_PI / 180));
            if (lon > 180) lon -= 360;
            const double h = p.height + p.up * t;
            double got[3], want[3];
            track.place(lat, lon, h, originNow(), got);
            XPLMWorldToLocal(lat, lon, h, &want[0], &want[1], &want[2]);
            worst = std::fmax(worst, std::hypot(got[0] - want[0], got[1] - want[1], got[2] - want[2]));
        }
        EXPECT_LT(worst, 2e-3) << p.name;
        EXPECT_NE(originNow().lonRef, static_cast<float>(p.lon)) << p.name << ": the origin never moved";
    }
}

}  // namespace
