#ifndef VOLAX_HOST_ROUTE_H
#define VOLAX_HOST_ROUTE_H

// A route for the simulated flight: a start point and legs flown one after
// the other. After the last leg the aircraft flies on straight and level.

#include <functional>
#include <string>
#include <vector>

namespace xphost {

struct RouteLeg {
    bool setHeading = false;  // false: keep the heading the previous leg ended with
    double heading = 0;       // deg true
    double speed = 0;         // m/s horizontal
    double climb = 0;         // m/s vertical
    double turnRate = 0;      // deg/s, positive to the right
    double duration = 0;      // s
};

struct Route {
    double latitude = 0, longitude = 0, elevation = 0, heading = 0;
    std::vector<RouteLeg> legs;
};

// Errors read "<fileName>:<line>: <reason>".
bool parseRoute(const std::string& text, const std::string& fileName, Route* route, std::string* error);
const char* defaultRouteSource();

// Reads a line-based file, also for the scenario reader: blank lines and lines
// whose first word starts with # are skipped; `item` gets every other line's
// blank-separated words, the line and its number, and returns "" or what is
// wrong with the line. The first wrong line ends the reading with false and
// "<fileName>:<line>: <reason>" in *error.
bool readItems(const std::string& text, const std::string& fileName, std::string* error,
               const std::function<std::string(const std::vector<std::string>& words, const std::string& line,
                                               int lineNo)>& item);
// A whole word as a finite number.
bool parseNumber(const std::string& word, double* value);

}  // namespace xphost

#endif
