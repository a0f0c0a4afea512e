#include "Prefs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "PluginState.h"
#include "XPAircraftObject.h"
#include "XPLMPlanes.h"
#include "XPLMUtilities.h"

#include <string>

namespace volax {

namespace {

constexpr size_t kPathSize = 1024;

// Joins folder and file name; false when the result would not fit, so a cut
// path can never name some other file.
bool joinPath(char (&out)[kPathSize], const char* folder, const char* name) {
    int n = std::snprintf(out, kPathSize, "%s%s", folder, name);
    return n >= 0 && static_cast<size_t>(n) < kPathSize;
}

}  // namespace

bool readPrefs(char* description) {
    char folder[kPathSize] = {};
    // X-Plane fills at least 512 bytes; the rest stays zero.
    XPLMGetPrefsPath(folder);
    folder[kPathSize - 1] = '\0';
    XPLMExtractFileAndPath(folder);
    const char* separator = XPLMGetDirectorySeparator();
    size_t used = std::strlen(folder);
    std::snprintf(folder + used, kPathSize - used, "%s", separator ? separator : "/");

    char iniPath[kPathSize] = {};
    char expPath[kPathSize] = {};
    bool iniFits = joinPath(iniPath, folder, "volax.ini");
    bool expFits = joinPath(expPath, folder, "volaxexp.ini");
    trace("Using configuration files %s and %s\n", iniPath, expPath);

    // Nothing is ever written to an existing volax.ini: it may be read-only,
    // and it holds the user's settings, which no failure may truncate.
    errno = 0;
    prefsFile = iniFits ? std::fopen(iniPath, "r") : nullptr;
    struct stat st {};
    if (prefsFile && (fstat(fileno(prefsFile), &st) != 0 || !S_ISREG(st.st_mode))) {
        std::fclose(prefsFile);  // a folder or device by that name: no file can be made there
        prefsFile = nullptr;
        errno = EISDIR;
    }
    if (prefsFile) {
        readSettings(prefsFile, settings, traceStream);
    } else if (iniFits && errno != ENOENT && errno != EISDIR) {
        std::snprintf(description, 256, "Failed to read prefs file %s: %s", iniPath, std::strerror(errno));
        return false;
    } else {
        // Only a file that does not exist is created ("x": never over another).
        prefsFile = iniFits && errno == ENOENT ? std::fopen(iniPath, "w+x") : nullptr;
        if (!prefsFile) {
            std::snprintf(description, 256, "Failed to create prefs file %s", iniPath);
            return false;
        }
        settings.autoCreate = 1;
        if (!writeSettings(prefsFile, settings)) {
            std::string line = std::string("VOLAX could not write ") + iniPath + "\n";
            XPLMDebugString(line.c_str());
        }
    }

    FILE* exp = expFits ? std::fopen(expPath, "r") : nullptr;
    if (!exp) {
        trace("Failed to open %s\n", expPath);
        XPLMDebugString("VOLAX failed to open configuration file volaxexp.ini\n");
    } else {
        readEntityTypes(exp, entityTypeTable);
        std::fclose(exp);
    }
    return true;
}

void selectEntityType(XPAircraftObject* aircraft, int index) {
    if (aircraft) aircraft->setEntityType(modelEntityType(index));
}

EntityType modelEntityType(int index) {
    // X-Plane needs 256 and 512 bytes; the margin and the forced ends keep a
    // host that writes more from running off the buffers we read.
    char fileName[512] = {};
    char path[1024] = {};
    XPLMGetNthAircraftModel(index, fileName, path);
    fileName[sizeof(fileName) - 1] = '\0';
    path[sizeof(path) - 1] = '\0';

    EntityType type{};
    if (const EntityTypeEntry* e = matchEntityType(entityTypeTable, fileName, path, traceStream)) {
        type.kind = e->kind;
        type.domain = e->domain;
        type.country = e->country;
        type.category = e->category;
        type.subcategory = e->subcategory;
        type.specific = e->specific;
        type.extra = e->extra;
        trace("Set AC# %d to Entitytype (%d, %d, %d, %d, %d, %d, %d)\n", index, e->kind, e->domain, e->country,
              e->category, e->subcategory, e->specific, e->extra);
    } else {
        trace("Set AC# %d to EntityType DEFAULT\n", index);
        type.kind = 1;
        type.domain = 2;
        type.country = 205;
        type.category = 1;
        type.subcategory = 3;
        type.specific = 0;
        type.extra = 0;
    }
    return type;
}

}  // namespace volax
