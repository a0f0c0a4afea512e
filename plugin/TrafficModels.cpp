#include "TrafficModels.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "PluginState.h"
#include "XPLMPlugin.h"
#include "XPLMUtilities.h"

namespace volax {

namespace {

constexpr size_t kPathSize = 1024;
// Far more than any model table needs; a runaway file cannot use up memory.
constexpr std::streamoff kMaxTableBytes = 1 << 20;
// Distinct model files loaded at most: a table naming more is cut, not obeyed.
constexpr size_t kMaxModels = 256;
// Entity types remembered; peers may send any number of distinct types.
constexpr size_t kMaxCachedTypes = 4096;

struct Slot {
    enum State { Idle, Loading, Loaded, Failed };
    std::string path;  // as in volaxmodels.ini
    State state = Idle;
    XPLMObjectRef object = nullptr;
    bool wanted = false;  // false: a load that lands is unloaded at once
};

// Slots live as long as the module: X-Plane may deliver a load after the
// plugin was disabled and enabled again, and the callback needs its slot.
std::map<std::string, std::unique_ptr<Slot>>& slots() {
    static auto* s = new std::map<std::string, std::unique_ptr<Slot>>;
    return *s;
}

// Entity type -> slot, filled as types show up; cleared with the table.
std::unordered_map<uint64_t, Slot*>& byType() {
    static auto* m = new std::unordered_map<uint64_t, Slot*>;
    return *m;
}

uint64_t typeKey(const EntityType& t) {
    return (uint64_t(t.kind) << 56) | (uint64_t(t.domain) << 48) | (uint64_t(t.country) << 32) |
           (uint64_t(t.category) << 24) | (uint64_t(t.subcategory) << 16) | (uint64_t(t.specific) << 8) | t.extra;
}

void onObjectLoaded(XPLMObjectRef object, void* refcon) {
    // Called by X-Plane: nothing may escape.
    try {
        Slot* slot = static_cast<Slot*>(refcon);
        if (!slot->wanted) {
            if (object) XPLMUnloadObject(object);
            slot->state = Slot::Idle;
            return;
        }
        if (!object) {
            slot->state = Slot::Failed;
            std::string line = "VOLAX could not load the traffic model " + slot->path + "\n";
            XPLMDebugString(line.c_str());
            trace("%s", line.c_str());
            return;
        }
        slot->object = object;
        slot->state = Slot::Loaded;
        trace("Traffic model %s loaded\n", slot->path.c_str());
    } catch (...) {
    }
}

void firstFile(const char* path, void* ref) {
    std::string* first = static_cast<std::string*>(ref);
    if (first->empty() && path) *first = path;
}

}  // namespace

std::string pluginFolder() {
    char path[kPathSize] = {};
    XPLMGetPluginInfo(XPLMGetMyID(), nullptr, path, nullptr, nullptr);
    path[kPathSize - 1] = '\0';
    XPLMExtractFileAndPath(path);
    std::string folder = path;
    const char* sepText = XPLMGetDirectorySeparator();
    const char sep = sepText && *sepText ? *sepText : '/';
    const size_t cut = folder.rfind(sep);
    const std::string last = cut == std::string::npos ? folder : folder.substr(cut + 1);
    for (const char* platform : {"lin_x64", "mac_x64", "win_x64", "64", "32"})
        if (last == platform && cut != std::string::npos) folder.erase(cut);
    return folder + sep;
}

bool TrafficModels::load(const std::string& folder, float latitude, float longitude) {
    table_.clear();
    byType().clear();
    const std::string file = folder + "volaxmodels.ini";
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        trace("No model table %s\n", file.c_str());
        std::string line = "VOLAX found no volaxmodels.ini in " + folder + ": traffic is not drawn\n";
        XPLMDebugString(line.c_str());
        return false;
    }
    std::string text(static_cast<size_t>(kMaxTableBytes), '\0');
    in.read(&text[0], kMaxTableBytes);
    text.resize(static_cast<size_t>(in.gcount()));
    std::vector<std::string> errors;
    const size_t rules = table_.parse(text, "volaxmodels.ini", errors);
    for (const std::string& e : errors) trace("%s\n", e.c_str());
    if (!errors.empty()) {
        std::string line = "VOLAX skipped " + std::to_string(errors.size()) + " malformed line(s) of " + file +
                           " (first: " + errors.front() + ")\n";
        XPLMDebugString(line.c_str());
    }
    trace("Model table %s: %zu rules\n", file.c_str(), rules);

    size_t models = 0;
    for (const std::string& path : table_.paths()) {
        if (++models > kMaxModels) {
            std::string line = "VOLAX loads the first " + std::to_string(kMaxModels) + " models of " + file +
                               " only; rules naming others draw nothing\n";
            XPLMDebugString(line.c_str());
            break;
        }
        auto& slot = slots()[path];
        if (!slot) {
            slot = std::make_unique<Slot>();
            slot->path = path;
        }
        slot->wanted = true;
        if (slot->state == Slot::Loaded || slot->state == Slot::Loading) continue;
        std::string resolved;
        const int found = XPLMLookupObjects(path.c_str(), latitude, longitude, firstFile, &resolved);
        if (found <= 0 || resolved.empty()) resolved = path;
        trace("Loading traffic model %s from %s\n", path.c_str(), resolved.c_str());
        slot->state = Slot::Loading;
        XPLMLoadObjectAsync(resolved.c_str(), onObjectLoaded, slot.get());
    }
    return true;
}

XPLMObjectRef TrafficModels::objectFor(const EntityType& type) const {
    const uint64_t key = typeKey(type);
    auto& cache = byType();
    auto it = cache.find(key);
    Slot* slot = nullptr;
    if (it != cache.end()) {
        slot = it->second;
    } else {
        if (const std::string* path = table_.lookup(type)) {
            auto s = slots().find(*path);
            if (s != slots().end()) slot = s->second.get();
        }
        if (cache.size() >= kMaxCachedTypes) cache.clear();
        cache.emplace(key, slot);
    }
    return slot && slot->state == Slot::Loaded ? slot->object : nullptr;
}

void TrafficModels::forgetPendingLoads() {
    for (auto& kv : slots())
        if (kv.second->state == Slot::Loading) kv.second->state = Slot::Idle;
}

void TrafficModels::unloadAll() {
    for (auto& kv : slots()) {
        Slot& s = *kv.second;
        s.wanted = false;
        if (s.state == Slot::Loaded) {
            XPLMUnloadObject(s.object);
            s.object = nullptr;
            s.state = Slot::Idle;
        } else if (s.state == Slot::Failed) {
            s.state = Slot::Idle;
        }
    }
    table_.clear();
    byType().clear();
}

}  // namespace volax
