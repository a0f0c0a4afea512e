#ifndef VOLAX_TOOLS_VERTICALDATUMOPTION_H
#define VOLAX_TOOLS_VERTICALDATUMOPTION_H

// --vertical-datum EGM96|WGS84E for the tools that read or write heights. EGM96
// (the default) takes heights as above mean sea level, as X-Plane and KML do;
// the grid is $VOLAX_GEOID, else proj-data's egm96_15.gtx. If it cannot be
// read the tool says so on standard error and uses ellipsoid heights.

#include <string>

#include "ArgParse.h"
#include "QVCoordConv.h"
#include "RPRValues.h"

namespace volaxfed {

extern const char* const kVerticalDatumHelp;

// False (with *error) for a value that is neither EGM96 nor WGS84E.
bool verticalDatumOption(const Options& options, QVCoordConv::VerticalDatum* datum, std::string* error);

// A monitor's "lat= lon= h= msl= gs= hdg= vs= frozen=" of a geocentric state,
// h above the ellipsoid and msl in `datum` (h when the geoid is not at hand).
// False, with dashes for the place, when the position is no place on earth.
struct Place {
    double lat = 0, lon = 0, h = 0, msl = 0;
    std::string text;
};
bool placeOf(const Spatial& s, QVCoordConv::VerticalDatum datum, Place* place);

}  // namespace volaxfed

#endif
