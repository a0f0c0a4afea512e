#include "QVHLAFederateAmbassador.h"

#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"
#include "QVHLARootObject.h"

namespace {

// Runs an application hook (newInstance, attributesReflected, interactionReceived,
// provideAttributeUpdate, a destructor) inside an RTI callback: nothing it throws may
// cross the RTI's tick(), which a production RTI does not expect to unwind.
template <class Op>
void guardedHook(const char* where, Op&& op) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    try {
        op(*manager);
    } catch (RTI::Exception& e) {
        manager->logException(where, e);
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
}

}  // namespace

void QVHLAFederateAmbassador::discoverObjectInstance(RTI::ObjectHandle theObject,
                                                     RTI::ObjectClassHandle theObjectClass,
                                                     const char* theObjectName) {
    guardedHook("QVHLAFederateAmbassador::discoverObjectInstance", [&](QVHLAManager& manager) {
        manager.logMessage("QVHLAFederateAmbassador::discoverObjectInstance", "Object discovered!");
        manager.newRemoteObject(theObjectClass, theObject, theObjectName);
    });
}

void QVHLAFederateAmbassador::reflectAttributeValues(RTI::ObjectHandle theObject,
                                                     const RTI::AttributeHandleValuePairSet& theAttributes,
                                                     const RTI::FedTime&, const char* theTag,
                                                     RTI::EventRetractionHandle) {
    QVHLAManager::getInstance()->logMessage("QVHLAFederateAmbassador::reflectAttributeValues()", "Long!");
    reflectAttributeValues(theObject, theAttributes, theTag);
}

void QVHLAFederateAmbassador::reflectAttributeValues(RTI::ObjectHandle theObject,
                                                     const RTI::AttributeHandleValuePairSet& theAttributes,
                                                     const char* theTag) {
    guardedHook("QVHLAFederateAmbassador::reflectAttributeValues", [&](QVHLAManager& manager) {
        manager.logMessage("QVHLAFederateAmbassador::reflectAttributeValues()", "Short!");
        QVHLARootObject* object = manager.findObject(theObject);
        if (object) {
            object->reflectAttributes(theAttributes, theTag);
        } else {
            manager.logMessage("QVHLAFederateAmbassador::reflectAttributeValues",
                               "Couldn't find object to reflect attributes!");
        }
    });
}

void QVHLAFederateAmbassador::receiveInteraction(RTI::InteractionClassHandle theInteraction,
                                                 const RTI::ParameterHandleValuePairSet& theParameters,
                                                 const RTI::FedTime&, const char* theTag,
                                                 RTI::EventRetractionHandle) {
    receiveInteraction(theInteraction, theParameters, theTag);
}

void QVHLAFederateAmbassador::receiveInteraction(RTI::InteractionClassHandle theInteraction,
                                                 const RTI::ParameterHandleValuePairSet& theParameters,
                                                 const char* theTag) {
    guardedHook("QVHLAFederateAmbassador::receiveInteraction", [&](QVHLAManager& manager) {
        manager.dispatchInteraction(theInteraction, theParameters, theTag);
    });
}

void QVHLAFederateAmbassador::removeObjectInstance(RTI::ObjectHandle theObject, const RTI::FedTime&,
                                                   const char* theTag, RTI::EventRetractionHandle) {
    removeObjectInstance(theObject, theTag);
}

void QVHLAFederateAmbassador::removeObjectInstance(RTI::ObjectHandle theObject, const char*) {
    guardedHook("QVHLAFederateAmbassador::removeObjectInstance", [&](QVHLAManager& manager) {
        if (QVHLARootObject* object = manager.findRemoteObject(theObject)) {
            delete object;  // its destructor erases the registry entry
            return;
        }
        // The plugin still holds its own objects: deleting one here would leave it dangling.
        if (manager.findLocalObject(theObject)) {
            manager.logMessage("QVHLAFederateAmbassador::removeObjectInstance", "Ignoring removal of a local object");
        }
    });
}

void QVHLAFederateAmbassador::provideAttributeValueUpdate(RTI::ObjectHandle theObject,
                                                          const RTI::AttributeHandleSet& theAttributes) {
    guardedHook("QVHLAFederateAmbassador::provideAttributeValueUpdate", [&](QVHLAManager& manager) {
        if (QVHLARootObject* object = manager.findObject(theObject)) object->provideAttributeUpdate(theAttributes);
    });
}
