#include "QVHLAStartResumeInteraction.h"

#include <cstdio>
#include <memory>

#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"

RTI::InteractionClassHandle QVHLAStartResumeInteraction::classHandle = 0;
RTI::ParameterHandle QVHLAStartResumeInteraction::originatingEntityHandle = 0;
RTI::ParameterHandle QVHLAStartResumeInteraction::realWorldTimeHandle = 0;
RTI::ParameterHandle QVHLAStartResumeInteraction::receivingEntityHandle = 0;
RTI::ParameterHandle QVHLAStartResumeInteraction::requestIdentifierHandle = 0;
RTI::ParameterHandle QVHLAStartResumeInteraction::simulationTimeHandle = 0;

QVHLAStartResumeInteraction::QVHLAStartResumeInteraction()
    : originatingEntity(),
      realWorldTime(),
      receivingEntity(),
      requestIdentifier(0),
      simulationTime(),
      originatingEntityReceived(false),
      realWorldTimeReceived(false),
      receivingEntityReceived(false),
      requestIdentifierReceived(false),
      simulationTimeReceived(false),
      originatingEntityPending(false),
      realWorldTimePending(false),
      receivingEntityPending(false),
      requestIdentifierPending(false),
      simulationTimePending(false) {}

QVHLAStartResumeInteraction::~QVHLAStartResumeInteraction() {}

bool QVHLAStartResumeInteraction::getHandles() {
    return guardedRTICall("QVHLAStartResumeInteraction::getHandles()", [](RTI::RTIambassador& rti) {
        classHandle = rti.getInteractionClassHandle("StartResume");
        originatingEntityHandle = rti.getParameterHandle("OriginatingEntity", classHandle);
        realWorldTimeHandle = rti.getParameterHandle("RealWorldTime", classHandle);
        receivingEntityHandle = rti.getParameterHandle("ReceivingEntity", classHandle);
        requestIdentifierHandle = rti.getParameterHandle("RequestIdentifier", classHandle);
        simulationTimeHandle = rti.getParameterHandle("SimulationTime", classHandle);
    });
}

bool QVHLAStartResumeInteraction::publish() {
    return guardedRTICall("QVHLAStartResumeInteraction::publish()",
                          [](RTI::RTIambassador& rti) { rti.publishInteractionClass(classHandle); });
}

bool QVHLAStartResumeInteraction::subscribe() {
    return guardedRTICall("QVHLAStartResumeInteraction::subscribe()", [](RTI::RTIambassador& rti) {
        rti.subscribeInteractionClass(classHandle, RTI::RTI_TRUE);
    });
}

bool QVHLAStartResumeInteraction::sendInteraction() {
    prepareSend();
    QVHLAManager* manager = QVHLAManager::getInstance();
    // Encoded values must live until the RTI call has returned, whatever it does.
    NetBuffer buffers[5];
    try {
        std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(5));
        if (originatingEntityPending) {
            buffers[0] = entityIdentifierToNet(originatingEntity);
            set->add(originatingEntityHandle, buffers[0].get(), ENTITY_IDENTIFIER_SIZE);
            originatingEntityPending = false;
        }
        if (realWorldTimePending) {
            buffers[1] = clockTimeToNet(realWorldTime);
            set->add(realWorldTimeHandle, buffers[1].get(), CLOCK_TIME_SIZE);
            realWorldTimePending = false;
        }
        if (receivingEntityPending) {
            buffers[2] = entityIdentifierToNet(receivingEntity);
            set->add(receivingEntityHandle, buffers[2].get(), ENTITY_IDENTIFIER_SIZE);
            receivingEntityPending = false;
        }
        if (requestIdentifierPending) {
            buffers[3] = uint32ToNet(requestIdentifier);
            set->add(requestIdentifierHandle, buffers[3].get(), 4);
            requestIdentifierPending = false;
        }
        if (simulationTimePending) {
            buffers[4] = clockTimeToNet(simulationTime);
            set->add(simulationTimeHandle, buffers[4].get(), CLOCK_TIME_SIZE);
            simulationTimePending = false;
        }
        if (set->size() > 0) manager->getRTIAmbassador().sendInteraction(classHandle, *set, "sometag");
        return true;
    } catch (RTI::Exception& e) {
        manager->logMessage("QVHLAStartResumeInteraction::sendInteraction()", reasonOf(e));
    } catch (...) {
        manager->logMessage("QVHLAsendInteraction::sendInteraction()", "Unknown exception");
    }
    // A refused send is reported as such: a sender must be able to tell.
    return false;
}

void QVHLAStartResumeInteraction::receiveInteraction(const RTI::ParameterHandleValuePairSet& parameters,
                                                     const char*) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAStartResumeInteraction::receiveInteraction()";
    manager->logMessage(where, "begin");
    originatingEntityReceived = false;
    realWorldTimeReceived = false;
    receivingEntityReceived = false;
    requestIdentifierReceived = false;
    simulationTimeReceived = false;
    try {
        for (RTI::ULong i = 0; i < parameters.size(); ++i) {
            const RTI::ParameterHandle h = parameters.getHandle(i);
            RTI::ULong length = 0;
            if (h == originatingEntityHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToEntityIdentifier(data, length, originatingEntity)) {
                    originatingEntityReceived = true;
                } else {
                    logSkipped(where, "OriginatingEntity", length, ENTITY_IDENTIFIER_SIZE);
                }
            } else if (h == realWorldTimeHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToClockTime(data, length, realWorldTime)) {
                    realWorldTimeReceived = true;
                } else {
                    logSkipped(where, "RealWorldTime", length, CLOCK_TIME_SIZE);
                }
            } else if (h == receivingEntityHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToEntityIdentifier(data, length, receivingEntity)) {
                    receivingEntityReceived = true;
                } else {
                    logSkipped(where, "ReceivingEntity", length, ENTITY_IDENTIFIER_SIZE);
                }
            } else if (h == requestIdentifierHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToUInt32(data, length, requestIdentifier)) {
                    requestIdentifierReceived = true;
                } else {
                    logSkipped(where, "RequestIdentifier", length, 4);
                }
            } else if (h == simulationTimeHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToClockTime(data, length, simulationTime)) {
                    simulationTimeReceived = true;
                } else {
                    logSkipped(where, "SimulationTime", length, CLOCK_TIME_SIZE);
                }
            }
        }
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage("QVHLAsendInteraction::receiveInteraction()", "Unknown exception");
    }
    interactionReceived();
}

void QVHLAStartResumeInteraction::setOriginatingEntity(const EntityIdentifier& value) {
    originatingEntity = value;
    originatingEntityPending = true;
}

void QVHLAStartResumeInteraction::setRealWorldTime(const ClockTime& value) {
    realWorldTime = value;
    realWorldTimePending = true;
}

void QVHLAStartResumeInteraction::setReceivingEntity(const EntityIdentifier& value) {
    receivingEntity = value;
    receivingEntityPending = true;
}

void QVHLAStartResumeInteraction::setRequestIdentifier(uint32_t value) {
    requestIdentifier = value;
    requestIdentifierPending = true;
}

void QVHLAStartResumeInteraction::setSimulationTime(const ClockTime& value) {
    simulationTime = value;
    simulationTimePending = true;
}
