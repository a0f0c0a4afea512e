// How the framework's classes report through the manager's log: the reason of an
// RTI exception, RTI calls under the two handlers every call gets, and received
// values that could not be decoded.
#ifndef VOLAX_FRAMEWORK_DIAGNOSTICS_H
#define VOLAX_FRAMEWORK_DIAGNOSTICS_H

#include <cstdio>

#include "QVHLAManager.h"
#include "RTI.hh"

// The reason text of an RTI exception, never null.
inline const char* reasonOf(const RTI::Exception& e) { return e._reason ? e._reason : ""; }

// Runs op(rtiAmbassador). An RTI exception's reason is logged under `where`, any
// other exception as "Unknown exception" under `unknownWhere` (or `where`).
// True when op returned normally; nothing escapes.
template <class Op>
bool guardedRTICall(const char* where, Op&& op, const char* unknownWhere = nullptr) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    try {
        op(manager->getRTIAmbassador());
        return true;
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage(unknownWhere ? unknownWhere : where, "Unknown exception");
    }
    return false;
}

// A received attribute or parameter too short to decode is skipped, and said so.
inline void logSkipped(const char* where, const char* name, unsigned long got, unsigned long needed) {
    char text[128];
    std::snprintf(text, sizeof text, "%s skipped: %lu of %lu bytes", name, got, needed);
    QVHLAManager::getInstance()->logMessage(where, text);
}

#endif
