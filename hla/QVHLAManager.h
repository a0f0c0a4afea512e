// The federate's single point of contact with the RTI.
//
// One manager per process (getInstance), created on first use and never destroyed, so
// the RTI ambassador outlives every join/resign cycle.
//
// Ownership:
//  - interaction objects handed over with registerInteraction belong to the manager;
//    a later registration for the same class deletes the previous one;
//  - template objects handed over with registerObjectTemplate belong to the manager;
//    a later template for the same class deletes the previous one;
//  - remote objects (made from a template on discovery) belong to the remote registry;
//    they are deleted when the RTI removes the instance, and all of them after a
//    successful resign;
//  - local objects belong to whoever created them; the registry only points at them
//    and an object erases its own entry when it is destroyed.
//
// Everything runs on one thread; RTI callbacks arrive only inside tick().
#ifndef VOLAX_QVHLAMANAGER_H
#define VOLAX_QVHLAMANAGER_H

#include <RTI.hh>

#include <cstdio>
#include <map>
#include <string>

#include "ObjectIndex.h"
#include "QVHLAFederateAmbassador.h"

class QVHLARootObject;
class QVHLAInteraction;

class QVHLAManager {
public:
    typedef std::map<RTI::ObjectHandle, QVHLARootObject*> ObjectMap;

    static QVHLAManager* getInstance();
    // The manager if getInstance has made it already, else null.
    static QVHLAManager* existingInstance();

    void setLogFile(FILE* stream);
    FILE* getLogFile() const { return logFile; }
    // Writes "where : text\n" while a log stream is set.
    void logMessage(const char* where, const char* text);
    // Writes "where : name: reason\n": for exceptions raised by application code, whose
    // reason alone does not say what went wrong.
    void logException(const char* where, const RTI::Exception& e);

    // fedFile null: join only, never create.
    bool joinFederation(const char* federateName, const char* federationName, const char* fedFile);
    bool resignFederation();
    // Sends every local object's pending attributes, then lets the RTI deliver callbacks.
    void tick();

    bool isJoined() const { return joined; }
    bool isFederationCreated() const { return federationCreated; }
    const std::string& getFederateName() const { return federateName; }
    const std::string& getFederationName() const { return federationName; }
    RTI::RTIambassador& getRTIAmbassador() { return rtiAmbassador; }

    // Takes ownership; replaces (and deletes) the receiver of the same class.
    void registerInteraction(QVHLAInteraction* interaction);
    // Deletes the receiver of that class, if any.
    void removeInteraction(RTI::InteractionClassHandle classHandle);
    QVHLAInteraction* findInteraction(RTI::InteractionClassHandle classHandle) const;

    // Takes ownership of a plain object (neither registered nor remote) whose newInstance
    // makes the objects that represent discovered instances of `classHandle`. Replaces
    // (and deletes) the previous template of that class; null just removes it. Refused,
    // with a log line, for a registered or remote object or one already filed under
    // another class (the caller keeps it then). Returns whether it was stored.
    bool registerObjectTemplate(RTI::ObjectClassHandle classHandle, QVHLARootObject* object);
    QVHLARootObject* findObjectTemplate(RTI::ObjectClassHandle classHandle) const;

    void addLocalObject(QVHLARootObject* object);
    void removeLocalObject(RTI::ObjectHandle handle);
    void removeRemoteObject(RTI::ObjectHandle handle);
    // Remote objects first, then local ones.
    QVHLARootObject* findObject(RTI::ObjectHandle handle) const;
    QVHLARootObject* findLocalObject(RTI::ObjectHandle handle) const;
    QVHLARootObject* findRemoteObject(RTI::ObjectHandle handle) const;
    const ObjectMap& getLocalObjects() const { return localObjects; }
    const ObjectMap& getRemoteObjects() const { return remoteObjects; }

    QVHLARootObject* newRemoteObject(RTI::ObjectClassHandle classHandle, RTI::ObjectHandle instanceHandle,
                                     const char* name);
    void dispatchInteraction(RTI::InteractionClassHandle classHandle,
                             const RTI::ParameterHandleValuePairSet& parameters, const char* tag);

    // Erase the entry only while it still points at `object`: a handle reused by the RTI
    // must not lose the newer object's entry.
    void removeLocalObject(RTI::ObjectHandle handle, const QVHLARootObject* object);
    void removeRemoteObject(RTI::ObjectHandle handle, const QVHLARootObject* object);

    QVHLAManager(const QVHLAManager&) = delete;
    QVHLAManager& operator=(const QVHLAManager&) = delete;

private:
    QVHLAManager();
    ~QVHLAManager() = default;  // never called: the manager lives as long as the process

    RTI::RTIambassador rtiAmbassador;
    QVHLAFederateAmbassador federateAmbassador;
    std::map<RTI::ObjectClassHandle, QVHLARootObject*> objectTemplates;
    std::map<RTI::InteractionClassHandle, QVHLAInteraction*> interactionObjects;
    ObjectMap remoteObjects;
    // The same objects in a flat table: every reflection looks its object up,
    // and a crowded federation holds thousands.
    ObjectIndex remoteIndex;
    ObjectMap localObjects;
    std::string federateName;
    std::string federationName;
    bool joined;
    bool federationCreated;
    FILE* logFile;
};

#endif
