#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"

#include "QVHLAInteraction.h"
#include "QVHLARootObject.h"

namespace {
QVHLAManager* theManager = nullptr;

}  // namespace

QVHLAManager* QVHLAManager::getInstance() {
    // Never destroyed: the RTI ambassador must outlive every object that withdraws itself.
    if (!theManager) theManager = new QVHLAManager();
    return theManager;
}

QVHLAManager* QVHLAManager::existingInstance() {
    return theManager;
}

QVHLAManager::QVHLAManager() : joined(false), federationCreated(false), logFile(nullptr) {}

void QVHLAManager::setLogFile(FILE* stream) {
    logFile = stream;
}

void QVHLAManager::logMessage(const char* where, const char* text) {
    if (!logFile) return;
    std::fprintf(logFile, "%s : %s\n", where ? where : "", text ? text : "");
}

void QVHLAManager::logException(const char* where, const RTI::Exception& e) {
    if (!logFile) return;
    std::fprintf(logFile, "%s : %s: %s\n", where ? where : "", e._name ? e._name : "", reasonOf(e));
}

bool QVHLAManager::joinFederation(const char* federateName_, const char* federationName_, const char* fedFile) {
    if (joined) return true;
    const char* where = "QVHLAManager::joinFederation()";
    federateName = federateName_ ? federateName_ : "";
    federationName = federationName_ ? federationName_ : "";

    if (fedFile && guardedRTICall(where, [&](RTI::RTIambassador& rti) {
            rti.createFederationExecution(federationName.c_str(), fedFile);
        })) {
        federationCreated = true;
    }

    if (guardedRTICall(where, [&](RTI::RTIambassador& rti) {
            rti.joinFederationExecution(federateName.c_str(), federationName.c_str(), &federateAmbassador);
        })) {
        joined = true;
        return true;
    }

    if (federationCreated) {
        federationCreated = false;
        guardedRTICall(where,
                       [&](RTI::RTIambassador& rti) { rti.destroyFederationExecution(federationName.c_str()); });
    }
    federateName.clear();
    federationName.clear();
    return false;
}

bool QVHLAManager::resignFederation() {
    if (!joined) return true;
    const char* where = "QVHLAManager::resignFederation()";
    try {
        rtiAmbassador.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        joined = false;
        if (federationCreated) {
            federationCreated = false;
            rtiAmbassador.destroyFederationExecution(federationName.c_str());
        }
    } catch (RTI::FederateNotExecutionMember& e) {
        // The RTI no longer counts us as a member (it resigned us when our link to
        // it was lost): we are out, and must be free to join again.
        logMessage(where, reasonOf(e));
        joined = false;
    } catch (RTI::Exception& e) {
        logMessage(where, reasonOf(e));
    } catch (...) {
        logMessage(where, "Unknown exception");
    }
    federationName.clear();
    federationCreated = false;
    if (joined) return false;
    federateName.clear();
    // Discovered objects belong to the federation just left. Kept, they would shadow
    // the handles the RTI hands out at the next join.
    ObjectMap doomed;
    doomed.swap(remoteObjects);
    // Their destructors look in the emptied map, so the index must go here.
    remoteIndex.clear();
    for (ObjectMap::value_type& entry : doomed) delete entry.second;
    return true;
}

void QVHLAManager::tick() {
    const char* where = "QVHLAManager::tick()";
    // Walk by key so that an update which changes the registry cannot invalidate the walk.
    for (ObjectMap::iterator it = localObjects.begin(); it != localObjects.end();) {
        const RTI::ObjectHandle handle = it->first;
        try {
            it->second->updateAttributes();
        } catch (RTI::Exception& e) {
            // updateAttributes guards its RTI calls; a derived prepareUpdate may still throw.
            logException(where, e);
        } catch (...) {
            logMessage(where, "Unknown exception");
        }
        it = localObjects.upper_bound(handle);
    }
    guardedRTICall(where, [](RTI::RTIambassador& rti) { rti.tick(); });
}

void QVHLAManager::registerInteraction(QVHLAInteraction* interaction) {
    if (!interaction) return;
    const RTI::InteractionClassHandle handle = interaction->getClassHandle();
    std::map<RTI::InteractionClassHandle, QVHLAInteraction*>::iterator it = interactionObjects.find(handle);
    if (it != interactionObjects.end()) {
        QVHLAInteraction* old = it->second;
        interactionObjects.erase(it);
        if (old != interaction) delete old;
    }
    interactionObjects[handle] = interaction;
}

void QVHLAManager::removeInteraction(RTI::InteractionClassHandle classHandle) {
    std::map<RTI::InteractionClassHandle, QVHLAInteraction*>::iterator it = interactionObjects.find(classHandle);
    if (it == interactionObjects.end()) return;
    QVHLAInteraction* old = it->second;
    interactionObjects.erase(it);
    delete old;
}

QVHLAInteraction* QVHLAManager::findInteraction(RTI::InteractionClassHandle classHandle) const {
    std::map<RTI::InteractionClassHandle, QVHLAInteraction*>::const_iterator it =
        interactionObjects.find(classHandle);
    return it == interactionObjects.end() ? nullptr : it->second;
}

bool QVHLAManager::registerObjectTemplate(RTI::ObjectClassHandle classHandle, QVHLARootObject* object) {
    const char* where = "QVHLAManager::registerObjectTemplate";
    if (object) {
        if (object->registered || object->remote) {
            logMessage(where, "Template must be a plain object");
            return false;
        }
        for (const auto& entry : objectTemplates) {
            if (entry.second == object && entry.first != classHandle) {
                logMessage(where, "Template already filed under another class");
                return false;
            }
        }
    }
    std::map<RTI::ObjectClassHandle, QVHLARootObject*>::iterator it = objectTemplates.find(classHandle);
    if (it != objectTemplates.end()) {
        QVHLARootObject* old = it->second;
        objectTemplates.erase(it);
        if (old != object) delete old;
    }
    if (object) objectTemplates[classHandle] = object;
    return true;
}

QVHLARootObject* QVHLAManager::findObjectTemplate(RTI::ObjectClassHandle classHandle) const {
    std::map<RTI::ObjectClassHandle, QVHLARootObject*>::const_iterator it = objectTemplates.find(classHandle);
    return it == objectTemplates.end() ? nullptr : it->second;
}

void QVHLAManager::addLocalObject(QVHLARootObject* object) {
    if (!object) return;
    localObjects[object->instanceHandle] = object;
}

void QVHLAManager::removeLocalObject(RTI::ObjectHandle handle) {
    localObjects.erase(handle);
}

void QVHLAManager::removeRemoteObject(RTI::ObjectHandle handle) {
    remoteObjects.erase(handle);
    remoteIndex.erase(handle);
}

void QVHLAManager::removeLocalObject(RTI::ObjectHandle handle, const QVHLARootObject* object) {
    ObjectMap::iterator it = localObjects.find(handle);
    if (it != localObjects.end() && it->second == object) localObjects.erase(it);
}

void QVHLAManager::removeRemoteObject(RTI::ObjectHandle handle, const QVHLARootObject* object) {
    ObjectMap::iterator it = remoteObjects.find(handle);
    if (it != remoteObjects.end() && it->second == object) {
        remoteObjects.erase(it);
        remoteIndex.erase(handle);
    }
}

QVHLARootObject* QVHLAManager::findObject(RTI::ObjectHandle handle) const {
    if (QVHLARootObject* object = findRemoteObject(handle)) return object;
    return findLocalObject(handle);
}

QVHLARootObject* QVHLAManager::findLocalObject(RTI::ObjectHandle handle) const {
    ObjectMap::const_iterator it = localObjects.find(handle);
    return it == localObjects.end() ? nullptr : it->second;
}

QVHLARootObject* QVHLAManager::findRemoteObject(RTI::ObjectHandle handle) const {
    return remoteIndex.find(handle);
}

QVHLARootObject* QVHLAManager::newRemoteObject(RTI::ObjectClassHandle classHandle, RTI::ObjectHandle instanceHandle,
                                               const char* name) {
    QVHLARootObject* templateObject = findObjectTemplate(classHandle);
    if (!templateObject) {
        if (logFile) {
            std::fprintf(logFile, "QVHLAManager::newRemoteObject : Couldn't find template object class %d\n",
                         static_cast<int>(classHandle));
        }
        return nullptr;
    }
    QVHLARootObject* object = templateObject->newInstance();
    if (!object) return nullptr;
    if (logFile) std::fprintf(logFile, "QVHLAManager::newRemoteObject : Inserting object in map\n");
    object->instanceHandle = instanceHandle;
    object->remote = true;
    object->instanceName = name ? name : "";

    // The registry owns remote objects: one already filed under this handle would be lost.
    ObjectMap::iterator it = remoteObjects.find(instanceHandle);
    if (it != remoteObjects.end()) {
        QVHLARootObject* old = it->second;
        remoteObjects.erase(it);
        delete old;
    }
    remoteObjects[instanceHandle] = object;
    remoteIndex.insert(instanceHandle, object);
    return object;
}

void QVHLAManager::dispatchInteraction(RTI::InteractionClassHandle classHandle,
                                       const RTI::ParameterHandleValuePairSet& parameters, const char* tag) {
    if (QVHLAInteraction* interaction = findInteraction(classHandle)) {
        interaction->receiveInteraction(parameters, tag);
    }
}
