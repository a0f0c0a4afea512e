// The RPR FOM interaction MunitionDetonation with twelve of its parameters.
//
// Per parameter: a field, a received flag (carried by the latest received interaction)
// and a pending flag (to be sent by the next sendInteraction; the setters set it).
// Fields keep their last received value; received flags describe the latest interaction.
// EventIdentifier, FiringObjectIdentifier, MunitionType, QuantityFired and RateOfFire are
// sent for strict peers but not decoded on receipt.
//
// Sent forms are the RPR ones: DetonationResultCode as one byte, object names with their
// terminating NUL. Received DetonationResultCodes of two bytes (the low one counts) and
// names without a NUL are still accepted.
#ifndef VOLAX_QVHLAMUNITIONDETONATIONINTERACTION_H
#define VOLAX_QVHLAMUNITIONDETONATIONINTERACTION_H

#include <cstddef>
#include <string>

#include "QVHLAInteraction.h"
#include "RPRValues.h"

class QVHLAMunitionDetonationInteraction : public QVHLAInteraction {
public:
    QVHLAMunitionDetonationInteraction();
    ~QVHLAMunitionDetonationInteraction() override;

    bool getHandles() override;
    bool publish() override;
    bool subscribe() override;
    // Always true; failures are logged.
    bool sendInteraction() override;
    void receiveInteraction(const RTI::ParameterHandleValuePairSet& parameters, const char* tag) override;
    RTI::InteractionClassHandle getClassHandle() override { return classHandle; }
    void prepareSend() override {}
    void interactionReceived() override {}

    void setDetonationLocation(const WorldLocation& value);
    void setDetonationResultCode(uint8_t value);
    void setFinalVelocityVector(const Vector3f& value);
    void setFuseType(uint16_t value);
    void setRelativeDetonationLocation(const Vector3f& value);
    // Null: no identifier (then nothing of it is sent and its pending flag stays set).
    void setTargetObjectIdentifier(const char* name);
    void setTargetObjectIdentifier(const char* bytes, std::size_t length);
    void setWarheadType(uint16_t value);
    void setEventIdentifier(uint16_t eventCount, const std::string& issuingObject);
    void setFiringObjectIdentifier(const std::string& name);
    void setMunitionType(const EntityType& value);
    void setQuantityFired(uint16_t value);
    void setRateOfFire(uint16_t value);

    const WorldLocation& getDetonationLocation() const { return detonationLocation; }
    uint8_t getDetonationResultCode() const { return detonationResultCode; }
    const Vector3f& getFinalVelocityVector() const { return finalVelocityVector; }
    uint16_t getFuseType() const { return fuseType; }
    const Vector3f& getRelativeDetonationLocation() const { return relativeDetonationLocation; }
    // A received name is stored without one trailing NUL; other bytes are kept as sent.
    bool hasTargetObjectIdentifier() const { return targetObjectIdentifierSet; }
    const std::string& getTargetObjectIdentifier() const { return targetObjectIdentifier; }
    uint16_t getWarheadType() const { return warheadType; }

    bool isDetonationLocationReceived() const { return detonationLocationReceived; }
    bool isDetonationResultCodeReceived() const { return detonationResultCodeReceived; }
    bool isFinalVelocityVectorReceived() const { return finalVelocityVectorReceived; }
    bool isFuseTypeReceived() const { return fuseTypeReceived; }
    bool isRelativeDetonationLocationReceived() const { return relativeDetonationLocationReceived; }
    bool isTargetObjectIdentifierReceived() const { return targetObjectIdentifierReceived; }
    bool isWarheadTypeReceived() const { return warheadTypeReceived; }

    bool isDetonationLocationPending() const { return detonationLocationPending; }
    bool isDetonationResultCodePending() const { return detonationResultCodePending; }
    bool isFinalVelocityVectorPending() const { return finalVelocityVectorPending; }
    bool isFuseTypePending() const { return fuseTypePending; }
    bool isRelativeDetonationLocationPending() const { return relativeDetonationLocationPending; }
    bool isTargetObjectIdentifierPending() const { return targetObjectIdentifierPending; }
    bool isWarheadTypePending() const { return warheadTypePending; }

    // Class-wide handles, filled by getHandles.
    static RTI::InteractionClassHandle classHandle;
    static RTI::ParameterHandle detonationLocationHandle;
    static RTI::ParameterHandle detonationResultCodeHandle;
    static RTI::ParameterHandle finalVelocityVectorHandle;
    static RTI::ParameterHandle fuseTypeHandle;
    static RTI::ParameterHandle relativeDetonationLocationHandle;
    static RTI::ParameterHandle targetObjectIdentifierHandle;
    static RTI::ParameterHandle warheadTypeHandle;
    static RTI::ParameterHandle eventIdentifierHandle;
    static RTI::ParameterHandle firingObjectIdentifierHandle;
    static RTI::ParameterHandle munitionTypeHandle;
    static RTI::ParameterHandle quantityFiredHandle;
    static RTI::ParameterHandle rateOfFireHandle;

protected:
    WorldLocation detonationLocation;
    uint8_t detonationResultCode;
    Vector3f finalVelocityVector;
    uint16_t fuseType;
    Vector3f relativeDetonationLocation;
    std::string targetObjectIdentifier;
    bool targetObjectIdentifierSet;
    uint16_t warheadType;
    uint16_t eventCount;
    std::string eventIssuingObject;
    std::string firingObjectIdentifier;
    EntityType munitionType;
    uint16_t quantityFired;
    uint16_t rateOfFire;

    bool detonationLocationReceived;
    bool detonationResultCodeReceived;
    bool finalVelocityVectorReceived;
    bool fuseTypeReceived;
    bool relativeDetonationLocationReceived;
    bool targetObjectIdentifierReceived;
    bool warheadTypeReceived;

    bool detonationLocationPending;
    bool detonationResultCodePending;
    bool finalVelocityVectorPending;
    bool fuseTypePending;
    bool relativeDetonationLocationPending;
    bool targetObjectIdentifierPending;
    bool warheadTypePending;
    bool eventIdentifierPending;
    bool firingObjectIdentifierPending;
    bool munitionTypePending;
    bool quantityFiredPending;
    bool rateOfFirePending;
};

#endif
