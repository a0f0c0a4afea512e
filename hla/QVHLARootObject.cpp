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
    // Set once the RTI holds an instance: from then on a failure must withdraw it, or it
    // would stay in the federation without an owner until the resign.
    bool instanceMade = false;
    try {
        RTI::RTIambassador& rti = manager->getRTIAmbassador();
        const RTI::ObjectClassHandle classHandle = getClassHandle();
        if (name) {
            instanceHandle = rti.registerObjectInstance(classHandle, name);
            instanceMade = true;
            instanceName = name;
        } else {
            instanceHandle = rti.registerObjectInstance(classHandle);
            instanceMade = true;
            char* rtiName = rti.getObjectInstanceName(instanceHandle);
            instanceName = rtiName ? rtiName : "";
            delete[] rtiName;
        }
        manager->addLocalObject(this);
        registered = true;
        manager->logMessage(where, "Register succeeded");
        return true;
    } catch (RTI::Exception& e) {
        manager->logMessage(where, e._name ? e._name : "");
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
    if (instanceMade) {
        const RTI::ObjectHandle handle = instanceHandle;
        manager->removeLocalObject(handle, this);
        guardedRTICall(where, [handle](RTI::RTIambassador& rti) { rti.deleteObjectInstance(handle, "sometag"); });
    }
    registered = false;
    instanceHandle = 0;
    instanceName.clear();
    return false;
}
