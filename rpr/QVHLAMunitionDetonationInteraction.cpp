#include "QVHLAMunitionDetonationInteraction.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"

RTI::InteractionClassHandle QVHLAMunitionDetonationInteraction::classHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::detonationLocationHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::detonationResultCodeHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::finalVelocityVectorHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::fuseTypeHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::relativeDetonationLocationHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::targetObjectIdentifierHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::warheadTypeHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::eventIdentifierHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::firingObjectIdentifierHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::munitionTypeHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::quantityFiredHandle = 0;
RTI::ParameterHandle QVHLAMunitionDetonationInteraction::rateOfFireHandle = 0;

namespace {
const std::size_t PARAMETER_COUNT = 12;
}  // namespace

QVHLAMunitionDetonationInteraction::QVHLAMunitionDetonationInteraction()
    : detonationLocation(),
      detonationResultCode(0),
      finalVelocityVector(),
      fuseType(0),
      relativeDetonationLocation(),
      targetObjectIdentifierSet(false),
      warheadType(0),
      eventCount(0),
      munitionType(),
      quantityFired(0),
      rateOfFire(0),
      detonationLocationReceived(false),
      detonationResultCodeReceived(false),
      finalVelocityVectorReceived(false),
      fuseTypeReceived(false),
      relativeDetonationLocationReceived(false),
      targetObjectIdentifierReceived(false),
      warheadTypeReceived(false),
      detonationLocationPending(false),
      detonationResultCodePending(false),
      finalVelocityVectorPending(false),
      fuseTypePending(false),
      relativeDetonationLocationPending(false),
      targetObjectIdentifierPending(false),
      warheadTypePending(false),
      eventIdentifierPending(false),
      firingObjectIdentifierPending(false),
      munitionTypePending(false),
      quantityFiredPending(false),
      rateOfFirePending(false) {}

QVHLAMunitionDetonationInteraction::~QVHLAMunitionDetonationInteraction() {}

bool QVHLAMunitionDetonationInteraction::getHandles() {
    return guardedRTICall("QVHLAMunitionDetonationInteraction::getHandles()", [](RTI::RTIambassador& rti) {
        classHandle = rti.getInteractionClassHandle("MunitionDetonation");
        detonationLocationHandle = rti.getParameterHandle("DetonationLocation", classHandle);
        detonationResultCodeHandle = rti.getParameterHandle("DetonationResultCode", classHandle);
        finalVelocityVectorHandle = rti.getParameterHandle("FinalVelocityVector", classHandle);
        fuseTypeHandle = rti.getParameterHandle("FuseType", classHandle);
        relativeDetonationLocationHandle = rti.getParameterHandle("RelativeDetonationLocation", classHandle);
        targetObjectIdentifierHandle = rti.getParameterHandle("TargetObjectIdentifier", classHandle);
        warheadTypeHandle = rti.getParameterHandle("WarheadType", classHandle);
        eventIdentifierHandle = rti.getParameterHandle("EventIdentifier", classHandle);
        firingObjectIdentifierHandle = rti.getParameterHandle("FiringObjectIdentifier", classHandle);
        munitionTypeHandle = rti.getParameterHandle("MunitionType", classHandle);
        quantityFiredHandle = rti.getParameterHandle("QuantityFired", classHandle);
        rateOfFireHandle = rti.getParameterHandle("RateOfFire", classHandle);
    });
}

bool QVHLAMunitionDetonationInteraction::publish() {
    return guardedRTICall("QVHLAMunitionDetonationInteraction::publish()",
                          [](RTI::RTIambassador& rti) { rti.publishInteractionClass(classHandle); });
}

bool QVHLAMunitionDetonationInteraction::subscribe() {
    return guardedRTICall("QVHLAMunitionDetonationInteraction::subscribe()", [](RTI::RTIambassador& rti) {
        rti.subscribeInteractionClass(classHandle, RTI::RTI_TRUE);
    });
}

bool QVHLAMunitionDetonationInteraction::sendInteraction() {
    prepareSend();
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAMunitionDetonationInteraction::sendInteraction()";
    // Encoded values must live until the RTI call has returned, whatever it does.
    NetBuffer buffers[PARAMETER_COUNT];
    std::string names[3];
    try {
        std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(PARAMETER_COUNT));
        if (detonationLocationPending) {
            buffers[0] = worldLocationToNet(detonationLocation);
            set->add(detonationLocationHandle, buffers[0].get(), WORLD_LOCATION_SIZE);
            detonationLocationPending = false;
            if (manager->getLogFile()) {
                char text[256];
                std::snprintf(text, sizeof text, "DetonationLocation: %f , %f , %f", detonationLocation.x,
                              detonationLocation.y, detonationLocation.z);
                manager->logMessage(where, text);
            }
        }
        if (detonationResultCodePending) {
            // DetonationResultCodeEnum8: one byte.
            buffers[1] = uint8ToNet(detonationResultCode);
            set->add(detonationResultCodeHandle, buffers[1].get(), 1);
            detonationResultCodePending = false;
        }
        if (finalVelocityVectorPending) {
            buffers[2] = vectorToNet(finalVelocityVector);
            set->add(finalVelocityVectorHandle, buffers[2].get(), VECTOR_SIZE);
            finalVelocityVectorPending = false;
        }
        if (fuseTypePending) {
            buffers[3] = uint16ToNet(fuseType);
            set->add(fuseTypeHandle, buffers[3].get(), 2);
            fuseTypePending = false;
        }
        if (relativeDetonationLocationPending) {
            buffers[4] = vectorToNet(relativeDetonationLocation);
            set->add(relativeDetonationLocationHandle, buffers[4].get(), VECTOR_SIZE);
            relativeDetonationLocationPending = false;
        }
        if (targetObjectIdentifierPending && targetObjectIdentifierSet) {
            names[0] = objectIdentifierToNet(targetObjectIdentifier);
            set->add(targetObjectIdentifierHandle, names[0].data(), static_cast<RTI::ULong>(names[0].size()));
            targetObjectIdentifierPending = false;
        }
        if (warheadTypePending) {
            buffers[6] = uint16ToNet(warheadType);
            set->add(warheadTypeHandle, buffers[6].get(), 2);
            warheadTypePending = false;
        }
        if (eventIdentifierPending) {
            names[1] = eventIdentifierToNet(eventCount, eventIssuingObject);
            set->add(eventIdentifierHandle, names[1].data(), static_cast<RTI::ULong>(names[1].size()));
            eventIdentifierPending = false;
        }
        if (firingObjectIdentifierPending) {
            names[2] = objectIdentifierToNet(firingObjectIdentifier);
            set->add(firingObjectIdentifierHandle, names[2].data(), static_cast<RTI::ULong>(names[2].size()));
            firingObjectIdentifierPending = false;
        }
        if (munitionTypePending) {
            buffers[7] = entityTypeToNet(munitionType);
            set->add(munitionTypeHandle, buffers[7].get(), ENTITY_TYPE_SIZE);
            munitionTypePending = false;
        }
        if (quantityFiredPending) {
            buffers[8] = uint16ToNet(quantityFired);
            set->add(quantityFiredHandle, buffers[8].get(), 2);
            quantityFiredPending = false;
        }
        if (rateOfFirePending) {
            buffers[9] = uint16ToNet(rateOfFire);
            set->add(rateOfFireHandle, buffers[9].get(), 2);
            rateOfFirePending = false;
        }
        if (set->size() > 0) manager->getRTIAmbassador().sendInteraction(classHandle, *set, "sometag");
        return true;
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage("QVHLAsendInteraction::sendInteraction()", "Unknown exception");
    }
    // A refused send is reported as such: a sender must be able to tell.
    return false;
}

void QVHLAMunitionDetonationInteraction::receiveInteraction(const RTI::ParameterHandleValuePairSet& parameters,
                                                            const char*) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAMunitionDetonationInteraction::receiveInteraction()";
    manager->logMessage(where, "begin");
    detonationLocationReceived = false;
    detonationResultCodeReceived = false;
    finalVelocityVectorReceived = false;
    fuseTypeReceived = false;
    relativeDetonationLocationReceived = false;
    targetObjectIdentifierReceived = false;
    warheadTypeReceived = false;
    try {
        for (RTI::ULong i = 0; i < parameters.size(); ++i) {
            const RTI::ParameterHandle h = parameters.getHandle(i);
            RTI::ULong length = 0;
            if (h == detonationLocationHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToWorldLocation(data, length, detonationLocation)) {
                    detonationLocationReceived = true;
                } else {
                    logSkipped(where, "DetonationLocation", length, WORLD_LOCATION_SIZE);
                }
            } else if (h == detonationResultCodeHandle) {
                const char* data = parameters.getValuePointer(i, length);
                // RPR peers send the 8-bit enumeration alone; ours is its 16-bit form.
                if (data && length == 1) {
                    detonationResultCode = static_cast<uint8_t>(data[0]);
                    detonationResultCodeReceived = true;
                } else if (data && length >= 2) {
                    detonationResultCode = static_cast<uint8_t>(data[1]);
                    detonationResultCodeReceived = true;
                } else {
                    logSkipped(where, "DetonationResultCode", length, 1);
                }
            } else if (h == finalVelocityVectorHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToVector(data, length, finalVelocityVector)) {
                    finalVelocityVectorReceived = true;
                } else {
                    logSkipped(where, "FinalVelocityVector", length, VECTOR_SIZE);
                }
            } else if (h == fuseTypeHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToUInt16(data, length, fuseType)) {
                    fuseTypeReceived = true;
                } else {
                    logSkipped(where, "FuseType", length, 2);
                }
            } else if (h == relativeDetonationLocationHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToVector(data, length, relativeDetonationLocation)) {
                    relativeDetonationLocationReceived = true;
                } else {
                    logSkipped(where, "RelativeDetonationLocation", length, VECTOR_SIZE);
                }
            } else if (h == targetObjectIdentifierHandle) {
                const char* data = parameters.getValuePointer(i, length);
                std::size_t n = data ? length : 0;
                // RPR object names end in a NUL; the name itself does not.
                if (n > 0 && data[n - 1] == '\0') --n;
                targetObjectIdentifier.assign(data ? data : "", n);
                targetObjectIdentifierSet = true;
                targetObjectIdentifierReceived = true;
            } else if (h == warheadTypeHandle) {
                const char* data = parameters.getValuePointer(i, length);
                if (netToUInt16(data, length, warheadType)) {
                    warheadTypeReceived = true;
                } else {
                    logSkipped(where, "WarheadType", length, 2);
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

void QVHLAMunitionDetonationInteraction::setDetonationLocation(const WorldLocation& value) {
    detonationLocation = value;
    detonationLocationPending = true;
}

void QVHLAMunitionDetonationInteraction::setDetonationResultCode(uint8_t value) {
    detonationResultCode = value;
    detonationResultCodePending = true;
}

void QVHLAMunitionDetonationInteraction::setFinalVelocityVector(const Vector3f& value) {
    finalVelocityVector = value;
    finalVelocityVectorPending = true;
}

void QVHLAMunitionDetonationInteraction::setFuseType(uint16_t value) {
    fuseType = value;
    fuseTypePending = true;
}

void QVHLAMunitionDetonationInteraction::setRelativeDetonationLocation(const Vector3f& value) {
    relativeDetonationLocation = value;
    relativeDetonationLocationPending = true;
}

void QVHLAMunitionDetonationInteraction::setTargetObjectIdentifier(const char* name) {
    if (name) {
        setTargetObjectIdentifier(name, std::strlen(name));
    } else {
        targetObjectIdentifier.clear();
        targetObjectIdentifierSet = false;
        targetObjectIdentifierPending = true;
    }
}

void QVHLAMunitionDetonationInteraction::setTargetObjectIdentifier(const char* bytes, std::size_t length) {
    if (!bytes) {
        setTargetObjectIdentifier(nullptr);
        return;
    }
    targetObjectIdentifier.assign(bytes, length);
    targetObjectIdentifierSet = true;
    targetObjectIdentifierPending = true;
}

void QVHLAMunitionDetonationInteraction::setWarheadType(uint16_t value) {
    warheadType = value;
    warheadTypePending = true;
}

void QVHLAMunitionDetonationInteraction::setEventIdentifier(uint16_t count, const std::string& issuingObject) {
    eventCount = count;
    eventIssuingObject = issuingObject;
    eventIdentifierPending = true;
}

void QVHLAMunitionDetonationInteraction::setFiringObjectIdentifier(const std::string& name) {
    firingObjectIdentifier = name;
    firingObjectIdentifierPending = true;
}

void QVHLAMunitionDetonationInteraction::setMunitionType(const EntityType& value) {
    munitionType = value;
    munitionTypePending = true;
}

void QVHLAMunitionDetonationInteraction::setQuantityFired(uint16_t value) {
    quantityFired = value;
    quantityFiredPending = true;
}

void QVHLAMunitionDetonationInteraction::setRateOfFire(uint16_t value) {
    rateOfFire = value;
    rateOfFirePending = true;
}
