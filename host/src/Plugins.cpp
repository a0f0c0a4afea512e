// Loading plugin files and calling their entry points as X-Plane does. Every
// call into a plugin is attributed to it (menus and flight loops it creates
// belong to it) and guarded: an exception escaping a plugin is reported as a
// fault instead of tearing down the host.

#include "HostState.h"
#include "ModuleLoader.h"
#include "XPLMHost.h"

#include "XPLMDefs.h"
#include "XPLMPlugin.h"

#include <sys/stat.h>

#include <cstring>
#include <memory>

namespace xphost {
namespace detail {
namespace {

typedef int (*StartFn)(char*, char*, char*);
typedef void (*StopFn)(void);
typedef int (*EnableFn)(void);
typedef void (*DisableFn)(void);
typedef void (*ReceiveFn)(XPLMPluginID, int, void*);

// X-Plane hands 256-byte buffers to XPluginStart.
const size_t kStartBuffer = 256;

struct Plugin {
    std::string path;
    void* handle = nullptr;
    StartFn start = nullptr;
    StopFn stop = nullptr;
    EnableFn enable = nullptr;
    DisableFn disable = nullptr;
    ReceiveFn receive = nullptr;
    bool started = false;
    bool enabled = false;
    std::string name, signature, description;
};

struct Plugins {
    std::vector<std::unique_ptr<Plugin>> all;
    int current = -1;
    bool faulted = false;
    std::string fault;
};

Plugins& plugins() {
    static auto* p = new Plugins;
    return *p;
}

Plugin* at(int index) {
    auto& all = plugins().all;
    return index >= 0 && index < static_cast<int>(all.size()) ? all[index].get() : nullptr;
}

std::string label(int index) {
    Plugin* p = at(index);
    if (!p) return "the host";
    return p->name.empty() ? p->path : p->name;
}

std::string bufferText(const std::vector<char>& b) { return std::string(b.data(), strnlen(b.data(), b.size())); }

template <class T> T symbol(void* handle, const char* name) {
    return reinterpret_cast<T>(moduleSymbol(handle, name));
}

// Menus, flight loops, the other aircraft, instances and objects a plugin
// took go when it does.
void releaseWhatItOwns(int index) {
    removeMenusOf(index);
    removeLoopsOf(index);
    releasePlanesOf(index);
    releaseInstancesOf(index);
    releaseObjectsOf(index);
}

}  // namespace

int currentPlugin() { return plugins().current; }

PluginScope::PluginScope(int index) : saved_(plugins().current) { plugins().current = index; }
PluginScope::~PluginScope() { plugins().current = saved_; }

void reportFault(int index, const char* where, const char* what) {
    Plugins& ps = plugins();
    const std::string text = "plugin " + label(index) + " threw an exception from " + where + ": " + what;
    if (!ps.faulted) {
        ps.faulted = true;
        ps.fault = text;
    }
    hostLine(text);
}

bool pluginIsEnabled(int index) {
    Plugin* p = at(index);
    return p && p->enabled;
}

std::string pluginLabel(int index) { return index == kOtherPlugin ? "another plugin" : label(index); }

void sendMessageTo(int index, int from, int message, void* param) {
    Plugin* p = at(index);
    if (!p || !p->enabled) return;
    callPlugin(index, "XPluginReceiveMessage", [&] { p->receive(from, message, param); });
}

void clearFault() {
    plugins().faulted = false;
    plugins().fault.clear();
}

}  // namespace detail

using detail::Plugin;

int loadPlugin(const std::string& path, std::string* error) { return loadPlugin(path, error, nullptr); }

int loadPlugin(const std::string& path, std::string* error, bool* startRefused) {
    std::string dummy;
    std::string& err = error ? *error : dummy;
    if (startRefused) *startRefused = false;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        err = "plugin " + path + ": " + std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        err = "plugin " + path + ": not a file";
        return -1;
    }
    std::string why;
    void* handle = detail::openModule(path, why);
    if (!handle) {
        err = "plugin " + path + ": cannot load it as a shared library: " + why;
        return -1;
    }
    // The same file twice would share one set of globals between two plugins.
    for (int i = 0; i < pluginCount(); ++i)
        if (detail::at(i)->handle == handle) {
            detail::closeModule(handle);
            err = "plugin " + path + ": already loaded as " + detail::label(i);
            return -1;
        }
    auto p = std::make_unique<Plugin>();
    p->path = path;
    p->handle = handle;
    p->start = detail::symbol<detail::StartFn>(handle, "XPluginStart");
    p->stop = detail::symbol<detail::StopFn>(handle, "XPluginStop");
    p->enable = detail::symbol<detail::EnableFn>(handle, "XPluginEnable");
    p->disable = detail::symbol<detail::DisableFn>(handle, "XPluginDisable");
    p->receive = detail::symbol<detail::ReceiveFn>(handle, "XPluginReceiveMessage");
    const char* missing = !p->start     ? "XPluginStart"
                          : !p->stop    ? "XPluginStop"
                          : !p->enable  ? "XPluginEnable"
                          : !p->disable ? "XPluginDisable"
                          : !p->receive ? "XPluginReceiveMessage"
                                        : nullptr;
    if (missing) {
        detail::closeModule(handle);
        err = "plugin " + path + ": entry point " + missing + " is missing";
        return -1;
    }

    auto& all = detail::plugins().all;
    const int index = static_cast<int>(all.size());
    Plugin* raw = p.get();
    all.push_back(std::move(p));

    std::vector<char> name(detail::kStartBuffer, 0), sig(detail::kStartBuffer, 0), desc(detail::kStartBuffer, 0);
    int started = 0;
    const bool ok = detail::callPlugin(index, "XPluginStart",
                                       [&] { started = raw->start(name.data(), sig.data(), desc.data()); });
    raw->name = detail::bufferText(name);
    raw->signature = detail::bufferText(sig);
    raw->description = detail::bufferText(desc);
    if (ok && started) {
        raw->started = true;
        detail::hostLine("loaded plugin " + raw->name + " (" + raw->signature + ") from " + path);
        return index;
    }
    // A plugin that did not start is unloaded without XPluginStop; what it
    // registered during the attempt goes with it.
    if (ok) {
        if (startRefused) *startRefused = true;
        err = "plugin " + path + ": XPluginStart returned 0: " + raw->description;
    } else {
        err = "plugin " + path + ": " + detail::plugins().fault;
    }
    detail::releaseWhatItOwns(index);
    detail::closeModule(raw->handle);
    all.pop_back();
    return -1;
}

bool enablePlugin(int index) {
    Plugin* p = detail::at(index);
    if (!p || !p->started) return false;
    if (p->enabled) return true;
    int result = 0;
    if (!detail::callPlugin(index, "XPluginEnable", [&] { result = p->enable(); })) return false;
    if (!result) {
        detail::hostLine("plugin " + detail::label(index) + " refused to be enabled");
        return false;
    }
    p->enabled = true;
    return true;
}

void disablePlugin(int index) {
    Plugin* p = detail::at(index);
    if (!p || !p->enabled) return;
    p->enabled = false;
    detail::callPlugin(index, "XPluginDisable", [&] { p->disable(); });
    // X-Plane takes the other aircraft back from a disabled plugin.
    detail::releasePlanesOf(index);
}

void unloadAll() {
    auto& all = detail::plugins().all;
    for (int i = static_cast<int>(all.size()) - 1; i >= 0; --i) disablePlugin(i);
    for (int i = static_cast<int>(all.size()) - 1; i >= 0; --i) {
        Plugin* p = all[i].get();
        if (p->started) detail::callPlugin(i, "XPluginStop", [&] { p->stop(); });
        p->started = false;
        detail::releaseWhatItOwns(i);
    }
    for (int i = static_cast<int>(all.size()) - 1; i >= 0; --i) detail::closeModule(all[i]->handle);
    all.clear();
}

int findPlugin(const std::string& which) {
    auto& all = detail::plugins().all;
    auto first = [&](auto matches) {
        for (size_t i = 0; i < all.size(); ++i)
            if (matches(*all[i])) return static_cast<int>(i);
        return -1;
    };
    int index = first([&](const Plugin& p) { return p.name == which; });
    if (index < 0) index = first([&](const Plugin& p) { return p.signature == which; });
    if (index < 0)
        index = first([&](const Plugin& p) {
            const size_t slash = p.path.rfind('/');
            return p.path == which || p.path.substr(slash == std::string::npos ? 0 : slash + 1) == which;
        });
    return index;
}

int reloadPlugins() {
    // As X-Plane's "Reload plugins": everything is disabled, stopped and
    // unloaded, then loaded, started and enabled again, in the same order,
    // while the flight goes on. Nobody resends the aircraft or airport messages.
    std::vector<std::string> paths;
    for (auto& p : detail::plugins().all) paths.push_back(p->path);
    detail::hostLine("reloading " + std::to_string(paths.size()) + " plugin(s)");
    unloadAll();
    int enabled = 0;
    for (const std::string& path : paths) {
        if (pluginFaulted()) break;
        std::string error;
        const int index = loadPlugin(path, &error);
        if (index < 0) {
            detail::hostLine(error);
            continue;
        }
        if (enablePlugin(index)) ++enabled;
    }
    return enabled;
}

int pluginCount() { return static_cast<int>(detail::plugins().all.size()); }
bool pluginEnabled(int index) { return detail::pluginIsEnabled(index); }
std::string pluginName(int index) {
    Plugin* p = detail::at(index);
    return p ? p->name : std::string();
}
std::string pluginSignature(int index) {
    Plugin* p = detail::at(index);
    return p ? p->signature : std::string();
}
std::string pluginDescription(int index) {
    Plugin* p = detail::at(index);
    return p ? p->description : std::string();
}
void* pluginSymbol(int index, const std::string& name) {
    Plugin* p = detail::at(index);
    return p ? detail::moduleSymbol(p->handle, name.c_str()) : nullptr;
}

bool pluginFaulted() { return detail::plugins().faulted; }
std::string pluginFault() { return detail::plugins().fault; }

void sendMessage(int message, void* param) {
    auto& all = detail::plugins().all;
    for (size_t i = 0; i < all.size(); ++i) {
        Plugin* p = all[i].get();
        if (!p->enabled) continue;
        detail::callPlugin(static_cast<int>(i), "XPluginReceiveMessage",
                           [&] { p->receive(XPLM_PLUGIN_XPLANE, message, param); });
    }
}

}  // namespace xphost

extern "C" {

XPLM_API XPLMPluginID XPLMGetMyID(void) {
    const int current = xphost::detail::currentPlugin();
    // X-Plane itself is id 0; plugins count from 1 in load order.
    return current >= 0 ? current + 1 : XPLM_NO_PLUGIN_ID;
}

XPLM_API int XPLMCountPlugins(void) { return xphost::pluginCount(); }

XPLM_API void XPLMGetPluginInfo(XPLMPluginID inPlugin, char* outName, char* outFilePath, char* outSignature,
                                char* outDescription) {
    using namespace xphost::detail;
    // X-Plane's buffers are 256 bytes; the path is the full path of the file.
    const size_t kBuffer = 256;
    Plugin* p = at(inPlugin - 1);
    copyTruncated(outName, kBuffer, p ? p->name : std::string());
    copyTruncated(outFilePath, kBuffer, p ? absolutePath(p->path) : std::string());
    copyTruncated(outSignature, kBuffer, p ? p->signature : std::string());
    copyTruncated(outDescription, kBuffer, p ? p->description : std::string());
}

}  // extern "C"
