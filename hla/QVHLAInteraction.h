// Abstract base of every HLA interaction class. Once handed to the manager with
// registerInteraction the object belongs to the manager.
#ifndef VOLAX_QVHLAINTERACTION_H
#define VOLAX_QVHLAINTERACTION_H

#include <RTI.hh>

class QVHLAInteraction {
public:
    QVHLAInteraction() {}
    virtual ~QVHLAInteraction() {}

    virtual bool getHandles() = 0;
    virtual bool publish() = 0;
    virtual bool subscribe() = 0;
    // prepareSend, then every pending parameter in one sendInteraction.
    virtual bool sendInteraction() = 0;
    // Decodes the received parameters, then interactionReceived.
    virtual void receiveInteraction(const RTI::ParameterHandleValuePairSet& parameters, const char* tag) = 0;
    virtual RTI::InteractionClassHandle getClassHandle() = 0;
    virtual void prepareSend() = 0;
    virtual void interactionReceived() = 0;

    QVHLAInteraction(const QVHLAInteraction&) = delete;
    QVHLAInteraction& operator=(const QVHLAInteraction&) = delete;
};

#endif
