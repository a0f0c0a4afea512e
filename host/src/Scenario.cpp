// Timed scenario events: what a user would do in the simulator, at given
// simulated times.

#include "HostState.h"
#include "Route.h"
#include "XPLMHost.h"

#include "XPLMPlugin.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <sstream>

namespace xphost {
namespace {

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Everything after the first `n` words of a line, trimmed.
std::string restAfterWords(const std::string& line, int n) {
    size_t i = 0;
    for (int k = 0; k < n; ++k) {
        i = line.find_first_not_of(" \t\r", i);
        if (i == std::string::npos) return std::string();
        i = line.find_first_of(" \t\r", i);
        if (i == std::string::npos) return std::string();
    }
    return trim(line.substr(i));
}

bool parseInt(const std::string& word, long long lo, long long hi, long long* v) {
    double d;
    if (!parseNumber(word, &d) || d != std::floor(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
        return false;
    *v = static_cast<long long>(d);
    return true;
}

const char* eventName(ScenarioEvent::Kind k) {
    switch (k) {
        case ScenarioEvent::Menu: return "menu";
        case ScenarioEvent::Crash: return "crash";
        case ScenarioEvent::Aircraft: return "aircraft";
        case ScenarioEvent::Airport: return "airport";
        case ScenarioEvent::Count: return "count";
        case ScenarioEvent::Message: return "message";
        case ScenarioEvent::PlanesAcquire: return "planes acquire";
        case ScenarioEvent::PlanesRelease: return "planes release";
        case ScenarioEvent::PlanesCutIn: return "planes cut-in";
        case ScenarioEvent::Disable: return "disable";
        case ScenarioEvent::Enable: return "enable";
        case ScenarioEvent::Reload: return "reload";
        case ScenarioEvent::Flight: return "flight";
        case ScenarioEvent::Pause: return "pause";
        case ScenarioEvent::Resume: return "resume";
        case ScenarioEvent::End: return "end";
    }
    return "?";
}

}  // namespace

bool parseScenario(const std::string& text, const std::string& fileName, std::vector<ScenarioEvent>* events,
                   std::string* error) {
    std::vector<ScenarioEvent> out;
    double last = 0;
    auto item = [&](const std::vector<std::string>& w, const std::string& line, int lineNo) -> std::string {
        ScenarioEvent e;
        e.line = lineNo;
        if (!parseNumber(w[0], &e.time) || e.time < 0)
            return "time \"" + w[0] + "\" is not a number of seconds >= 0";
        if (e.time < last) return "event at " + w[0] + " s comes after one at a later time";
        if (w.size() < 2) return "missing event after the time";
        const std::string& kind = w[1];
        if (kind == "menu") {
            std::string rest = restAfterWords(line, 2);
            if (!rest.empty() && rest[0] == '"') {
                const size_t close = rest.find('"', 1);
                if (close == std::string::npos) return "menu title without closing quote";
                e.menuTitle = rest.substr(1, close - 1);
                e.itemText = trim(rest.substr(close + 1));
            } else {
                const size_t sp = rest.find_first_of(" \t");
                e.menuTitle = rest.substr(0, sp);
                e.itemText = sp == std::string::npos ? std::string() : trim(rest.substr(sp));
            }
            if (e.menuTitle.empty() || e.itemText.empty()) return "expected: menu <title> <item text>";
            e.kind = ScenarioEvent::Menu;
        } else if (kind == "crash" || kind == "airport" || kind == "end" || kind == "reload" || kind == "flight" ||
                   kind == "pause" || kind == "resume") {
            if (w.size() != 2) return kind + " takes no arguments";
            e.kind = kind == "crash"     ? ScenarioEvent::Crash
                     : kind == "airport" ? ScenarioEvent::Airport
                     : kind == "reload"  ? ScenarioEvent::Reload
                     : kind == "flight"  ? ScenarioEvent::Flight
                     : kind == "pause"   ? ScenarioEvent::Pause
                     : kind == "resume"  ? ScenarioEvent::Resume
                                         : ScenarioEvent::End;
        } else if (kind == "disable" || kind == "enable") {
            e.plugin = restAfterWords(line, 2);
            if (e.plugin.empty()) return "expected: " + kind + " <plugin name, signature or file>";
            e.kind = kind == "disable" ? ScenarioEvent::Disable : ScenarioEvent::Enable;
        } else if (kind == "aircraft") {
            e.modelPath = restAfterWords(line, 2);
            if (e.modelPath.empty()) return "expected: aircraft <path/to/model.acf>";
            e.kind = ScenarioEvent::Aircraft;
        } else if (kind == "count") {
            long long total = 0, active = 0;
            if (w.size() < 3 || w.size() > 4) return "expected: count <total> [active]";
            if (!parseInt(w[2], 1, 10000, &total)) return "total \"" + w[2] + "\" is not a whole number 1 .. 10000";
            active = total;
            if (w.size() == 4 && !parseInt(w[3], 1, total, &active))
                return "active \"" + w[3] + "\" is not a whole number 1 .. " + std::to_string(total);
            e.kind = ScenarioEvent::Count;
            e.total = static_cast<int>(total);
            e.active = static_cast<int>(active);
        } else if (kind == "message") {
            long long number = 0, param = 0;
            if (w.size() < 3 || w.size() > 4) return "expected: message <number> [param]";
            if (!parseInt(w[2], INT_MIN, INT_MAX, &number)) return "message \"" + w[2] + "\" is not a whole number";
            if (w.size() == 4 && !parseInt(w[3], -(1LL << 52), 1LL << 52, &param))
                return "parameter \"" + w[3] + "\" is not a whole number";
            e.kind = ScenarioEvent::Message;
            e.message = static_cast<int>(number);
            e.param = param;
        } else if (kind == "planes") {
            if (w.size() != 3 || (w[2] != "acquire" && w[2] != "release" && w[2] != "cut-in"))
                return "expected: planes acquire | release | cut-in";
            e.kind = w[2] == "acquire"   ? ScenarioEvent::PlanesAcquire
                     : w[2] == "release" ? ScenarioEvent::PlanesRelease
                                         : ScenarioEvent::PlanesCutIn;
        } else {
            return "unknown event \"" + kind +
                   "\" (menu, crash, aircraft, airport, count, message, disable, enable, reload, flight, pause, "
                   "resume, planes, end)";
        }
        last = e.time;
        out.push_back(e);
        return std::string();
    };
    if (!readItems(text, fileName, error, item)) return false;
    if (events) *events = out;
    return true;
}

bool runScenarioEvent(const ScenarioEvent& e) {
    std::ostringstream what;
    what << "scenario line " << e.line << " at " << e.time << " s: " << eventName(e.kind);
    switch (e.kind) {
        case ScenarioEvent::Menu: {
            note(what.str() + " " + e.menuTitle + " / " + e.itemText);
            const int state = menuItemState(e.menuTitle, e.itemText);
            if (state < 0)
                note("no menu item \"" + e.itemText + "\" in menu \"" + e.menuTitle + "\"");
            else if (state == 0)
                note("menu item \"" + e.itemText + "\" in menu \"" + e.menuTitle + "\" is disabled");
            else
                selectMenuItem(e.menuTitle, e.itemText);
            return true;
        }
        case ScenarioEvent::Crash:
            note(what.str());
            sendMessage(XPLM_MSG_PLANE_CRASHED, nullptr);
            return true;
        case ScenarioEvent::Aircraft:
            note(what.str() + " " + e.modelPath);
            loadUserAircraft(modelFromPath(e.modelPath));
            return true;
        case ScenarioEvent::Airport:
            note(what.str());
            sendMessage(XPLM_MSG_AIRPORT_LOADED, nullptr);
            return true;
        case ScenarioEvent::Count:
            what << " " << e.total << " " << e.active;
            note(what.str());
            setAircraftCount(e.total, e.active);
            return true;
        case ScenarioEvent::Message:
            what << " " << e.message << " " << e.param;
            note(what.str());
            sendMessage(e.message, reinterpret_cast<void*>(static_cast<intptr_t>(e.param)));
            return true;
        case ScenarioEvent::PlanesAcquire:
            note(what.str());
            otherPluginAcquiresPlanes();
            return true;
        case ScenarioEvent::PlanesRelease:
            note(what.str());
            otherPluginReleasesPlanes();
            return true;
        case ScenarioEvent::PlanesCutIn:
            note(what.str());
            otherPluginCutsIn();
            return true;
        case ScenarioEvent::Disable:
        case ScenarioEvent::Enable: {
            note(what.str() + " " + e.plugin);
            const int index = findPlugin(e.plugin);
            if (index < 0) {
                note("no plugin \"" + e.plugin + "\" is loaded");
            } else if (e.kind == ScenarioEvent::Disable) {
                if (!pluginEnabled(index)) note("plugin " + pluginName(index) + " is already disabled");
                disablePlugin(index);
            } else {
                if (pluginEnabled(index)) note("plugin " + pluginName(index) + " is already enabled");
                enablePlugin(index);
            }
            return true;
        }
        case ScenarioEvent::Reload:
            note(what.str());
            reloadPlugins();
            return true;
        case ScenarioEvent::Flight:
            note(what.str());
            if (!startNewFlight()) note("no user aircraft is loaded: no new flight");
            return true;
        case ScenarioEvent::Pause:
        case ScenarioEvent::Resume:
            note(what.str());
            setPaused(e.kind == ScenarioEvent::Pause);
            return true;
        case ScenarioEvent::End:
            note(what.str());
            return false;
    }
    return true;
}

}  // namespace xphost
