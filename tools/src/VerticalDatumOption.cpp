#include "VerticalDatumOption.h"

#include <cstdio>
#include <cstdlib>

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

}  // namespace volaxfed
