#include "SRM_Geoid.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace srm_detail {

namespace {

uint64_t be64(const unsigned char* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
}

uint32_t be32(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

double beDouble(const unsigned char* p)
{
    const uint64_t bits = be64(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

float beFloat(const unsigned char* p)
{
    const uint32_t bits = be32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool near(double a, double b) { return std::fabs(a - b) < 1e-6; }

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

constexpr std::size_t kHeaderBytes = 40;
constexpr int64_t kMaxNodes = 100000000;  // far beyond a 1-minute global grid's 93 million

}  // namespace

SRM_Status_Code loadGtx(const char* path, GeoidGrid& out)
{
    if (!path) return SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) return SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;

    unsigned char header[kHeaderBytes];
    if (std::fread(header, 1, kHeaderBytes, file.get()) != kHeaderBytes) {
        // Something was there and could be opened: a directory or an unreadable file is missing, a short one invalid.
        return std::ferror(file.get()) ? SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE
                                       : SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    }
    GeoidGrid g;
    g.south = beDouble(header);
    g.west = beDouble(header + 8);
    g.dlat = beDouble(header + 16);
    g.dlon = beDouble(header + 24);
    g.rows = static_cast<int32_t>(be32(header + 32));
    g.cols = static_cast<int32_t>(be32(header + 36));
    const bool headerOk = std::isfinite(g.south) && std::isfinite(g.west) && g.dlat > 0 && g.dlon > 0 &&
                          std::isfinite(g.dlat) && std::isfinite(g.dlon) && g.rows >= 2 && g.cols >= 2 &&
                          int64_t(g.rows) * g.cols <= kMaxNodes;
    if (!headerOk) return SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    // The vertical datum is global: a regional grid cannot stand for it.
    if (!near(g.south, -90.0) || !near(g.south + (g.rows - 1) * g.dlat, 90.0))
        return SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    if (near(g.cols * g.dlon, 360.0))
        g.wrapCols = g.cols;
    else if (near((g.cols - 1) * g.dlon, 360.0))
        g.wrapCols = g.cols - 1;
    else
        return SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;

    const std::size_t nodes = std::size_t(g.rows) * std::size_t(g.cols);
    // The size first: a damaged header must not make us allocate for a grid that is not there.
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), long(kHeaderBytes), SEEK_SET) != 0)
        return SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;
    if (std::size_t(size) != kHeaderBytes + nodes * 4) return SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    std::vector<unsigned char> raw(nodes * 4);
    if (std::fread(raw.data(), 1, raw.size(), file.get()) != raw.size())
        return std::ferror(file.get()) ? SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE
                                       : SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    if (std::fgetc(file.get()) != EOF) return SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    g.values.resize(nodes);
    for (std::size_t i = 0; i < nodes; ++i) {
        const float v = beFloat(&raw[4 * i]);
        if (!(std::fabs(v) < 1000.0f)) return SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
        g.values[i] = v;
    }
    out = std::move(g);
    return SRM_STAT_CODE_SUCCESS;
}

double separation(const GeoidGrid& g, double latitude, double longitude)
{
    double y = (latitude - g.south) / g.dlat;
    if (y < 0) y = 0;
    const double top = g.rows - 1;
    if (y > top) y = top;
    int32_t r = static_cast<int32_t>(y);
    if (r > g.rows - 2) r = g.rows - 2;  // the top row: the cell below, at its upper edge
    const double fy = y - r;

    const double span = g.wrapCols * g.dlon;
    // fmod is the slow part of a lookup, and within one turn of the grid it
    // changes nothing.
    double x = longitude - g.west;
    if (!(std::fabs(x) < span)) x = std::fmod(x, span);
    if (x < 0) x += span;
    x /= g.dlon;
    int32_t c = static_cast<int32_t>(x);
    if (c >= g.wrapCols) c = g.wrapCols - 1;
    const double fx = x - c;
    const int32_t c1 = c + 1 < g.wrapCols ? c + 1 : 0;  // east of the last column is the first

    const float* south = &g.values[std::size_t(r) * g.cols];
    const float* north = south + g.cols;
    const double s = south[c] + fx * (double(south[c1]) - south[c]);
    const double n = north[c] + fx * (double(north[c1]) - north[c]);
    return s + fy * (n - s);
}

}  // namespace srm_detail
