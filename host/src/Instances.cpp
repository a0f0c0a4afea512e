// Instanced objects: what plugins place in the world. An instance needs a
// loaded object and keeps it alive; its position is in the local frame, as
// X-Plane takes it, and stays where it was put when the frame's origin moves.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMDataAccess.h"
#include "XPLMInstance.h"

#include <cmath>
#include <map>
#include <memory>
#include <unordered_map>

namespace xphost {
namespace detail {
namespace {

struct Instance {
    long long id = 0;
    void* object = nullptr;
    int owner = -1;
    size_t datarefs = 0;
    std::vector<float> data;
    bool placed = false;
    XPLMDrawInfo_t where{};
};

struct Instances {
    std::map<long long, std::unique_ptr<Instance>> byId;  // creation order
    // Hashed: plugins place every instance in every frame.
    std::unordered_map<const void*, Instance*> byHandle;
    long long nextId = 1;
};

Instances& instances() {
    static auto* i = new Instances;
    return *i;
}

Instance* find(XPLMInstanceRef ref) {
    auto& m = instances().byHandle;
    auto it = m.find(ref);
    return it == m.end() ? nullptr : it->second;
}

void destroy(Instance* in) {
    Instances& all = instances();
    holdObject(in->object, -1);
    all.byHandle.erase(in);
    all.byId.erase(in->id);
}

}  // namespace

void releaseInstancesOf(int plugin) {
    std::vector<Instance*> mine;
    for (auto& kv : instances().byId)
        if (kv.second->owner == plugin) mine.push_back(kv.second.get());
    if (!mine.empty())
        hostLine("plugin " + pluginLabel(plugin) + " left " + std::to_string(mine.size()) +
                 " instance(s) without XPLMDestroyInstance; destroyed");
    for (Instance* in : mine) destroy(in);
}

void clearInstances() {
    instances().byId.clear();
    instances().byHandle.clear();
    instances().nextId = 1;
}

}  // namespace detail

std::vector<DrawnInstance> drawnInstances() {
    std::vector<DrawnInstance> out;
    for (auto& kv : detail::instances().byId) {
        const detail::Instance& in = *kv.second;
        DrawnInstance d;
        d.id = in.id;
        d.plugin = in.owner;
        d.model = detail::objectPath(in.object);
        d.placed = in.placed;
        d.x = in.where.x;
        d.y = in.where.y;
        d.z = in.where.z;
        d.pitch = in.where.pitch;
        d.heading = in.where.heading;
        d.roll = in.where.roll;
        d.data = in.data;
        out.push_back(d);
    }
    return out;
}

}  // namespace xphost

extern "C" {

XPLM_API XPLMInstanceRef XPLMCreateInstance(XPLMObjectRef obj, const char** datarefs) {
    using namespace xphost::detail;
    if (!objectIsLoaded(obj)) {
        hostLine("XPLMCreateInstance: the object is not loaded; no instance");
        return nullptr;
    }
    if (!datarefs) {
        // X-Plane dereferences the array: a NULL array is a plugin fault.
        hostLine("XPLMCreateInstance: the data reference array is NULL (pass an array holding NULL); no instance");
        return nullptr;
    }
    auto in = std::make_unique<Instance>();
    for (const char** d = datarefs; *d; ++d) ++in->datarefs;
    in->data.assign(in->datarefs, 0.0f);
    in->object = obj;
    in->owner = currentPlugin();
    Instances& all = instances();
    in->id = all.nextId++;
    holdObject(obj, +1);
    Instance* raw = in.get();
    all.byHandle[raw] = raw;
    all.byId[raw->id] = std::move(in);
    return raw;
}

XPLM_API void XPLMDestroyInstance(XPLMInstanceRef instance) {
    using namespace xphost::detail;
    if (Instance* in = find(instance)) destroy(in);
}

XPLM_API void XPLMInstanceSetPosition(XPLMInstanceRef instance, const XPLMDrawInfo_t* new_position,
                                      const float* data) {
    using namespace xphost::detail;
    Instance* in = find(instance);
    if (!in || !new_position) return;
    if (new_position->structSize != static_cast<int>(sizeof(XPLMDrawInfo_t))) {
        hostLine("XPLMInstanceSetPosition: structSize " + std::to_string(new_position->structSize) +
                 " is not sizeof(XPLMDrawInfo_t); ignored");
        return;
    }
    in->where = *new_position;
    in->placed = true;
    if (in->datarefs > 0 && data) in->data.assign(data, data + in->datarefs);
}

}  // extern "C"
