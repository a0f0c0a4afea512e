#include "Route.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace xphost {
namespace {

struct Field {
    const char* name;
    double min, max;
};

bool readField(const std::string& word, const Field& f, double* v, std::string* why) {
    if (!parseNumber(word, v)) {
        *why = std::string(f.name) + " \"" + word + "\" is not a number";
        return false;
    }
    if (*v < f.min || *v > f.max) {
        std::ostringstream s;
        s << f.name << " " << word << " is outside " << f.min << " .. " << f.max;
        *why = s.str();
        return false;
    }
    return true;
}

const Field kLat{"latitude", -89.0, 89.0};
const Field kLon{"longitude", -180.0, 180.0};
const Field kElevation{"elevation", -1000.0, 100000.0};
const Field kHeading{"heading", 0.0, 360.0};
const Field kSpeed{"speed", 0.0, 1000.0};
const Field kClimb{"climb rate", -200.0, 200.0};
const Field kTurn{"turn rate", -90.0, 90.0};
const Field kDuration{"duration", 1e-3, 1e7};

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

}  // namespace

bool readItems(const std::string& text, const std::string& fileName, std::string* error,
               const std::function<std::string(const std::vector<std::string>&, const std::string&, int)>& item) {
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::vector<std::string> w = splitWords(line);
        if (w.empty() || w[0][0] == '#') continue;
        const std::string why = item(w, line, lineNo);
        if (!why.empty()) {
            if (error) *error = fileName + ":" + std::to_string(lineNo) + ": " + why;
            return false;
        }
    }
    return true;
}

bool parseNumber(const std::string& word, double* value) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || errno == ERANGE || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool parseRoute(const std::string& text, const std::string& fileName, Route* route, std::string* error) {
    Route r;
    bool haveStart = false;
    auto item = [&](const std::vector<std::string>& w, const std::string&, int) -> std::string {
        std::string why;
        if (w[0] == "start") {
            if (haveStart) return "a second start line";
            if (w.size() != 5) return "expected: start <lat deg> <lon deg> <elevation m> <heading deg>";
            if (!readField(w[1], kLat, &r.latitude, &why) || !readField(w[2], kLon, &r.longitude, &why) ||
                !readField(w[3], kElevation, &r.elevation, &why) || !readField(w[4], kHeading, &r.heading, &why))
                return why;
            haveStart = true;
        } else if (w[0] == "leg") {
            if (!haveStart) return "leg before the start line";
            if (w.size() != 6)
                return "expected: leg <heading deg | -> <speed m/s> <climb m/s> <turn deg/s> <duration s>";
            RouteLeg leg;
            if (w[1] != "-") {
                if (!readField(w[1], kHeading, &leg.heading, &why)) return why;
                leg.setHeading = true;
            }
            if (!readField(w[2], kSpeed, &leg.speed, &why) || !readField(w[3], kClimb, &leg.climb, &why) ||
                !readField(w[4], kTurn, &leg.turnRate, &why) || !readField(w[5], kDuration, &leg.duration, &why))
                return why;
            r.legs.push_back(leg);
        } else {
            return "unknown item \"" + w[0] + "\" (expected start or leg)";
        }
        return std::string();
    };
    if (!readItems(text, fileName, error, item)) return false;
    if (!haveStart) {
        if (error) *error = fileName + ": no start line";
        return false;
    }
    *route = r;
    return true;
}

const char* defaultRouteSource() {
    return "# Take off westwards near 52.0 N 5.0 E, climb out, turn right onto north, cruise.\n"
           "start 52.0 5.0 0 270\n"
           "# leg heading speed climb turn duration\n"
           "leg - 65 6 0 60\n"
           "leg - 70 3 3 30\n"
           "leg - 80 0 0 1800\n";
}

}  // namespace xphost
