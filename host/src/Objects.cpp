// Scenery objects: OBJ8 files loaded for plugins, at once or asynchronously,
// and the scenery library that maps virtual paths to files.
//
// Paths are relative to the X-Plane folder. A load reads the whole file and
// refuses what X-Plane would refuse to draw: a wrong header, counts that do
// not match the data, indices outside the vertex table, draw commands outside
// the index table. Each successful load is one reference the plugin must give
// back with XPLMUnloadObject; loading the same file again shares the object.
//
// Asynchronous loads complete at the start of a later frame, never inside the
// call. X-Plane holds the callback of a disabled plugin until it is enabled
// again, and releases the object itself when the plugin is unloaded first.
//
// The library: every "library.txt" in a scenery package, read as X-Plane
// reads them ("EXPORT <virtual path> <file relative to the package>";
// EXPORT_EXTEND and EXPORT_EXCLUDE add files the same way; EXPORT_BACKUP files
// count only when no package exports the path otherwise). Files come in the
// packages' priority order: "Custom Scenery/scenery_packs.ini" order (packs
// it does not list first, by name, as X-Plane puts new packs at the top;
// SCENERY_PACK_DISABLED ones not at all), or by name without that file; then
// the packages of "Resources/default scenery" by name.

#include "HostState.h"
#include "Route.h"
#include "XPLMHost.h"

#include "XPLMScenery.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <unordered_set>

namespace xphost {
namespace detail {
namespace {

// Generous for a model, and it keeps a hostile file from using up memory.
const std::streamoff kMaxObjBytes = 64 << 20;

struct Object {
    std::string path;      // as the plugin named it
    std::string fullPath;  // resolved in the X-Plane folder
    int owner = -1;
    int loads = 0;      // plugin references
    int instances = 0;  // instances keep the object alive after its last unload
};

struct Pending {
    std::string path;
    XPLMObjectLoaded_f callback = nullptr;
    void* refcon = nullptr;
    int owner = -1;
    long long dueFrame = 0;
};

struct Objects {
    std::string xplaneDir;  // absolute, no trailing '/'
    std::map<std::string, std::unique_ptr<Object>> byPath;  // key: full path + owner
    std::unordered_set<const void*> handles;
    std::vector<Pending> pending;
    bool libraryRead = false;
    struct Export {
        std::string file;  // relative to the X-Plane folder
        bool backup = false;
    };
    std::map<std::string, std::vector<Export>> library;  // virtual path -> files, by priority
};

Objects& objects() {
    static auto* o = new Objects;
    return *o;
}

std::string key(const std::string& fullPath, int owner) { return std::to_string(owner) + ":" + fullPath; }

// Always inside the X-Plane folder, as X-Plane takes it: even a path that
// starts with '/' is relative.
std::string resolve(const std::string& path) { return xplaneDir() + "/" + path; }

bool numberWord(std::istringstream& in, double* v) {
    std::string w;
    if (!(in >> w)) return false;
    return xphost::parseNumber(w, v);
}

bool countWord(std::istringstream& in, long long* v) {
    double d;
    if (!numberWord(in, &d) || d < 0 || d != std::floor(d) || d > 1e9) return false;
    *v = static_cast<long long>(d);
    return true;
}

}  // namespace

std::string checkObj8(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> header;
    // The header: line-ending mark, version, type.
    while (header.size() < 3 && std::getline(lines, line)) {
        std::istringstream w(line);
        std::string word;
        if (w >> word) header.push_back(word);
    }
    if (header.size() < 3) return "not an OBJ file (no header)";
    if (header[0] != "A" && header[0] != "I") return "not an OBJ file (first line is not A or I)";
    if (header[1] != "800") return "not an OBJ8 file (version " + header[1] + ", expected 800)";
    if (header[2] != "OBJ") return "not an OBJ file (type " + header[2] + ")";

    bool counted = false;
    long long wantVt = 0, wantLines = 0, wantLights = 0, wantIdx = 0;
    long long vt = 0, vlines = 0, vlights = 0, idx = 0;
    std::vector<std::pair<long long, long long>> draws;
    std::vector<long long> indices;
    int lineNo = 3;
    while (std::getline(lines, line)) {
        ++lineNo;
        std::istringstream in(line);
        std::string cmd;
        if (!(in >> cmd) || cmd[0] == '#') continue;
        const std::string at = "line " + std::to_string(lineNo) + ": ";
        if (cmd == "POINT_COUNTS") {
            if (counted) return at + "POINT_COUNTS twice";
            if (!countWord(in, &wantVt) || !countWord(in, &wantLines) || !countWord(in, &wantLights) ||
                !countWord(in, &wantIdx))
                return at + "POINT_COUNTS needs four counts";
            counted = true;
            indices.reserve(static_cast<size_t>(std::min<long long>(wantIdx, 1 << 20)));
        } else if (cmd == "VT" || cmd == "VLINE" || cmd == "VLIGHT") {
            if (!counted) return at + cmd + " before POINT_COUNTS";
            const int n = cmd == "VT" ? 8 : 6;
            for (int i = 0; i < n; ++i) {
                double v;
                if (!numberWord(in, &v)) return at + cmd + " needs " + std::to_string(n) + " numbers";
            }
            long long& have = cmd == "VT" ? vt : cmd == "VLINE" ? vlines : vlights;
            const long long want = cmd == "VT" ? wantVt : cmd == "VLINE" ? wantLines : wantLights;
            if (++have > want) return at + "more " + cmd + " entries than POINT_COUNTS declares";
        } else if (cmd == "IDX" || cmd == "IDX10") {
            if (!counted) return at + cmd + " before POINT_COUNTS";
            const int n = cmd == "IDX" ? 1 : 10;
            for (int i = 0; i < n; ++i) {
                long long v;
                if (!countWord(in, &v)) return at + cmd + " needs " + std::to_string(n) + " indices";
                if (v >= wantVt) return at + "index " + std::to_string(v) + " is outside the vertex table";
                if (++idx > wantIdx) return at + "more indices than POINT_COUNTS declares";
                indices.push_back(v);
            }
        } else if (cmd == "TRIS" || cmd == "LINES" || cmd == "LIGHTS") {
            long long offset, count;
            if (!countWord(in, &offset) || !countWord(in, &count)) return at + cmd + " needs an offset and a count";
            if (cmd == "TRIS" && count % 3 != 0) return at + "TRIS count is not a multiple of 3";
            const long long limit = cmd == "TRIS" ? wantIdx : cmd == "LINES" ? wantIdx : wantLights;
            if (!counted || offset + count > limit) return at + cmd + " reaches past the table it draws from";
            draws.emplace_back(offset, count);
        }
        // Attributes, animation, textures and the rest do not decide loading here.
    }
    if (!counted) return "no POINT_COUNTS";
    if (vt != wantVt || vlines != wantLines || vlights != wantLights || idx != wantIdx)
        return "the file ends before the tables POINT_COUNTS declares are complete";
    return std::string();
}

namespace {

// Reads and checks the file; "" when X-Plane would load it, else why not.
std::string readObject(const std::string& fullPath) {
    struct stat st;
    if (stat(fullPath.c_str(), &st) != 0) return "no such file";
    if (!S_ISREG(st.st_mode)) return "not a file";
    if (st.st_size > kMaxObjBytes) return "file too large";
    std::ifstream in(fullPath, std::ios::binary);
    if (!in) return "cannot be read";
    std::ostringstream s;
    s << in.rdbuf();
    return checkObj8(s.str());
}

XPLMObjectRef load(const std::string& path, int owner) {
    Objects& o = objects();
    const std::string full = resolve(path);
    const std::string why = readObject(full);
    if (!why.empty()) {
        hostLine("cannot load object " + path + ": " + why);
        return nullptr;
    }
    auto& slot = o.byPath[key(full, owner)];
    if (!slot) {
        slot = std::make_unique<Object>();
        slot->path = path;
        slot->fullPath = full;
        slot->owner = owner;
        o.handles.insert(slot.get());
    }
    ++slot->loads;
    return slot.get();
}

void forget(Object* obj) {
    Objects& o = objects();
    if (obj->loads > 0 || obj->instances > 0) return;
    o.handles.erase(obj);
    o.byPath.erase(key(obj->fullPath, obj->owner));
}

void readPackage(const std::string& dir, const std::string& relDir) {
    std::ifstream in(dir + "/library.txt");
    if (!in) return;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        std::string cmd, virt, file;
        if (!(w >> cmd)) continue;
        if (cmd != "EXPORT" && cmd != "EXPORT_EXTEND" && cmd != "EXPORT_EXCLUDE" && cmd != "EXPORT_BACKUP") continue;
        if (!(w >> virt)) continue;
        std::getline(w, file);  // the rest of the line: file names may hold spaces
        const size_t b = file.find_first_not_of(" \t");
        const size_t e = file.find_last_not_of(" \t\r");
        if (b == std::string::npos) continue;
        file = file.substr(b, e - b + 1);
        std::replace(file.begin(), file.end(), ':', '/');
        auto& files = objects().library[virt];
        const std::string rel = relDir + "/" + file;
        if (std::none_of(files.begin(), files.end(), [&](const Objects::Export& x) { return x.file == rel; }))
            files.push_back(Objects::Export{rel, cmd == "EXPORT_BACKUP"});
    }
}

std::set<std::string> packagesIn(const std::string& root) {
    std::set<std::string> names;
    if (DIR* d = opendir((xplaneDir() + "/" + root).c_str())) {
        while (dirent* e = readdir(d)) {
            struct stat st;
            const std::string n = e->d_name;
            if (n[0] != '.' && stat((xplaneDir() + "/" + root + "/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                names.insert(root + "/" + n);
        }
        closedir(d);
    }
    return names;
}

// Custom packages, highest priority first.
std::vector<std::string> customPackages() {
    std::set<std::string> unlisted = packagesIn("Custom Scenery");
    std::vector<std::string> listed;
    std::ifstream ini(xplaneDir() + "/Custom Scenery/scenery_packs.ini");
    std::string line;
    while (std::getline(ini, line)) {
        std::istringstream w(line);
        std::string cmd, path;
        if (!(w >> cmd) || (cmd != "SCENERY_PACK" && cmd != "SCENERY_PACK_DISABLED")) continue;
        std::getline(w, path);  // to the end of the line: folder names may hold spaces
        const size_t b = path.find_first_not_of(" \t");
        if (b == std::string::npos) continue;
        path = path.substr(b);
        while (!path.empty() && (path.back() == '/' || path.back() == '\r' || path.back() == ' ')) path.pop_back();
        const std::string root = xplaneDir() + "/";
        if (path.compare(0, root.size(), root) == 0) path = path.substr(root.size());
        if (path.empty() || path[0] == '*') continue;  // *GLOBAL_AIRPORTS* and the like: no library
        unlisted.erase(path);
        if (cmd == "SCENERY_PACK" && std::find(listed.begin(), listed.end(), path) == listed.end())
            listed.push_back(path);
    }
    std::vector<std::string> order(unlisted.begin(), unlisted.end());
    order.insert(order.end(), listed.begin(), listed.end());
    return order;
}

void readLibrary() {
    Objects& o = objects();
    if (o.libraryRead) return;
    o.libraryRead = true;
    o.library.clear();
    std::vector<std::string> packs = customPackages();
    for (const std::string& p : packagesIn("Resources/default scenery")) packs.push_back(p);
    for (const std::string& p : packs) readPackage(p[0] == '/' ? p : xplaneDir() + "/" + p, p);
}

}  // namespace

std::string xplaneDir() {
    Objects& o = objects();
    return o.xplaneDir.empty() ? absolutePath(".") : o.xplaneDir;
}

bool objectIsLoaded(void* ref) { return ref && objects().handles.count(ref) > 0; }

std::string objectPath(void* ref) { return objectIsLoaded(ref) ? static_cast<Object*>(ref)->path : std::string(); }

void holdObject(void* ref, int delta) {
    if (!objectIsLoaded(ref)) return;
    Object* obj = static_cast<Object*>(ref);
    obj->instances += delta;
    forget(obj);
}

void deliverLoadedObjects() {
    Objects& o = objects();
    const long long frame = cycle();
    // A callback may start another load: take the due ones out first.
    std::vector<Pending> due;
    for (auto it = o.pending.begin(); it != o.pending.end();) {
        if (it->dueFrame <= frame && pluginIsEnabled(it->owner)) {
            due.push_back(*it);
            it = o.pending.erase(it);
        } else {
            ++it;
        }
    }
    for (const Pending& p : due) {
        XPLMObjectRef obj = load(p.path, p.owner);
        if (!callPlugin(p.owner, "its object-loaded callback", [&] { p.callback(obj, p.refcon); })) return;
    }
}

void releaseObjectsOf(int plugin) {
    Objects& o = objects();
    o.pending.erase(std::remove_if(o.pending.begin(), o.pending.end(),
                                   [plugin](const Pending& p) { return p.owner == plugin; }),
                    o.pending.end());
    int left = 0;
    std::vector<Object*> mine;
    for (auto& kv : o.byPath)
        if (kv.second->owner == plugin && kv.second->loads > 0) {
            left += kv.second->loads;
            mine.push_back(kv.second.get());
        }
    if (left > 0) hostLine("plugin " + pluginLabel(plugin) + " left " + std::to_string(left) +
                           " object load(s) without XPLMUnloadObject; released");
    for (Object* obj : mine) {
        obj->loads = 0;
        forget(obj);
    }
}

void clearObjects() {
    Objects& o = objects();
    o.byPath.clear();
    o.handles.clear();
    o.pending.clear();
    o.libraryRead = false;
}

}  // namespace detail

void setXPlaneDir(const std::string& dir) {
    std::string d = detail::absolutePath(dir);
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    detail::objects().xplaneDir = d;
    detail::objects().libraryRead = false;
}

std::string xplaneDir() { return detail::xplaneDir(); }

std::vector<LoadedObject> loadedObjects() {
    std::vector<LoadedObject> out;
    for (auto& kv : detail::objects().byPath)
        out.push_back(LoadedObject{kv.second->path, kv.second->owner, kv.second->loads, kv.second->instances});
    return out;
}

int pendingObjectLoads() { return static_cast<int>(detail::objects().pending.size()); }

}  // namespace xphost

using xphost::detail::Object;
using xphost::detail::objects;

extern "C" {

XPLM_API XPLMObjectRef XPLMLoadObject(const char* inPath) {
    if (!inPath || !*inPath) return nullptr;
    return xphost::detail::load(inPath, xphost::detail::currentPlugin());
}

XPLM_API void XPLMLoadObjectAsync(const char* inPath, XPLMObjectLoaded_f inCallback, void* inRefcon) {
    using namespace xphost::detail;
    const int me = currentPlugin();
    if (!inCallback || me < 0) return;  // nobody to tell
    Pending p;
    p.path = inPath ? inPath : "";
    p.callback = inCallback;
    p.refcon = inRefcon;
    p.owner = me;
    p.dueFrame = cycle() + 1;
    objects().pending.push_back(p);
}

XPLM_API void XPLMUnloadObject(XPLMObjectRef inObject) {
    using namespace xphost::detail;
    if (!objectIsLoaded(inObject)) return;
    Object* obj = static_cast<Object*>(inObject);
    if (obj->loads <= 0) {
        hostLine("XPLMUnloadObject on " + obj->path + " without a load left; ignored");
        return;
    }
    --obj->loads;
    forget(obj);
}

XPLM_API int XPLMLookupObjects(const char* inPath, float /*inLatitude*/, float /*inLongitude*/,
                               XPLMLibraryEnumerator_f enumerator, void* ref) {
    using namespace xphost::detail;
    if (!inPath) return 0;
    readLibrary();
    auto it = objects().library.find(inPath);
    if (it == objects().library.end()) return 0;
    std::vector<std::string> files, backups;  // copies: the enumerator may look up again
    for (const auto& e : it->second) (e.backup ? backups : files).push_back(e.file);
    if (files.empty()) files.swap(backups);
    if (enumerator)
        for (const std::string& f : files) enumerator(f.c_str(), ref);
    return static_cast<int>(files.size());
}

}  // extern "C"
