// Routes the RTI callbacks that matter to the manager's registries. Stateless: it
// reaches the manager through QVHLAManager::getInstance. Timestamped forms forward to
// the receive-order forms through the virtual table, so values are processed when the
// RTI delivers them, whatever their order type. Whatever the application's hooks throw
// inside a callback is logged there and never crosses the RTI's tick().
#ifndef VOLAX_QVHLAFEDERATEAMBASSADOR_H
#define VOLAX_QVHLAFEDERATEAMBASSADOR_H

#include "EmptyFederateAmbassador.h"

class QVHLAFederateAmbassador : public EmptyFederateAmbassador {
public:
    QVHLAFederateAmbassador() {}
    ~QVHLAFederateAmbassador() override {}

    void discoverObjectInstance(RTI::ObjectHandle theObject, RTI::ObjectClassHandle theObjectClass,
                                const char* theObjectName) override;
    void reflectAttributeValues(RTI::ObjectHandle theObject, const RTI::AttributeHandleValuePairSet& theAttributes,
                                const RTI::FedTime& theTime, const char* theTag,
                                RTI::EventRetractionHandle theHandle) override;
    void reflectAttributeValues(RTI::ObjectHandle theObject, const RTI::AttributeHandleValuePairSet& theAttributes,
                                const char* theTag) override;
    void receiveInteraction(RTI::InteractionClassHandle theInteraction,
                            const RTI::ParameterHandleValuePairSet& theParameters, const RTI::FedTime& theTime,
                            const char* theTag, RTI::EventRetractionHandle theHandle) override;
    void receiveInteraction(RTI::InteractionClassHandle theInteraction,
                            const RTI::ParameterHandleValuePairSet& theParameters, const char* theTag) override;
    void removeObjectInstance(RTI::ObjectHandle theObject, const RTI::FedTime& theTime, const char* theTag,
                              RTI::EventRetractionHandle theHandle) override;
    // Deletes a discovered object; the federate's own instances are left alone.
    void removeObjectInstance(RTI::ObjectHandle theObject, const char* theTag) override;
    void provideAttributeValueUpdate(RTI::ObjectHandle theObject,
                                     const RTI::AttributeHandleSet& theAttributes) override;
};

#endif
