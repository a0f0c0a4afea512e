#include "KmlTrackWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace volaxfed {
namespace {

std::string xmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // Control characters are not allowed in XML 1.0 text.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                out += '?';
            else
                out += c;
        }
    }
    return out;
}

}  // namespace

KmlTrackWriter::KmlTrackWriter(std::string documentName, size_t maxPoints)
    : documentName_(std::move(documentName)), maxPoints_(maxPoints < 4 ? 4 : maxPoints) {}

KmlTrackWriter::Track& KmlTrackWriter::track(const std::string& aircraft) {
    for (Track& t : tracks_)
        if (t.name == aircraft) return t;
    tracks_.push_back(Track{aircraft, std::string(), std::string(), {}});
    return tracks_.back();
}

void KmlTrackWriter::addPoint(const std::string& aircraft, double lat, double lon, double h) {
    Track& t = track(aircraft);
    if (t.points.size() >= maxPoints_) {
        size_t kept = 0;
        for (size_t i = 0; i < t.points.size(); i += 2) t.points[kept++] = t.points[i];
        t.points.resize(kept);
    }
    t.points.push_back(Point{lat, lon, h});
    dirty_ = true;
}

void KmlTrackWriter::setDescription(const std::string& aircraft, const std::string& text) {
    Track& t = track(aircraft);
    if (t.description != text) {
        t.description = text;
        dirty_ = true;
    }
}

void KmlTrackWriter::setLabel(const std::string& aircraft, const std::string& label) {
    Track& t = track(aircraft);
    if (t.label != label) {
        t.label = label;
        dirty_ = true;
    }
}

std::string KmlTrackWriter::render() const {
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n";
    out += "<name>" + xmlEscape(documentName_) + "</name>\n";
    out += "<Style id=\"track\"><LineStyle><color>ff00a5ff</color><width>3</width></LineStyle></Style>\n";
    char buf[128];
    for (const Track& t : tracks_) {
        if (t.points.empty()) continue;
        out += "<Placemark>\n<name>" + xmlEscape(t.label.empty() ? t.name : t.label) + "</name>\n";
        if (!t.description.empty()) out += "<description>" + xmlEscape(t.description) + "</description>\n";
        out += "<styleUrl>#track</styleUrl>\n<LineString>\n<altitudeMode>absolute</altitudeMode>\n<coordinates>\n";
        // A LineString needs two points; a lone position is drawn as a zero-length line.
        const size_t n = t.points.size() == 1 ? 2 : t.points.size();
        for (size_t i = 0; i < n; ++i) {
            const Point& p = t.points[i < t.points.size() ? i : 0];
            snprintf(buf, sizeof buf, "%.7f,%.7f,%.2f\n", p.lon, p.lat, p.h);
            out += buf;
        }
        out += "</coordinates>\n</LineString>\n</Placemark>\n";
    }
    out += "</Document>\n</kml>\n";
    return out;
}

bool KmlTrackWriter::writeFile(const std::string& path, std::string* error) {
    const std::string tmp = path + ".tmp." + std::to_string(static_cast<long>(getpid()));
    const std::string text = render();
    FILE* f = fopen(tmp.c_str(), "wb");
    if (!f) {
        *error = "cannot write '" + tmp + "': " + strerror(errno);
        return false;
    }
    const bool wrote = fwrite(text.data(), 1, text.size(), f) == text.size();
    const int savedErrno = errno;
    if (fclose(f) != 0 || !wrote) {
        *error = "cannot write '" + tmp + "': " + strerror(wrote ? errno : savedErrno);
        std::remove(tmp.c_str());
        return false;
    }
    // Replaces an existing file on every platform (C's rename does not on Windows).
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        *error = "cannot replace '" + path + "': " + ec.message();
        std::remove(tmp.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace volaxfed
