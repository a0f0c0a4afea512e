#include "QVHLAFederateAmbassador.h"

#include "QVHLAManager.h"
#include "QVHLARootObject.h"

void QVHLAFederateAmbassador::discoverObjectInstance(RTI::ObjectHandle theObject,
                                                     RTI::ObjectClassHandle theObjectClass,
                                                     const char* theObjectName) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    manager->logMessage("QVHLAFederateAmbassador::discoverObjectInstance", "Object discovered!");
    manager->newRemoteObject(theObjectClass, theObject, theObjectName);
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
    QVHLAManager* manager = QVHLAManager::getInstance();
    manager->logMessage("QVHLAFederateAmbassador::reflectAttributeValues()", "Short!");
    QVHLARootObject* object = manager->findObject(theObject);
    if (object) {
        object->reflectAttributes(theAttributes, theTag);
    } else {
        manager->logMessage("QVHLAFederateAmbassador::reflectAttributeValues",
                            "Couldn't find object to reflect attributes!");
    }
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
    QVHLAManager::getInstance()->dispatchInteraction(theInteraction, theParameters, theTag);
}

void QVHLAFederateAmbassador::removeObjectInstance(RTI::ObjectHandle theObject, const RTI::FedTime&,
                                                   const char* theTag, RTI::EventRetractionHandle) {
    removeObjectInstance(theObject, theTag);
}

void QVHLAFederateAmbassador::removeObjectInstance(RTI::ObjectHandle theObject, const char*) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    if (QVHLARootObject* object = manager->findRemoteObject(theObject)) {
        delete object;  // its destructor erases the registry entry
        return;
    }
    // The plugin still holds its own objects: deleting one here would leave it dangling.
    if (manager->findLocalObject(theObject)) {
        manager->logMessage("QVHLAFederateAmbassador::removeObjectInstance",
                            "Ignoring removal of a local object");
    }
}

void QVHLAFederateAmbassador::provideAttributeValueUpdate(RTI::ObjectHandle theObject,
                                                          const RTI::AttributeHandleSet& theAttributes) {
    if (QVHLARootObject* object = QVHLAManager::getInstance()->findObject(theObject)) {
        object->provideAttributeUpdate(theAttributes);
    }
}
