#ifndef VOLAX_TOOLS_VERTICALDATUMOPTION_H
#define VOLAX_TOOLS_VERTICALDATUMOPTION_H

// --vertical-datum EGM96|WGS84E for the tools that read or write heights. EGM96
// (the default) takes heights as above mean sea level, as X-Plane and KML do;
// the grid is $VOLAX_GEOID, else proj-data's egm96_15.gtx. If it cannot be
// read the tool says so on standard error and uses ellipsoid heights.

#include <string>

#include "ArgParse.h"
#include "QVCoordConv.h"

namespace volaxfed {

extern const char* const kVerticalDatumHelp;

// False (with *error) for a value that is neither EGM96 nor WGS84E.
bool verticalDatumOption(const Options& options, QVCoordConv::VerticalDatum* datum, std::string* error);

}  // namespace volaxfed

#endif
