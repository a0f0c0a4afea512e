// Abstract base of every HLA object class the federate handles.
//
// An object is plain (just built: a template or a temporary used for getHandles and
// publish), local (registered by this federate; owned by its creator, whose delete
// withdraws the instance from the federation) or remote (made by the manager on
// discovery; owned by the manager's remote registry). It leaves local or remote only
// by destruction. Objects are not copyable: a copy would withdraw the instance twice.
#ifndef VOLAX_QVHLAROOTOBJECT_H
#define VOLAX_QVHLAROOTOBJECT_H

#include <RTI.hh>

#include <string>

class QVHLARootObject {
public:
    QVHLARootObject();
    virtual ~QVHLARootObject();

    // Class-wide handle lookup, publication and subscription.
    virtual bool getHandles() = 0;
    virtual bool publish() = 0;
    virtual bool subscribe() = 0;
    // Marks the requested attributes that hold a value for the next updateAttributes.
    virtual void provideAttributeUpdate(const RTI::AttributeHandleSet& requested) = 0;
    // prepareUpdate, then every pending attribute in one updateAttributeValues.
    virtual void updateAttributes() = 0;
    // Decodes the received attributes, then attributesReflected.
    virtual void reflectAttributes(const RTI::AttributeHandleValuePairSet& values, const char* tag) = 0;
    // A new default-constructed object of the most derived class (for discovery).
    virtual QVHLARootObject* newInstance() = 0;
    virtual RTI::ObjectClassHandle getClassHandle() = 0;
    virtual void prepareUpdate() = 0;
    virtual void attributesReflected() = 0;

    // Registers the instance (name null: the RTI picks one) and files the object with the
    // manager. False, with a log line, when the RTI refuses or the object is already
    // registered or remote. An instance the RTI made before a later step failed (its
    // name could not be read) is deleted again, so none is left without an owner.
    bool registerObjectInstance(const char* name);

    RTI::ObjectHandle getInstanceHandle() const { return instanceHandle; }
    const std::string& getInstanceName() const { return instanceName; }
    bool isRegistered() const { return registered; }
    bool isRemote() const { return remote; }

    QVHLARootObject(const QVHLARootObject&) = delete;
    QVHLARootObject& operator=(const QVHLARootObject&) = delete;

    RTI::ObjectHandle instanceHandle;
    std::string instanceName;
    bool registered;
    bool remote;
};

#endif
