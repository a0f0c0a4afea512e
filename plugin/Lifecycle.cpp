#include "Lifecycle.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <cstdlib>
#include <cstring>

#include "DisNetwork.h"
#include "ModulePin.h"
#include "OwnshipState.h"
#include "PluginState.h"
#include "Prefs.h"
#include "QVCoordConv.h"
#include "QVHLAManager.h"
#include "SRM_Types.h"
#include "TrafficFeed.h"
#include "TrafficModels.h"
#include "TrafficView.h"
#include "XPAircraftObject.h"
#include "XPMunitionDetonationInteraction.h"
#include "XPStartResumeInteraction.h"
#include "XPLMDataAccess.h"
#include "XPLMMenus.h"
#include "XPLMPlanes.h"
#include "XPLMPlugin.h"
#include "XPLMProcessing.h"
#include "XPLMUtilities.h"

namespace volax {

namespace {

const char kJoinRef[] = "VOLAXJoin";

// Seconds since the ownship was last sampled (the loop may run every frame).
float sinceSample = 0.0f;
const char kResignRef[] = "VOLAXResign";
const char kCreateRef[] = "VOLAXCreate";

void copyText(char* buffer, const char* text) { std::snprintf(buffer, 256, "%s", text); }

// VOLAX_TRACE names a file for the diagnostic trace, or "stderr".
void openTrace() {
    const char* target = std::getenv("VOLAX_TRACE");
    if (!target || !*target) return;
    if (std::strcmp(target, "stderr") == 0) {
        traceStream = stderr;
        traceStreamOwned = false;
    } else {
        traceStream = std::fopen(target, "w");
        traceStreamOwned = traceStream != nullptr;
        if (!traceStream) {
            std::string line = std::string("VOLAX could not open the trace file ") + target + "\n";
            XPLMDebugString(line.c_str());
        }
    }
}

// The EGM96 grid beside the plugin; without it heights stay on the ellipsoid
// (said once in Log.txt, the simulator carries on).
void loadGeoidGrid() {
    heightDatum = QVCoordConv::VerticalDatum::WGS84E;
    if (!settings.egm96Heights) return;
    const std::string grid = pluginFolder() + "egm96_15.gtx";
    const int status = QVCoordConv::loadGeoid(grid.c_str());
    if (status == SRM_STAT_CODE_SUCCESS) {
        heightDatum = QVCoordConv::VerticalDatum::EGM96;
        trace("Heights above mean sea level (EGM96, %s)\n", grid.c_str());
        return;
    }
    const std::string line = "VOLAX could not read the geoid separation file " + grid + " (" +
                             (status == SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE ? "invalid" : "missing") +
                             "): heights are taken as above the WGS 84 ellipsoid (VERTICALDATUM WGS84E)\n";
    XPLMDebugString(line.c_str());
    trace("%s", line.c_str());
}

void destroyOwnship() {
    delete ownship;
    ownship = nullptr;
}

// Only a snapshot that was taken is written back: without one (enabled late,
// or after "Reload plugins") the aircraft would lose all 73 parts.
void restoreParts() {
    if (intactPartsSaved) XPLMSetDatavi(dataRefs.partEq, intactParts, 0, kPartCount);
}

// The user's model path ("" before one is loaded): X-Plane names it once there
// is one, also to a plugin enabled too late to see its load message.
std::string userAircraftPath() {
    char fileName[512] = {};
    char path[1024] = {};
    XPLMGetNthAircraftModel(0, fileName, path);
    fileName[sizeof(fileName) - 1] = '\0';
    path[sizeof(path) - 1] = '\0';
    return fileName[0] != '\0' ? std::string(path) + '\n' + fileName : std::string();
}

// The aircraft the snapshot belongs to.
std::string snapshotAircraft;

void saveParts() {
    XPLMGetDatavi(dataRefs.partEq, intactParts, 0, kPartCount);
    intactPartsSaved = true;
    snapshotAircraft = userAircraftPath();
}

// The tick runs after the flight model: the ownship is published as it was
// just integrated, and traffic is placed in this frame's local frame (after a
// scenery shift, not before it). XPLMRegisterFlightLoopCallback would run it
// before the flight model, a frame behind.
XPLMFlightLoopID tickLoop = nullptr;

void registerTick() {
    if (tickRegistered) return;
    sinceSample = 0.0f;
    XPLMCreateFlightLoop_t params = {sizeof(params), xplm_FlightLoop_Phase_AfterFlightModel, VOLAXTick, nullptr};
    tickLoop = XPLMCreateFlightLoop(&params);
    XPLMScheduleFlightLoop(tickLoop, settings.timeStep, 1);
    tickRegistered = tickLoop != nullptr;
}

void unregisterTick() {
    if (tickLoop) XPLMDestroyFlightLoop(tickLoop);
    tickLoop = nullptr;
    tickRegistered = false;
}

bool hlaEnabled() { return (settings.network & kNetworkHla) != 0; }

// DIS needs no join: it runs from enable to disable.
void startDisNetwork() {
    if (!disEnabled() || !startDis()) return;
    if (userAircraftLoaded) identifyOwnship();
    registerTick();
    startTrafficView();
}

void setJoinedMenu() {
    setItemEnabled(menu.joinItem, false);
    setItemEnabled(menu.resignItem, true);
    setItemEnabled(menu.createItem, ownship == nullptr);
}

// Logs a failed class lookup or declaration: otherwise the join looks fine
// and nothing is ever sent or received.
void reportDeclaration(bool ok, const char* what) {
    if (ok) return;
    std::string line = std::string("VOLAX joined, but ") + what + "\n";
    XPLMDebugString(line.c_str());
    trace("%s", line.c_str());
}

}  // namespace

int pluginStart(char* name, char* signature, char* description) {
    copyText(name, "VOLAX");
    copyText(signature, "Quorvanti.XP.VOLAX");
    copyText(description, "VOLAX v0.95 - High Level Architecture for X-Plane.");

    // The module stays mapped across unload and reload (the manager and its
    // RTI ambassador live as long as the process): start from a clean slate.
    if (!pinThisModule()) XPLMDebugString("VOLAX: the plugin could not be kept loaded; do not reload it\n");
    settings = VolaxSettings();
    entityTypeTable.clear();
    destroyOwnship();
    ownshipState = OwnshipState();
    userAircraftLoaded = false;
    std::fill(std::begin(intactParts), std::end(intactParts), 0);
    intactPartsSaved = false;
    snapshotAircraft.clear();
    tickRegistered = false;
    tickLoop = nullptr;
    menu = Menu();
    openTrace();
    if (!readPrefs(description)) {
        if (traceStream && traceStreamOwned) std::fclose(traceStream);
        traceStream = nullptr;
        traceStreamOwned = false;
        return 0;
    }
    getDataRefs();
    loadGeoidGrid();
    QVHLAManager::getInstance()->setLogFile(traceStream);
    QVCoordConv::setLogFile(traceStream);
    return 1;
}

void pluginStop() {
    trace("VOLAX plugin STOP\n");
    forgetTrafficModelLoads();
    stopDis();
    stopTrafficFeed();  // kept by a resign that failed at disable
    destroyOwnship();
    if (prefsFile) {
        std::fclose(prefsFile);
        prefsFile = nullptr;
    }
    // Nobody may keep writing to a stream that is about to be closed.
    QVHLAManager::getInstance()->setLogFile(nullptr);
    QVCoordConv::setLogFile(nullptr);
    if (traceStream) {
        if (traceStreamOwned) std::fclose(traceStream);
        else std::fflush(traceStream);
    }
    traceStream = nullptr;
    traceStreamOwned = false;
    settings = VolaxSettings();
    entityTypeTable.clear();
}

int pluginEnable() {
    trace("VOLAX plugin ENABLE\n");
    menu.id = XPLMCreateMenu("VOLAX", nullptr, 0, VOLAXMenuSelect, nullptr);
    menu.joinItem = XPLMAppendMenuItem(menu.id, "Join...", const_cast<char*>(kJoinRef), 1);
    menu.resignItem = XPLMAppendMenuItem(menu.id, "Resign", const_cast<char*>(kResignRef), 1);
    menu.createItem = XPLMAppendMenuItem(menu.id, "Create Ownship", const_cast<char*>(kCreateRef), 1);
    const std::string aircraft = userAircraftPath();
    if (!aircraft.empty()) {
        userAircraftLoaded = true;
        // Enabled again with the module loaded, the snapshot of the same
        // aircraft stands: it may have been hit since.
        if (!intactPartsSaved || aircraft != snapshotAircraft) saveParts();
    }
    if (!hlaEnabled()) {
        setItemEnabled(menu.joinItem, false);
        setItemEnabled(menu.resignItem, false);
        setItemEnabled(menu.createItem, false);
    } else if (QVHLAManager::getInstance()->isJoined()) {
        // The resign at the last disable failed: still joined, and the
        // callback may still be registered.
        setJoinedMenu();
        registerTick();
        if (settings.autoCreate != 0) createOwnship();
        startTrafficView();
    } else if (settings.autoJoin != 0) {
        doJoin();
    } else {
        setItemEnabled(menu.resignItem, false);
        setItemEnabled(menu.createItem, false);
    }
    startDisNetwork();
    return 1;
}

void pluginDisable() {
    trace("VOLAX plugin DISABLE\n");
    stopDis();
    if (hlaEnabled()) {
        doResign();
    } else {
        stopTrafficView();
        unregisterTick();
    }
    unloadTrafficModels();
    if (menu.id) XPLMDestroyMenu(menu.id);
    menu = Menu();
}

void receiveMessage(XPLMPluginID from, int message, void* param) {
    trace("VOLAX plugin RECEIVE MSG %d\n", message);
    switch (message) {
    case XPLM_MSG_PLANE_LOADED:
        trace("RECEIVE MSG XPLM_MSG_PLANE_LOADED\n");
        if (reinterpret_cast<intptr_t>(param) != 0) return;
        trace("OWNSHIP LOADED\n");
        destroyOwnship();
        userAircraftLoaded = true;
        saveParts();
        identifyOwnship();
        // Joined, the new aircraft must be publishable again.
        if (QVHLAManager::getInstance()->isJoined()) {
            setItemEnabled(menu.createItem, true);
            if (settings.autoCreate != 0) createOwnship();
        }
        break;
    case XPLM_MSG_PLANE_CRASHED:
        trace("RECEIVE MSG XPLM_MSG_PLANE_CRASHED\n");
        destroyOwnship();
        restoreParts();
        ownshipState.damageState = DAMAGE_NO_DAMAGE;
        setItemEnabled(menu.createItem, hlaEnabled());
        break;
    case XPLM_MSG_AIRPORT_LOADED:
        trace("RECEIVE MSG XPLM_MSG_AIRPORT_LOADED\n");
        trafficSceneryLoaded();
        restoreParts();
        ownshipState.damageState = DAMAGE_NO_DAMAGE;
        if (ownship && ownship->getDamageState() != DAMAGE_NO_DAMAGE) ownship->setDamageState(DAMAGE_NO_DAMAGE);
        break;
    case XPLM_MSG_SCENERY_LOADED:
        trafficSceneryLoaded();
        break;
    case XPLM_MSG_RELEASE_PLANES:
        trace("RECEIVE MSG XPLM_MSG_RELEASE_PLANES from plugin %d\n", from);
        trafficReleaseRequested(from);
        break;
    case XPLM_MSG_AIRPLANE_COUNT_CHANGED: {
        trace("RECEIVE MSG XPLM_MSG_AIRPLANE_COUNT_CHANGED\n");
        int total = 0, active = 0;
        XPLMPluginID controller = XPLM_NO_PLUGIN_ID;
        XPLMCountAircraft(&total, &active, &controller);
        if (total - 1 != 0) trace("Set number of external ACs to %d\n", total - 1);
        break;
    }
    default:
        break;
    }
}

void menuSelect(void* /*menuRef*/, void* itemRef) {
    const char* ref = itemRef ? static_cast<const char*>(itemRef) : "";
    trace("VOLAX plugin MENU %s\n", ref);
    if (std::strcmp(ref, kJoinRef) == 0) {
        doJoin();
    } else if (std::strcmp(ref, kResignRef) == 0) {
        doResign();
        // Still joined: the federation's entities are still there to be shown.
        if (QVHLAManager::getInstance()->isJoined()) startTrafficView();
    } else if (std::strcmp(ref, kCreateRef) == 0) {
        createOwnship();
    }
}

float flightLoop(float sinceLastCall, float sinceLastFlightLoop, int /*counter*/, void* /*refcon*/) {
    // While remote entities are drawn the loop runs every frame, so that they
    // move smoothly; the ownship is still sampled every TIMESTEP.
    sinceSample += sinceLastCall;
    const bool everyFrame = trafficNeedsEveryFrame();
    if (!everyFrame || sinceSample >= settings.timeStep * 0.999f) {
        trace("#################### TICK time %f ####################\n", sinceLastFlightLoop);
        sampleOwnship();
        sinceSample = 0.0f;
    }
    QVHLAManager::getInstance()->tick();
    receiveDis();
    drawTraffic();
    return trafficNeedsEveryFrame() ? -1.0f : settings.timeStep;
}

void doJoin() {
    XPLMSpeakString("Joining federation");
    trace("VOLAX plugin JOIN %s as %s\n", settings.federation.c_str(), settings.federate.c_str());
    const char* fedFile = nullptr;
    if (settings.create != 0) {
        trace("Creating federation with fedfile %s\n", settings.fedFile.c_str());
        fedFile = settings.fedFile.c_str();
    }
    QVHLAManager* manager = QVHLAManager::getInstance();
    if (!manager->joinFederation(settings.federate.c_str(), settings.federation.c_str(), fedFile)) {
        trace("JOIN FAILURE\n");
        XPLMDebugString("VOLAX failed to join federation!\n");
        XPLMSpeakString("Failed to join federation");
        setItemEnabled(menu.joinItem, true);
        setItemEnabled(menu.resignItem, false);
        setItemEnabled(menu.createItem, false);
        XPLMDebugString("VOLAX failed to join federation\n");
        return;
    }
    trace("JOIN SUCCESS\n");

    {
        XPAircraftObject publisher;
        if (!publisher.getHandles())
            reportDeclaration(false, "its FED file has no BaseEntity.PhysicalEntity.Platform.Aircraft with "
                                     "EntityIdentifier, EntityType, Spatial and ForceIdentifier: "
                                     "the ownship cannot be published");
        else
            reportDeclaration(publisher.publish(),
                              "publishing BaseEntity.PhysicalEntity.Platform.Aircraft failed: "
                              "the ownship cannot be published");
    }

    XPStartResumeInteraction* startResume = new XPStartResumeInteraction();
    reportDeclaration(startResume->getHandles() && startResume->subscribe(),
                      "subscribing to StartResume failed: no StartResume will be received");
    manager->registerInteraction(startResume);

    XPMunitionDetonationInteraction* detonation = new XPMunitionDetonationInteraction();
    reportDeclaration(detonation->getHandles() && detonation->subscribe(),
                      "subscribing to MunitionDetonation failed: no detonation will be received");
    manager->registerInteraction(detonation);

    startTrafficFeed();

    setItemEnabled(menu.joinItem, false);
    setItemEnabled(menu.resignItem, true);
    setItemEnabled(menu.createItem, true);
    registerTick();

    // An ownship made while not joined (Create Ownship after a crash) never got
    // an instance; replace it so that this join publishes the aircraft.
    if (ownship && !ownship->isRegistered()) destroyOwnship();
    createOwnship();
    startTrafficView();
}

void doResign() {
    XPLMSpeakString("Resigning federation");
    trace("VOLAX plugin RESIGN\n");
    stopTrafficView();
    destroyOwnship();
    // The feed goes only with a resign that worked: the RTI does not discover
    // again what it already told us of, so a feed stopped while still joined
    // would leave the federation's entities unseen until the next join.
    if (QVHLAManager::getInstance()->resignFederation()) {
        stopTrafficFeed();
        setItemEnabled(menu.resignItem, false);
        setItemEnabled(menu.joinItem, true);
        setItemEnabled(menu.createItem, false);
        if (disActive()) {
            // DIS goes on: its ownship, traffic and tick stay.
            startTrafficView();
            return;
        }
        unregisterTick();
        XPLMReleasePlanes();
    } else {
        XPLMDebugString("VOLAX failed to resign federation!\n");
    }
}

}  // namespace volax
