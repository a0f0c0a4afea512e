// The RPR FOM object class BaseEntity.PhysicalEntity.Platform.Aircraft with the
// attributes EntityIdentifier, EntityType, Spatial, ForceIdentifier, Marking and
// DamageState. Spatial goes out at its algorithm's RPR length (48 to 84 bytes).
//
// Per attribute, Valid means the object holds a value (set by a setter or a reflection,
// never cleared); Pending means, on a local object, "send at the next updateAttributes"
// and, on a remote object, "reflected since the consumer last took it".
// newInstance stays abstract: the application's class decides what a remote aircraft is.
#ifndef VOLAX_QVHLAAIRCRAFTOBJECT_H
#define VOLAX_QVHLAAIRCRAFTOBJECT_H

#include "QVHLARootObject.h"
#include "RPRValues.h"

class QVHLAAircraftObject : public QVHLARootObject {
public:
    QVHLAAircraftObject();
    ~QVHLAAircraftObject() override;

    bool getHandles() override;
    bool publish() override;
    bool subscribe() override;
    void provideAttributeUpdate(const RTI::AttributeHandleSet& requested) override;
    void updateAttributes() override;
    void reflectAttributes(const RTI::AttributeHandleValuePairSet& values, const char* tag) override;
    RTI::ObjectClassHandle getClassHandle() override { return classHandle; }
    void prepareUpdate() override {}
    void attributesReflected() override {}

    void setEntityIdentifier(const EntityIdentifier& value);
    void setEntityType(const EntityType& value);
    void setSpatial(const Spatial& value);
    void setForceIdentifier(const ForceIdentifier& value);
    void setMarking(const Marking& value);
    void setDamageState(DamageState value);
    // Marks every attribute that holds a value for the next updateAttributes (heartbeat).
    void requestAllAttributes();
    // Clears spatialPending and gives access to the value.
    Spatial& takeSpatial();

    // Read access that leaves the pending marks alone.
    const EntityIdentifier& getEntityIdentifier() const { return entityIdentifier; }
    const EntityType& getEntityType() const { return entityType; }
    const Spatial& peekSpatial() const { return spatial; }
    ForceIdentifier getForceIdentifier() const { return forceIdentifier; }
    const Marking& getMarking() const { return marking; }
    DamageState getDamageState() const { return damageState; }
    bool isEntityIdentifierValid() const { return entityIdentifierValid; }
    bool isEntityIdentifierPending() const { return entityIdentifierPending; }
    bool isEntityTypeValid() const { return entityTypeValid; }
    bool isEntityTypePending() const { return entityTypePending; }
    bool hasSpatial() const { return spatialValid; }
    bool isSpatialPending() const { return spatialPending; }
    bool isForceIdentifierValid() const { return forceIdentifierValid; }
    bool isForceIdentifierPending() const { return forceIdentifierPending; }
    bool isMarkingValid() const { return markingValid; }
    bool isMarkingPending() const { return markingPending; }
    bool isDamageStateValid() const { return damageStateValid; }
    bool isDamageStatePending() const { return damageStatePending; }

    // Class-wide handles, filled by getHandles (0 until then; 0 is also a valid handle).
    static RTI::ObjectClassHandle classHandle;
    static RTI::AttributeHandle entityIdentifierHandle;
    static RTI::AttributeHandle entityTypeHandle;
    static RTI::AttributeHandle spatialHandle;
    static RTI::AttributeHandle forceIdentifierHandle;
    static RTI::AttributeHandle markingHandle;
    static RTI::AttributeHandle damageStateHandle;

protected:
    bool entityIdentifierPending;
    bool entityIdentifierValid;
    bool entityTypePending;
    bool entityTypeValid;
    bool spatialPending;
    bool spatialValid;
    bool forceIdentifierPending;
    bool forceIdentifierValid;
    bool markingPending;
    bool markingValid;
    bool damageStatePending;
    bool damageStateValid;
    EntityIdentifier entityIdentifier;
    EntityType entityType;
    Spatial spatial;
    ForceIdentifier forceIdentifier;
    Marking marking;
    DamageState damageState;
};

#endif
