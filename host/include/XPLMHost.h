#ifndef VOLAX_XPLMHOST_H
#define VOLAX_XPLMHOST_H

// Control interface of the headless X-Plane host (libXPLMHost.so).
//
// The library implements the X-Plane plugin library's functions for plugins
// loaded with loadPlugin and lets a program or a test drive them as the
// simulator does: lifecycle, messages, menus, flight loops, data references
// and a simple simulated flight. Everything is process-wide and, like the
// simulator, single-threaded: call it from one thread only.

#include <string>
#include <vector>

#define XPHOST_API __attribute__((visibility("default")))

namespace xphost {

struct AircraftModel {
    std::string fileName;  // e.g. "Cessna_172SP.acf"
    std::string path;      // full path including the file name
};

// --- session -------------------------------------------------------------
// Unloads all plugins (disable + stop), clears menus, flight loops, logs,
// spoken texts and a recorded plugin fault, resets data references, time,
// aircraft, the flight model (default route, 100 km origin shift, not
// paused) and the world (sea only, 2 s scenery loads) to their start values.
// Output folder, preferences folder and echo setting are kept.
XPHOST_API void reset();
XPHOST_API void setOutputDir(const std::string& dir);  // Log.txt location ("" = no Log.txt)
XPHOST_API void setPrefsDir(const std::string& dir);   // XPLMGetPrefsPath gives "<dir>/X-Plane.prf"
XPHOST_API void setEcho(bool toStdout);                // echo log, speech and host notes to stdout

// --- plugins -------------------------------------------------------------
// dlopen + XPluginStart. Returns the plugin's index, or -1 with *error set
// (missing file, not a shared library, missing entry point, start returned 0:
// then *startRefused is true and the error holds the plugin's description).
XPHOST_API int loadPlugin(const std::string& path, std::string* error);
XPHOST_API int loadPlugin(const std::string& path, std::string* error, bool* startRefused);
XPHOST_API bool enablePlugin(int index);   // XPluginEnable; false if not started, or it failed
XPHOST_API void disablePlugin(int index);  // XPluginDisable if enabled
XPHOST_API void unloadAll();               // disable + stop + dlclose every plugin, reverse order
// X-Plane's "Reload plugins": unloadAll, then load and enable the same files
// in the same order; the flight, the aircraft and the data go on, and no
// aircraft or airport message is sent. Returns how many are enabled again.
XPHOST_API int reloadPlugins();
// A plugin by its name, else its signature, else its file (path or file
// name); -1 when none matches.
XPHOST_API int findPlugin(const std::string& which);
XPHOST_API int pluginCount();              // plugins loaded and started
XPHOST_API bool pluginEnabled(int index);
XPHOST_API std::string pluginName(int index);
XPHOST_API std::string pluginSignature(int index);
XPHOST_API std::string pluginDescription(int index);
XPHOST_API void* pluginSymbol(int index, const std::string& name);  // dlsym in the plugin, or nullptr

// A plugin let an exception escape from a callback. The host reported it and
// runs no further frames until reset(); the program shuts down.
XPHOST_API bool pluginFaulted();
XPHOST_API std::string pluginFault();

// --- simulator events ----------------------------------------------------
// As in X-Plane, no user aircraft exists until this is first called (the
// program calls it after enabling the plugins); XPLMGetNthAircraftModel(0)
// reads empty names until then.
// Sets the user's model, resets its parts to 73 x 1, sends 102 with param 0.
XPHOST_API void loadUserAircraft(const AircraftModel& m);
// A new flight with the user's aircraft: the flight restarts at the route's
// start, the aircraft is loaded again (102) and placed (103). False, doing
// nothing, while no user aircraft is loaded.
XPHOST_API bool startNewFlight();
XPHOST_API AircraftModel userAircraft();
XPHOST_API void sendMessage(int message, void* param);  // every enabled plugin, sender XPLM_PLUGIN_XPLANE
XPHOST_API void setAircraftCount(int total, int active); // and sends 105

// --- time ----------------------------------------------------------------
XPHOST_API void setFrameRate(int fps);       // frames per simulated second (default 60); resets nothing
XPHOST_API int frameRate();
// n frames; each: objects loaded in the background land, the due flight loops
// of the before-flight-model phase run, the flight model steps, new scenery
// arrives (104), then the after-flight-model loops run.
XPHOST_API void runFrames(int n);
XPHOST_API void runSeconds(double simSeconds);
XPHOST_API double simTime();                 // simulated seconds since reset
XPHOST_API long long frameCount();

// --- flight model --------------------------------------------------------
XPHOST_API void setFlightModelEnabled(bool on);  // off: frames leave every data reference alone
// Paused (sim/time/paused 1): the flight model and the simulator clock stop,
// flight loops keep running, as in X-Plane.
XPHOST_API void setPaused(bool on);
XPHOST_API bool paused();
// The local frame's origin moves under the aircraft (a scenery shift) when
// the aircraft is more than this far from it, measured in the frame (default
// 100 km; 1 m .. 10000 km, else std::invalid_argument). Reset restores it.
XPHOST_API void setOriginShiftDistance(double metres);
XPHOST_API double originShiftDistance();
// Route text, one item per line, '#' starts a comment:
//   start <lat deg> <lon deg> <elevation m> <heading deg>
//   leg <heading deg | -> <speed m/s> <climb m/s> <turn deg/s> <duration s>
// Errors read "<fileName>:<line>: <reason>". On success the flight restarts
// at the new start point.
XPHOST_API bool setRoute(const std::string& routeText, std::string* error);
XPHOST_API bool setRoute(const std::string& routeText, std::string* error, const std::string& fileName);
XPHOST_API std::string defaultRouteText();

// The model's exact state (double precision), for tests.
struct FlightState {
    double latitude, longitude, elevation;  // deg, deg, m above the WGS 84 ellipsoid
    double latRef, lonRef;                  // origin of the local frame, deg
    double x, y, z;                         // local position, m (x east, y up, z south)
    double vx, vy, vz, ax, ay, az;          // local velocity and acceleration
    double psi, theta, phi;                 // deg, against the local frame's axes (the data references)
    double speed, climb, turnRate;          // m/s, m/s, deg/s of the current leg
    double truePsi, trueTheta, truePhi;     // deg, against north, east and up under the aircraft
};
XPHOST_API FlightState flightState();

// --- terrain and scenery -------------------------------------------------
// The world is sea with flat areas of land, one a line ('#' starts a comment):
//   area <south lat> <west lon> <north lat> <east lon> <elevation m MSL>
// a later area lies over earlier ones. Errors read "<fileName>:<line>:
// <reason>"; on error the terrain is left as it was. Reset makes it all sea.
XPHOST_API bool setTerrain(const std::string& text, std::string* error, const std::string& fileName = "terrain");
XPHOST_API double terrainElevation(double latitude, double longitude);  // m above mean sea level
// Scenery is loaded in 1x1 degree tiles around the frame's origin (its tile
// and one on each side); probes elsewhere find a sea-level sphere. After a
// scenery shift the new tiles arrive this many simulated seconds later, with
// message 104 (default 2; 0 .. 3600, else std::invalid_argument).
XPHOST_API void setSceneryLoadDelay(double seconds);
XPHOST_API double sceneryLoadDelay();
XPHOST_API bool sceneryLoading();
XPHOST_API bool sceneryLoadedAt(double latitude, double longitude);

// --- menus ---------------------------------------------------------------
XPHOST_API bool selectMenuItem(const std::string& menuTitle, const std::string& itemText);  // false: missing or disabled
XPHOST_API int menuItemState(const std::string& menuTitle, const std::string& itemText);   // 1 enabled, 0 disabled, -1 missing
XPHOST_API bool menuExists(const std::string& menuTitle);
XPHOST_API std::vector<std::string> menuItems(const std::string& menuTitle);  // item texts, in order

// --- flight loops --------------------------------------------------------
XPHOST_API int flightLoopCount();  // registered callbacks of every plugin, active or not

// --- outputs -------------------------------------------------------------
XPHOST_API std::vector<std::string> spokenTexts();
XPHOST_API std::string logText();   // everything XPLMDebugString received
XPHOST_API void clearOutputs();
XPHOST_API void note(const std::string& text);  // a host line: "[host] text" to stdout (echo) and Log.txt

// --- data references, bypassing the writable flag ------------------------
// Unknown paths or a kind the reference lacks throw std::invalid_argument.
XPHOST_API void setFloat(const std::string& path, float v);
XPHOST_API float getFloat(const std::string& path);
XPHOST_API void setDouble(const std::string& path, double v);
XPHOST_API double getDouble(const std::string& path);
XPHOST_API void setInt(const std::string& path, int v);
XPHOST_API int getInt(const std::string& path);
XPHOST_API void setIntArray(const std::string& path, const std::vector<int>& v);
XPHOST_API std::vector<int> getIntArray(const std::string& path);
XPHOST_API void setFloatArray(const std::string& path, const std::vector<float>& v);
XPHOST_API std::vector<float> getFloatArray(const std::string& path);
XPHOST_API void setBytes(const std::string& path, const std::string& v);
XPHOST_API std::string getBytes(const std::string& path);

// --- the X-Plane folder, objects and instances ---------------------------
// Object paths are relative to the X-Plane folder (default: the current
// folder). The scenery library is read from the library.txt files of the
// packages in "<X-Plane>/Custom Scenery" and "<X-Plane>/Resources/default
// scenery" ("EXPORT <virtual path> <file in the package>").
XPHOST_API void setXPlaneDir(const std::string& dir);
XPHOST_API std::string xplaneDir();

struct LoadedObject {
    std::string path;     // as the plugin named it
    int plugin = -1;
    int loads = 0;        // loads not yet unloaded
    int instances = 0;    // instances using it
};
XPHOST_API std::vector<LoadedObject> loadedObjects();
XPHOST_API int pendingObjectLoads();

struct DrawnInstance {
    long long id = 0;     // 1, 2, ... in creation order
    int plugin = -1;
    std::string model;    // the object's path
    bool placed = false;  // XPLMInstanceSetPosition was called
    float x = 0, y = 0, z = 0, pitch = 0, heading = 0, roll = 0;  // local frame, degrees
    std::vector<float> data;
};
XPHOST_API std::vector<DrawnInstance> drawnInstances();

// --- the other aircraft and the TCAS override -----------------------------
// The plugin index holding the AI aircraft, -1 for none, -2 for the
// scenario's stand-in for another plugin (plugin id 1000).
XPHOST_API int planesController();
XPHOST_API void otherPluginAcquiresPlanes();  // queued (and the holder asked) if held
XPHOST_API void otherPluginReleasesPlanes();
// At the next release the stand-in takes the aircraft before any waiting
// plugin's planes-available callback runs (it acquired first).
XPHOST_API void otherPluginCutsIn();
// What the holder last gave XPLMSetActiveAircraftCount (up to 64 under the TCAS
// override), 0 until it calls it.
XPHOST_API int tcasActiveCount();

// Every array a plugin writes, as X-Plane's own TCAS and map read them.
struct TcasTarget {
    int slot = 0;          // 1 .. 63
    int modeS = 0;
    std::string flightId, icaoType;
    int ssrMode = 0;
    float x = 0, y = 0, z = 0, vx = 0, vy = 0, vz = 0;  // local frame, m, m/s
    float verticalSpeed = 0;                             // ft/min
    float psi = 0, the = 0, phi = 0;                     // deg, psi against true north
    float gearDeploy = 0;                                // ratio
    bool onGround = false;
    int lights = 0;        // beacon 1, land 2, nav 4, strobe 8, taxi 16
    double lat = 0, lon = 0, ele = 0;
};
// Live targets: override_TCAS is 1, the slot's position was written within
// the last 10 frames, it has a mode-S id, and it lies below the holder's
// XPLMSetActiveAircraftCount (all 63 until the holder sets one).
XPHOST_API std::vector<TcasTarget> tcasTargets();

// Writes what is drawn once per simulated second ("" stops); false with
// *error when the file cannot be written.
XPHOST_API bool setTrafficFile(const std::string& path, std::string* error);

// --- scenario ------------------------------------------------------------
// One event a line: "<seconds> <event> [args]", '#' starts a comment.
//   menu <title> <item text>      select a menu item ("menu VOLAX Join...";
//                                 a title with spaces goes in double quotes)
//   crash                         message 101
//   aircraft <path/to/model.acf>  load another user aircraft (102, parts reset)
//   airport                       message 103
//   count <total> [active]        aircraft count change (105)
//   message <number> [param]      any message to all plugins
//   disable <plugin>              disable one plugin (Plugin Admin), by
//   enable <plugin>               name, signature or file (findPlugin)
//   reload                        reload all plugins (reloadPlugins)
//   flight                        start a new flight (startNewFlight)
//   pause / resume                pause or resume the simulation
//   planes acquire | release      another plugin takes or gives back the AI aircraft
//   planes cut-in                 another plugin takes them at the next release,
//                                 before the waiting plugins are told
//   end                           stop the run
struct ScenarioEvent {
    enum Kind { Menu, Crash, Aircraft, Airport, Count, Message, Disable, Enable, Reload, Flight, Pause, Resume,
                PlanesAcquire, PlanesRelease, PlanesCutIn, End };
    double time = 0;
    Kind kind = End;
    std::string menuTitle, itemText;  // Menu
    std::string modelPath;            // Aircraft
    std::string plugin;               // Disable, Enable
    int total = 0, active = 0;        // Count
    int message = 0;                  // Message
    long long param = 0;              // Message
    int line = 0;
};
// Events must be in time order. Errors read "<fileName>:<line>: <reason>".
XPHOST_API bool parseScenario(const std::string& text, const std::string& fileName,
                              std::vector<ScenarioEvent>* events, std::string* error);
// Carries out one event; returns false for End.
XPHOST_API bool runScenarioEvent(const ScenarioEvent& e);
// Model from a path: file name part and the full (absolute) path.
XPHOST_API AircraftModel modelFromPath(const std::string& path);

}  // namespace xphost

#endif
