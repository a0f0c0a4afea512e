// Data references: the registry, X-Plane's access rules, and the host-side
// accessors that bypass the writable flag.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMDataAccess.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace xphost {
namespace detail {
namespace {

const int kPartsCount = 73;
const int kTailNumberBytes = 40;
const int kTcasSlots = 64;
const int kTcasIdBytes = 8;

// The registry's handles, told from foreign pointers in every XPLMGetData and
// XPLMSetData call: open addressing over a power of two at least twice their
// number, so a lookup is a probe or two and no division.
class HandleSet {
public:
    void insert(const void* p) {
        if (2 * (count_ + 1) > cells_.size()) {
            std::vector<const void*> old(cells_.size() < 64 ? 64 : 2 * cells_.size(), nullptr);
            old.swap(cells_);
            shift_ = 64;
            while ((size_t(1) << (64 - shift_)) < cells_.size()) --shift_;
            count_ = 0;
            for (const void* q : old)
                if (q) put(q);
        }
        put(p);
    }
    bool contains(const void* p) const {
        if (!p || cells_.empty()) return false;
        for (size_t c = cell(p);; c = (c + 1) & (cells_.size() - 1)) {
            if (cells_[c] == p) return true;
            if (!cells_[c]) return false;
        }
    }

private:
    size_t cell(const void* p) const {
        return static_cast<size_t>((static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)) * 0x9E3779B97F4A7C15ull) >>
                                   shift_);
    }
    void put(const void* p) {
        size_t c = cell(p);
        while (cells_[c] && cells_[c] != p) c = (c + 1) & (cells_.size() - 1);
        if (!cells_[c]) ++count_;
        cells_[c] = p;
    }
    std::vector<const void*> cells_;
    size_t count_ = 0;
    int shift_ = 64;
};

struct Registry {
    std::map<std::string, std::unique_ptr<DataRef>> byPath;
    HandleSet handles;  // guards against foreign pointers
};

// Handles stay valid for the life of the process: entries are never removed.
Registry& registry() {
    static Registry* r = [] {
        auto* reg = new Registry;
        auto add = [reg](const std::string& path, int types, bool writable, size_t count = 0) {
            auto d = std::make_unique<DataRef>();
            d->path = path;
            d->types = types;
            d->writable = writable;
            if (types & xplmType_IntArray) d->ints.assign(count, 0);
            if (types & xplmType_FloatArray) d->floats.assign(count, 0.0f);
            if (types & xplmType_Data) d->bytes.assign(count, 0);
            reg->handles.insert(d.get());
            reg->byPath[path] = std::move(d);
        };
        const std::string pos = "sim/flightmodel/position/";
        for (const char* n : {"local_x", "local_y", "local_z", "local_vx", "local_vy", "local_vz", "local_ax",
                              "local_ay", "local_az", "psi", "theta", "phi", "lat_ref", "lon_ref", "groundspeed",
                              "true_psi", "true_theta", "true_phi"})
            add(pos + n, xplmType_Float, false);
        // Double in X-Plane, and served to XPLMGetDataf too, rounded.
        for (const char* n : {"latitude", "longitude", "elevation"})
            add(pos + n, xplmType_Float | xplmType_Double, false);
        add(pos + "q", xplmType_FloatArray, false, 4);
        add("sim/aircraft/prop/acf_part_eq", xplmType_IntArray, true, kPartsCount);
        add("sim/aircraft/view/acf_tailnum", xplmType_Data, true, kTailNumberBytes);
        add("sim/time/use_system_time", xplmType_Int, true);
        add("sim/time/local_date_days", xplmType_Int, true);
        add("sim/time/zulu_time_sec", xplmType_Float, true);
        add("sim/time/total_running_time_sec", xplmType_Float, false);
        // Changed by the user's pause command, not by plugins.
        add("sim/time/paused", xplmType_Int, false);

        // The TCAS override (X-Plane 11.50): 64 slots, slot 0 is the user's aircraft.
        add("sim/operation/override/override_TCAS", xplmType_Int, true);
        add("sim/cockpit2/tcas/indicators/tcas_num_acf", xplmType_Int, false);
        for (const char* n : {"relative_bearing_degs", "relative_distance_mtrs", "relative_altitude_mtrs"})
            add(std::string("sim/cockpit2/tcas/indicators/") + n, xplmType_FloatArray, false, kTcasSlots);
        const std::string tcas = "sim/cockpit2/tcas/targets/";
        for (const char* n : {"modeS_id", "modeC_code", "ssr_mode"})
            add(tcas + n, xplmType_IntArray, true, kTcasSlots);
        for (const char* n : {"flight_id", "icao_type"}) add(tcas + n, xplmType_Data, true, kTcasSlots * kTcasIdBytes);
        for (const char* n : {"x", "y", "z", "vx", "vy", "vz", "vertical_speed", "psi", "the", "phi", "gear_deploy"})
            add(tcas + "position/" + n, xplmType_FloatArray, true, kTcasSlots);
        for (const char* n : {"weight_on_wheels", "lights"}) add(tcas + "position/" + n, xplmType_IntArray, true, kTcasSlots);
        for (const char* n : {"lat", "lon", "ele", "hpath", "vpath", "V_msc"})
            add(tcas + "position/" + n, xplmType_FloatArray, false, kTcasSlots);
        for (auto& kv : reg->byPath)
            if (kv.first.compare(0, 18, "sim/cockpit2/tcas/") == 0 || kv.first == "sim/operation/override/override_TCAS")
                applyTcasRules(*kv.second);
        return reg;
    }();
    return *r;
}

DataRef* valid(XPLMDataRef h) {
    if (!h) return nullptr;
    Registry& r = registry();
    return r.handles.contains(h) ? static_cast<DataRef*>(h) : nullptr;
}

DataRef* writable(XPLMDataRef h, int type) {
    DataRef* d = valid(h);
    if (!d || !d->writable || !(d->types & type)) return nullptr;
    return !d->mayWrite || d->mayWrite(*d) ? d : nullptr;
}

template <class T> int getArray(const std::vector<T>& v, T* out, int offset, int max) {
    const int size = static_cast<int>(v.size());
    if (!out) return size;
    if (offset < 0 || max <= 0 || offset >= size) return 0;
    const int n = std::min(max, size - offset);
    std::copy(v.begin() + offset, v.begin() + offset + n, out);
    return n;
}

// Elements before `reserved` belong to the simulator and keep their values.
template <class T> void setArray(DataRef& d, std::vector<T>& v, const T* in, int offset, int count, int reserved) {
    const int size = static_cast<int>(v.size());
    if (!in || offset < 0 || count <= 0 || offset >= size) return;
    const int n = std::min(count, size - offset);
    const int skip = std::max(0, std::min(n, reserved - offset));
    std::copy(in + skip, in + n, v.begin() + offset + skip);
    if (d.written && n > skip) d.written(d, offset + skip, n - skip);
}

[[noreturn]] void badAccess(const std::string& path, const char* what) {
    throw std::invalid_argument("xphost: data reference \"" + path + "\" " + what);
}

DataRef& hostRef(const std::string& path, int types, const char* kind) {
    DataRef* d = findRef(path);
    if (!d) badAccess(path, "does not exist");
    if (!(d->types & types)) badAccess(path, kind);
    return *d;
}

}  // namespace

DataRef* findRef(const std::string& path) {
    auto& m = registry().byPath;
    auto it = m.find(path);
    return it == m.end() ? nullptr : it->second.get();
}

DataRef& ref(const char* path) {
    DataRef* d = findRef(path);
    if (!d) badAccess(path, "does not exist");
    return *d;
}

void putFloat(DataRef& r, double v) { r.scalar = static_cast<float>(v); }

void resetDataRefs() {
    for (auto& kv : registry().byPath) {
        DataRef& d = *kv.second;
        d.scalar = 0;
        std::fill(d.ints.begin(), d.ints.end(), 0);
        std::fill(d.floats.begin(), d.floats.end(), 0.0f);
        std::fill(d.bytes.begin(), d.bytes.end(), 0);
    }
    DataRef& parts = ref("sim/aircraft/prop/acf_part_eq");
    std::fill(parts.ints.begin(), parts.ints.end(), 1);
    ref("sim/time/use_system_time").scalar = 1;
    ref("sim/time/zulu_time_sec").scalar = 12 * 3600;
    static const char kTail[] = "PH-VLX";
    DataRef& tail = ref("sim/aircraft/view/acf_tailnum");
    std::copy(kTail, kTail + sizeof kTail - 1, tail.bytes.begin());
}

}  // namespace detail

using detail::DataRef;

void setFloat(const std::string& path, float v) {
    DataRef& d = detail::hostRef(path, xplmType_Float | xplmType_Double, "is not a float");
    d.scalar = v;
}
float getFloat(const std::string& path) {
    return static_cast<float>(detail::hostRef(path, xplmType_Float | xplmType_Double, "is not a float").scalar);
}
void setDouble(const std::string& path, double v) {
    DataRef& d = detail::hostRef(path, xplmType_Float | xplmType_Double, "is not a double");
    d.scalar = (d.types & xplmType_Double) ? v : static_cast<float>(v);
}
double getDouble(const std::string& path) {
    return detail::hostRef(path, xplmType_Float | xplmType_Double, "is not a double").scalar;
}
void setInt(const std::string& path, int v) { detail::hostRef(path, xplmType_Int, "is not an int").scalar = v; }
int getInt(const std::string& path) {
    return static_cast<int>(detail::hostRef(path, xplmType_Int, "is not an int").scalar);
}

namespace {
template <class T> void hostSetArray(std::vector<T>& dst, const std::vector<T>& src, const std::string& path) {
    if (src.size() > dst.size()) detail::badAccess(path, "is shorter than the values given");
    std::copy(src.begin(), src.end(), dst.begin());
}
}  // namespace

void setIntArray(const std::string& path, const std::vector<int>& v) {
    hostSetArray(detail::hostRef(path, xplmType_IntArray, "is not an int array").ints, v, path);
}
std::vector<int> getIntArray(const std::string& path) {
    return detail::hostRef(path, xplmType_IntArray, "is not an int array").ints;
}
void setFloatArray(const std::string& path, const std::vector<float>& v) {
    hostSetArray(detail::hostRef(path, xplmType_FloatArray, "is not a float array").floats, v, path);
}
std::vector<float> getFloatArray(const std::string& path) {
    return detail::hostRef(path, xplmType_FloatArray, "is not a float array").floats;
}
void setBytes(const std::string& path, const std::string& v) {
    DataRef& d = detail::hostRef(path, xplmType_Data, "is not a byte array");
    if (v.size() > d.bytes.size()) detail::badAccess(path, "is shorter than the bytes given");
    std::fill(d.bytes.begin(), d.bytes.end(), 0);
    std::copy(v.begin(), v.end(), d.bytes.begin());
}
std::string getBytes(const std::string& path) {
    const DataRef& d = detail::hostRef(path, xplmType_Data, "is not a byte array");
    return std::string(d.bytes.begin(), d.bytes.end());
}

}  // namespace xphost

using xphost::detail::DataRef;
using xphost::detail::valid;
using xphost::detail::writable;

extern "C" {

XPLM_API XPLMDataRef XPLMFindDataRef(const char* inDataRefName) {
    if (!inDataRefName) return nullptr;
    return xphost::detail::findRef(inDataRefName);
}

XPLM_API int XPLMCanWriteDataRef(XPLMDataRef inDataRef) {
    DataRef* d = valid(inDataRef);
    return d && d->writable ? 1 : 0;
}

XPLM_API int XPLMIsDataRefGood(XPLMDataRef inDataRef) { return valid(inDataRef) ? 1 : 0; }

XPLM_API XPLMDataTypeID XPLMGetDataRefTypes(XPLMDataRef inDataRef) {
    DataRef* d = valid(inDataRef);
    return d ? d->types : xplmType_Unknown;
}

XPLM_API int XPLMGetDatai(XPLMDataRef inDataRef) {
    DataRef* d = valid(inDataRef);
    return d && (d->types & xplmType_Int) ? static_cast<int>(d->scalar) : 0;
}

XPLM_API void XPLMSetDatai(XPLMDataRef inDataRef, int inValue) {
    if (DataRef* d = writable(inDataRef, xplmType_Int)) d->scalar = inValue;
}

XPLM_API float XPLMGetDataf(XPLMDataRef inDataRef) {
    DataRef* d = valid(inDataRef);
    return d && (d->types & xplmType_Float) ? static_cast<float>(d->scalar) : 0.0f;
}

XPLM_API void XPLMSetDataf(XPLMDataRef inDataRef, float inValue) {
    if (DataRef* d = writable(inDataRef, xplmType_Float)) d->scalar = inValue;
}

XPLM_API double XPLMGetDatad(XPLMDataRef inDataRef) {
    DataRef* d = valid(inDataRef);
    return d && (d->types & xplmType_Double) ? d->scalar : 0.0;
}

XPLM_API void XPLMSetDatad(XPLMDataRef inDataRef, double inValue) {
    if (DataRef* d = writable(inDataRef, xplmType_Double)) d->scalar = inValue;
}

XPLM_API int XPLMGetDatavi(XPLMDataRef inDataRef, int* outValues, int inOffset, int inMax) {
    DataRef* d = valid(inDataRef);
    if (!d || !(d->types & xplmType_IntArray)) return 0;
    return xphost::detail::getArray(d->ints, outValues, inOffset, inMax);
}

XPLM_API void XPLMSetDatavi(XPLMDataRef inDataRef, int* inValues, int inoffset, int inCount) {
    if (DataRef* d = writable(inDataRef, xplmType_IntArray))
        xphost::detail::setArray<int>(*d, d->ints, inValues, inoffset, inCount, d->reservedElements);
}

XPLM_API int XPLMGetDatavf(XPLMDataRef inDataRef, float* outValues, int inOffset, int inMax) {
    DataRef* d = valid(inDataRef);
    if (!d || !(d->types & xplmType_FloatArray)) return 0;
    return xphost::detail::getArray(d->floats, outValues, inOffset, inMax);
}

XPLM_API void XPLMSetDatavf(XPLMDataRef inDataRef, float* inValues, int inoffset, int inCount) {
    if (DataRef* d = writable(inDataRef, xplmType_FloatArray))
        xphost::detail::setArray<float>(*d, d->floats, inValues, inoffset, inCount, d->reservedElements);
}

XPLM_API int XPLMGetDatab(XPLMDataRef inDataRef, void* outValue, int inOffset, int inMaxBytes) {
    DataRef* d = valid(inDataRef);
    if (!d || !(d->types & xplmType_Data)) return 0;
    return xphost::detail::getArray(d->bytes, static_cast<unsigned char*>(outValue), inOffset, inMaxBytes);
}

XPLM_API void XPLMSetDatab(XPLMDataRef inDataRef, void* inValue, int inOffset, int inLength) {
    if (DataRef* d = writable(inDataRef, xplmType_Data))
        xphost::detail::setArray<unsigned char>(*d, d->bytes, static_cast<const unsigned char*>(inValue), inOffset,
                                                inLength, d->reservedElements * d->elementBytes);
}

}  // extern "C"
