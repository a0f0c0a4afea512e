// An RPR FOM physical entity of any class under BaseEntity.PhysicalEntity (the
// class itself, Platform and its seven subclasses, Lifeform, Human, NonHuman,
// Munition), with the attributes EntityIdentifier, EntityType, Spatial,
// ForceIdentifier, Marking and DamageState.
//
// One object type for every class: the class name is given at construction and
// its handles are looked up per class (getHandles). Subscribing at
// BaseEntity.PhysicalEntity discovers the instances of every subclass as that
// class (HLA 1.3 promotion); registering uses the class that fits the entity.
//
// Per attribute, Valid means the object holds a value (set by a setter or a
// reflection, never cleared); Pending means, on a local object, "send at the next
// updateAttributes" and, on a remote object, "reflected since the consumer last
// looked" (clearPending). Received values are decoded with length checks; a value
// too short, a Spatial with an unknown algorithm or an unknown DamageState is
// skipped with a log line and the previous value kept.
// newInstance stays abstract: the application's class decides what a remote entity is.
#ifndef VOLAX_QVHLAPHYSICALENTITYOBJECT_H
#define VOLAX_QVHLAPHYSICALENTITYOBJECT_H

#include <string>

#include "QVHLARootObject.h"
#include "RPRValues.h"
#include "TimeStamp.h"

class QVHLAPhysicalEntityObject : public QVHLARootObject {
public:
    static const char* const PHYSICAL_ENTITY_CLASS;  // "BaseEntity.PhysicalEntity"

    // The class an entity of `type` registers as: by kind (platform, munition,
    // lifeform) and, for platforms, by domain; BaseEntity.PhysicalEntity otherwise.
    static const char* classNameFor(const EntityType& type);

    // `className` below ObjectRoot, e.g. "BaseEntity.PhysicalEntity.Platform.GroundVehicle".
    explicit QVHLAPhysicalEntityObject(const char* className = PHYSICAL_ENTITY_CLASS);
    ~QVHLAPhysicalEntityObject() override;

    bool getHandles() override;
    bool publish() override;
    bool subscribe() override;
    void provideAttributeUpdate(const RTI::AttributeHandleSet& requested) override;
    void updateAttributes() override;
    void reflectAttributes(const RTI::AttributeHandleValuePairSet& values, const char* tag) override;
    RTI::ObjectClassHandle getClassHandle() override { return handles.classHandle; }
    void prepareUpdate() override {}
    void attributesReflected() override {}

    const std::string& getClassName() const { return className; }

    void setEntityIdentifier(const EntityIdentifier& value);
    void setEntityType(const EntityType& value);
    void setSpatial(const Spatial& value);
    void setForceIdentifier(ForceIdentifier value);
    void setMarking(const Marking& value);
    void setDamageState(DamageState value);
    // Marks every attribute that holds a value for the next updateAttributes.
    void requestAllAttributes();
    // Forgets which attributes were reflected (a remote object's consumer has them).
    void clearPending();

    const EntityIdentifier& getEntityIdentifier() const { return entityIdentifier; }
    const EntityType& getEntityType() const { return entityType; }
    const Spatial& getSpatial() const { return spatial; }
    ForceIdentifier getForceIdentifier() const { return forceIdentifier; }
    const Marking& getMarking() const { return marking; }
    DamageState getDamageState() const { return damageState; }
    // The time stamp in the tag of the last reflection; false when it had none.
    // Local objects send the system clock's absolute time with every update.
    bool getTimeStamp(rpr::TimeStamp& out) const {
        if (hasTimeStamp) out = timeStamp;
        return hasTimeStamp;
    }

    enum Attribute { ENTITY_IDENTIFIER, ENTITY_TYPE, SPATIAL, FORCE_IDENTIFIER, MARKING, DAMAGE_STATE, ATTRIBUTES };
    bool isValid(Attribute a) const { return valid[a]; }
    bool isPending(Attribute a) const { return pending[a]; }
    bool anyPending() const;

    struct Handles {
        bool found = false;
        RTI::ObjectClassHandle classHandle = 0;
        RTI::AttributeHandle attribute[ATTRIBUTES] = {};
    };
    // The handles looked up for `className` by the last getHandles, if any.
    static const Handles* findHandles(const std::string& className);

protected:
    std::string className;
    Handles handles;
    bool valid[ATTRIBUTES];
    bool pending[ATTRIBUTES];
    EntityIdentifier entityIdentifier;
    EntityType entityType;
    Spatial spatial;
    ForceIdentifier forceIdentifier;
    Marking marking;
    DamageState damageState;
    bool hasTimeStamp = false;
    rpr::TimeStamp timeStamp;
};

#endif
