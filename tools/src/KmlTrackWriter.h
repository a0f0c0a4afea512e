#ifndef VOLAX_TOOLS_KMLTRACKWRITER_H
#define VOLAX_TOOLS_KMLTRACKWRITER_H

// Collects aircraft positions and writes them as KML: one Placemark with a
// LineString per aircraft (absolute altitude: metres above mean sea level, as
// KML defines it), in order of first appearance.

#include <cstddef>
#include <string>
#include <vector>

namespace volaxfed {

class KmlTrackWriter {
public:
    // A track that reaches maxPoints is thinned to every second point, so a
    // long session keeps its whole shape in bounded memory.
    explicit KmlTrackWriter(std::string documentName, size_t maxPoints = 20000);

    void addPoint(const std::string& aircraft, double latitudeDeg, double longitudeDeg, double heightM);
    void setDescription(const std::string& aircraft, const std::string& text);
    // The placemark's shown name (e.g. the marking); the aircraft key until set.
    void setLabel(const std::string& aircraft, const std::string& label);

    bool dirty() const { return dirty_; }

    std::string render() const;

    // Writes to a temporary file beside `path` and renames it over `path`, so
    // a viewer never reads a half-written file. Clears dirty() on success.
    bool writeFile(const std::string& path, std::string* error);

private:
    struct Point {
        double lat, lon, h;
    };
    struct Track {
        std::string name;
        std::string label;
        std::string description;
        std::vector<Point> points;
    };
    Track& track(const std::string& aircraft);

    std::string documentName_;
    size_t maxPoints_;
    std::vector<Track> tracks_;
    bool dirty_ = false;
};

}  // namespace volaxfed

#endif
