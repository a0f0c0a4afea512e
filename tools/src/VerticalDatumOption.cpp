#include "VerticalDatumOption.h"

#include <cstdio>
#include <cstdlib>

#include "GroundTrack.h"
#include "SRM_Types.h"

namespace volaxfed {

const char* const kVerticalDatumHelp =
    "  --vertical-datum D  EGM96 (default): heights above mean sea level, the EGM96 geoid\n"
    "                      (grid: $VOLAX_GEOID, else /usr/share/proj/egm96_15.gtx); WGS84E:\n"
    "                      above the WGS 84 ellipsoid\n";

bool verticalDatumOption(const Options& options, QVCoordConv::VerticalDatum* datum, std::string* error) {
    const std::string value = options.has("vertical-datum") ? options.get("vertical-datum") : "EGM96";
    if (value == "WGS84E") {
        *datum = QVCoordConv::VerticalDatum::WGS84E;
        return true;
    }
    if (value != "EGM96") {
        *error = "--vertical-datum: '" + value + "' is not EGM96 or WGS84E";
        return false;
    }
    const char* env = std::getenv("VOLAX_GEOID");
    const std::string grid = env && *env ? env : "/usr/share/proj/egm96_15.gtx";
    const int status = QVCoordConv::loadGeoid(grid.c_str());
    if (status == SRM_STAT_CODE_SUCCESS) {
        *datum = QVCoordConv::VerticalDatum::EGM96;
    } else {
        std::fprintf(stderr, "volax-fed: could not read the geoid separation file %s (%s): heights are above the "
                             "WGS 84 ellipsoid\n",
                     grid.c_str(), status == SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE ? "invalid" : "missing");
        *datum = QVCoordConv::VerticalDatum::WGS84E;
    }
    return true;
}

bool placeOf(const Spatial& s, QVCoordConv::VerticalDatum datum, Place* place) {
    const auto& w = s.worldLocation;
    char text[256];
    if (!QVCoordConv::gcc2gdcDouble(w.x, w.y, w.z, place->lat, place->lon, place->h)) {
        std::snprintf(text, sizeof text, "lat=- lon=- h=- msl=- gs=- hdg=- vs=- frozen=%u", s.isFrozen);
        place->text = text;
        return false;
    }
    double lat, lon;
    if (!QVCoordConv::gcc2gdcDouble(w.x, w.y, w.z, datum, lat, lon, place->msl)) place->msl = place->h;
    const GroundTrack g = groundTrackFromGeocentric(place->lat, place->lon, s.velocity.x, s.velocity.y, s.velocity.z);
    std::snprintf(text, sizeof text, "lat=%.7f lon=%.7f h=%.2f msl=%.2f gs=%.2f hdg=%.1f vs=%.2f frozen=%u",
                  place->lat, place->lon, place->h, place->msl, g.groundSpeed, g.heading, g.up, s.isFrozen);
    place->text = text;
    return true;
}

}  // namespace volaxfed
