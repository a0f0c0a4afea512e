// The RPR FOM interaction MunitionDetonation with seven of its parameters.
//
// Per parameter: a field, a received flag (carried by the latest received interaction)
// and a pending flag (to be sent by the next sendInteraction; the setters set it).
// Fields keep their last received value; received flags describe the latest interaction.
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

protected:
    WorldLocation detonationLocation;
    uint8_t detonationResultCode;
    Vector3f finalVelocityVector;
    uint16_t fuseType;
    Vector3f relativeDetonationLocation;
    std::string targetObjectIdentifier;
    bool targetObjectIdentifierSet;
    uint16_t warheadType;

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
};

#endif
