// The RPR FOM interaction StartResume with its five parameters.
//
// Per parameter: a field, a received flag (carried by the latest received interaction)
// and a pending flag (to be sent by the next sendInteraction; the setters set it).
#ifndef VOLAX_QVHLASTARTRESUMEINTERACTION_H
#define VOLAX_QVHLASTARTRESUMEINTERACTION_H

#include "QVHLAInteraction.h"
#include "RPRValues.h"

class QVHLAStartResumeInteraction : public QVHLAInteraction {
public:
    QVHLAStartResumeInteraction();
    ~QVHLAStartResumeInteraction() override;

    bool getHandles() override;
    bool publish() override;
    bool subscribe() override;
    // Always true; failures are logged.
    bool sendInteraction() override;
    void receiveInteraction(const RTI::ParameterHandleValuePairSet& parameters, const char* tag) override;
    RTI::InteractionClassHandle getClassHandle() override { return classHandle; }
    void prepareSend() override {}
    void interactionReceived() override {}

    void setOriginatingEntity(const EntityIdentifier& value);
    void setRealWorldTime(const ClockTime& value);
    void setReceivingEntity(const EntityIdentifier& value);
    void setRequestIdentifier(uint32_t value);
    void setSimulationTime(const ClockTime& value);

    const EntityIdentifier& getOriginatingEntity() const { return originatingEntity; }
    const ClockTime& getRealWorldTime() const { return realWorldTime; }
    const EntityIdentifier& getReceivingEntity() const { return receivingEntity; }
    uint32_t getRequestIdentifier() const { return requestIdentifier; }
    const ClockTime& getSimulationTime() const { return simulationTime; }

    bool isOriginatingEntityReceived() const { return originatingEntityReceived; }
    bool isRealWorldTimeReceived() const { return realWorldTimeReceived; }
    bool isReceivingEntityReceived() const { return receivingEntityReceived; }
    bool isRequestIdentifierReceived() const { return requestIdentifierReceived; }
    bool isSimulationTimeReceived() const { return simulationTimeReceived; }

    bool isOriginatingEntityPending() const { return originatingEntityPending; }
    bool isRealWorldTimePending() const { return realWorldTimePending; }
    bool isReceivingEntityPending() const { return receivingEntityPending; }
    bool isRequestIdentifierPending() const { return requestIdentifierPending; }
    bool isSimulationTimePending() const { return simulationTimePending; }

    // Class-wide handles, filled by getHandles.
    static RTI::InteractionClassHandle classHandle;
    static RTI::ParameterHandle originatingEntityHandle;
    static RTI::ParameterHandle realWorldTimeHandle;
    static RTI::ParameterHandle receivingEntityHandle;
    static RTI::ParameterHandle requestIdentifierHandle;
    static RTI::ParameterHandle simulationTimeHandle;

protected:
    EntityIdentifier originatingEntity;
    ClockTime realWorldTime;
    EntityIdentifier receivingEntity;
    uint32_t requestIdentifier;
    ClockTime simulationTime;

    bool originatingEntityReceived;
    bool realWorldTimeReceived;
    bool receivingEntityReceived;
    bool requestIdentifierReceived;
    bool simulationTimeReceived;

    bool originatingEntityPending;
    bool realWorldTimePending;
    bool receivingEntityPending;
    bool requestIdentifierPending;
    bool simulationTimePending;
};

#endif
