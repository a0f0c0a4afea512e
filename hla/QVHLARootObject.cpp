#include "QVHLARootObject.h"

#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"

QVHLARootObject::QVHLARootObject() : instanceHandle(0), registered(false), remote(false) {}

QVHLARootObject::~QVHLARootObject() {
    if (!registered && !remote) return;  // plain objects touch neither the manager nor the RTI
    QVHLAManager* manager = QVHLAManager::getInstance();
    if (registered) {
        manager->removeLocalObject(instanceHandle, this);
        const RTI::ObjectHandle handle = instanceHandle;
        guardedRTICall("QVHLARootObject::~QVHLARootObject()",
                       [handle](RTI::RTIambassador& rti) { rti.deleteObjectInstance(handle, "sometag"); });
    } else if (remote) {
        manager->removeRemoteObject(instanceHandle, this);
    }
}

bool QVHLARootObject::registerObjectInstance(const char* name) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLARootObject::registerObjectInstance";
    // A second registration would orphan the first instance and its registry entry.
    if (registered) {
        manager->logMessage(where, "Object already registered");
        return false;
    }
    if (remote) {
        manager->logMessage(where, "Remote object cannot be registered");
        return false;
    }
    try {
        RTI::RTIambassador& rti = manager->getRTIAmbassador();
        const RTI::ObjectClassHandle classHandle = getClassHandle();
        if (name) {
            instanceHandle = rti.registerObjectInstance(classHandle, name);
            instanceName = name;
        } else {
            instanceHandle = rti.registerObjectInstance(classHandle);
            char* rtiName = rti.getObjectInstanceName(instanceHandle);
            instanceName = rtiName ? rtiName : "";
            delete[] rtiName;
        }
        registered = true;
        manager->logMessage(where, "Register succeeded");
        manager->addLocalObject(this);
        return true;
    } catch (RTI::Exception& e) {
        manager->logMessage(where, e._name ? e._name : "");
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
    registered = false;
    return false;
}
