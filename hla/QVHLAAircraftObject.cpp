#include "QVHLAAircraftObject.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"
#include "TimeStamp.h"

RTI::ObjectClassHandle QVHLAAircraftObject::classHandle = 0;
RTI::AttributeHandle QVHLAAircraftObject::entityIdentifierHandle = 0;
RTI::AttributeHandle QVHLAAircraftObject::entityTypeHandle = 0;
RTI::AttributeHandle QVHLAAircraftObject::spatialHandle = 0;
RTI::AttributeHandle QVHLAAircraftObject::forceIdentifierHandle = 0;
RTI::AttributeHandle QVHLAAircraftObject::markingHandle = 0;
RTI::AttributeHandle QVHLAAircraftObject::damageStateHandle = 0;

namespace {

const char* const CLASS_NAME = "BaseEntity.PhysicalEntity.Platform.Aircraft";
const char* const FULL_CLASS_NAME = "ObjectRoot.BaseEntity.PhysicalEntity.Platform.Aircraft";

std::unique_ptr<RTI::AttributeHandleSet> allAttributes() {
    std::unique_ptr<RTI::AttributeHandleSet> set(RTI::AttributeHandleSetFactory::create(6));
    set->add(QVHLAAircraftObject::entityIdentifierHandle);
    set->add(QVHLAAircraftObject::entityTypeHandle);
    set->add(QVHLAAircraftObject::spatialHandle);
    set->add(QVHLAAircraftObject::forceIdentifierHandle);
    set->add(QVHLAAircraftObject::markingHandle);
    set->add(QVHLAAircraftObject::damageStateHandle);
    return set;
}

}  // namespace

QVHLAAircraftObject::QVHLAAircraftObject()
    : entityIdentifierPending(false),
      entityIdentifierValid(false),
      entityTypePending(false),
      entityTypeValid(false),
      spatialPending(false),
      spatialValid(false),
      forceIdentifierPending(false),
      forceIdentifierValid(false),
      markingPending(false),
      markingValid(false),
      damageStatePending(false),
      damageStateValid(false),
      entityIdentifier(),
      entityType(),
      spatial(),
      forceIdentifier(0),
      marking(),
      damageState(DAMAGE_NO_DAMAGE) {
    std::memset(&spatial, 0, sizeof spatial);
}

QVHLAAircraftObject::~QVHLAAircraftObject() {}

bool QVHLAAircraftObject::getHandles() {
    QVHLAManager* manager = QVHLAManager::getInstance();
    const bool found = guardedRTICall("QVHLAAircraftObject::getHandles", [](RTI::RTIambassador& rti) {
        try {
            classHandle = rti.getObjectClassHandle(CLASS_NAME);
        } catch (RTI::NameNotFound&) {
            // Some RTIs accept class names only from the root.
            classHandle = rti.getObjectClassHandle(FULL_CLASS_NAME);
        }
        entityIdentifierHandle = rti.getAttributeHandle("EntityIdentifier", classHandle);
        entityTypeHandle = rti.getAttributeHandle("EntityType", classHandle);
        spatialHandle = rti.getAttributeHandle("Spatial", classHandle);
        forceIdentifierHandle = rti.getAttributeHandle("ForceIdentifier", classHandle);
        markingHandle = rti.getAttributeHandle("Marking", classHandle);
        damageStateHandle = rti.getAttributeHandle("DamageState", classHandle);
    });
    if (found) manager->logMessage("QVHLAAircraftObject::getHandles()", "Success!");
    return found;
}

bool QVHLAAircraftObject::publish() {
    const char* where = "QVHLAAircraftObject::publish()";
    const bool published = guardedRTICall(where, [](RTI::RTIambassador& rti) {
        std::unique_ptr<RTI::AttributeHandleSet> set = allAttributes();
        rti.publishObjectClass(classHandle, *set);
    });
    if (published) QVHLAManager::getInstance()->logMessage(where, "Success!");
    return published;
}

bool QVHLAAircraftObject::subscribe() {
    const bool subscribed = guardedRTICall("QVHLAAircraftObject::subscribe", [](RTI::RTIambassador& rti) {
        std::unique_ptr<RTI::AttributeHandleSet> set = allAttributes();
        rti.subscribeObjectClassAttributes(classHandle, *set, RTI::RTI_TRUE);
    });
    if (subscribed) QVHLAManager::getInstance()->logMessage("QVHLAAircraftObject::subscribe()", "Success!");
    return subscribed;
}

void QVHLAAircraftObject::provideAttributeUpdate(const RTI::AttributeHandleSet& requested) {
    try {
        for (RTI::ULong i = 0; i < requested.size(); ++i) {
            const RTI::AttributeHandle h = requested.getHandle(i);
            if (h == entityIdentifierHandle) {
                if (entityIdentifierValid) entityIdentifierPending = true;
            } else if (h == entityTypeHandle) {
                if (entityTypeValid) entityTypePending = true;
            } else if (h == spatialHandle) {
                if (spatialValid) spatialPending = true;
            } else if (h == forceIdentifierHandle) {
                if (forceIdentifierValid) forceIdentifierPending = true;
            } else if (h == markingHandle) {
                if (markingValid) markingPending = true;
            } else if (h == damageStateHandle) {
                if (damageStateValid) damageStatePending = true;
            }
        }
    } catch (RTI::Exception& e) {
        QVHLAManager::getInstance()->logMessage("QVHLAAircraftObject::provideAttributeUpdate", reasonOf(e));
    } catch (...) {
        QVHLAManager::getInstance()->logMessage("QVHLAAircraftObject::provideAttributeUpdate", "Unknown exception");
    }
}

void QVHLAAircraftObject::updateAttributes() {
    prepareUpdate();
    // Runs every frame: most frames have nothing to send, so build no set for them.
    if (!entityIdentifierPending && !entityTypePending && !spatialPending && !forceIdentifierPending &&
        !markingPending && !damageStatePending)
        return;
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAAircraftObject::updateAttributes";
    // Encoded values must live until the RTI call has returned, whatever it does.
    NetBuffer buffers[6];
    try {
        std::unique_ptr<RTI::AttributeHandleValuePairSet> set(RTI::AttributeSetFactory::create(6));
        if (entityIdentifierPending) {
            buffers[0] = entityIdentifierToNet(entityIdentifier);
            set->add(entityIdentifierHandle, buffers[0].get(), ENTITY_IDENTIFIER_SIZE);
            entityIdentifierPending = false;
        }
        if (entityTypePending) {
            buffers[1] = entityTypeToNet(entityType);
            set->add(entityTypeHandle, buffers[1].get(), ENTITY_TYPE_SIZE);
            entityTypePending = false;
        }
        if (spatialPending) {
            // Strict peers check the length against the algorithm.
            const std::size_t length = spatialCarriedSize(spatial.algorithm);
            if (length > 0) {
                buffers[2] = spatialToNet(spatial);
                set->add(spatialHandle, buffers[2].get(), static_cast<RTI::ULong>(length));
            } else {
                char text[64];
                std::snprintf(text, sizeof text, "Spatial not sent: algorithm %u has no wire form",
                              static_cast<unsigned>(spatial.algorithm));
                manager->logMessage(where, text);
            }
            spatialPending = false;
        }
        if (forceIdentifierPending) {
            buffers[3] = forceIdentifierToNet(forceIdentifier);
            set->add(forceIdentifierHandle, buffers[3].get(), FORCE_IDENTIFIER_SIZE);
            forceIdentifierPending = false;
        }
        if (markingPending) {
            buffers[4] = markingToNet(marking);
            set->add(markingHandle, buffers[4].get(), MARKING_SIZE);
            markingPending = false;
        }
        if (damageStatePending) {
            buffers[5] = damageStateToNet(damageState);
            set->add(damageStateHandle, buffers[5].get(), DAMAGE_STATE_SIZE);
            damageStatePending = false;
        }
        if (set->size() > 0) {
            // RPR FOM 2.0: the time the values hold for, in the tag (absolute, from the system clock).
            const std::string tag = rpr::timeStampTag(rpr::makeTimeStamp(rpr::utcSecondsPastHour(), true));
            manager->getRTIAmbassador().updateAttributeValues(instanceHandle, *set, tag.c_str());
            if (manager->getLogFile()) {
                char text[64];
                std::snprintf(text, sizeof text, "%d attributes success!", static_cast<int>(set->size()));
                manager->logMessage("QVHLAAircraftObject::updateAttributes()", text);
            }
        }
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
}

void QVHLAAircraftObject::reflectAttributes(const RTI::AttributeHandleValuePairSet& values, const char*) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAAircraftObject::reflectAttributes";
    manager->logMessage(where, "begin");
    try {
        for (RTI::ULong i = 0; i < values.size(); ++i) {
            const RTI::AttributeHandle h = values.getHandle(i);
            RTI::ULong length = 0;
            if (h == entityIdentifierHandle) {
                manager->logMessage(where, "EntityIdentifier");
                const char* data = values.getValuePointer(i, length);
                if (netToEntityIdentifier(data, length, entityIdentifier)) {
                    entityIdentifierPending = entityIdentifierValid = true;
                } else {
                    logSkipped(where, "EntityIdentifier", length, ENTITY_IDENTIFIER_SIZE);
                }
            } else if (h == entityTypeHandle) {
                manager->logMessage(where, "EntityType");
                const char* data = values.getValuePointer(i, length);
                if (netToEntityType(data, length, entityType)) {
                    entityTypePending = entityTypeValid = true;
                } else {
                    logSkipped(where, "EntityType", length, ENTITY_TYPE_SIZE);
                }
            } else if (h == spatialHandle) {
                manager->logMessage(where, "Spatial");
                const char* data = values.getValuePointer(i, length);
                switch (netToSpatial(data, length, spatial)) {
                case SpatialDecode::Ok:
                    if (manager->getLogFile()) {
                        char text[256];
                        std::snprintf(text, sizeof text, "New Spat: %f, %f, %f", spatial.worldLocation.x,
                                      spatial.worldLocation.y, spatial.worldLocation.z);
                        manager->logMessage(where, text);
                    }
                    spatialPending = spatialValid = true;
                    break;
                case SpatialDecode::BadAlgorithm: {
                    char text[64];
                    std::snprintf(text, sizeof text, "Spatial skipped: algorithm %u unknown",
                                  static_cast<unsigned>(static_cast<unsigned char>(data[0])));
                    manager->logMessage(where, text);
                    break;
                }
                case SpatialDecode::TooShort:
                    logSkipped(where, "Spatial", length,
                               length > 0 ? spatialCarriedSize(static_cast<unsigned char>(data[0])) : 1);
                    break;
                }
            } else if (h == forceIdentifierHandle) {
                manager->logMessage(where, "ForceIdentifier");
                const char* data = values.getValuePointer(i, length);
                if (netToForceIdentifier(data, length, forceIdentifier)) {
                    forceIdentifierPending = forceIdentifierValid = true;
                } else {
                    logSkipped(where, "ForceIdentifier", length, FORCE_IDENTIFIER_SIZE);
                }
            } else if (h == markingHandle) {
                const char* data = values.getValuePointer(i, length);
                if (netToMarking(data, length, marking)) {
                    markingPending = markingValid = true;
                } else {
                    logSkipped(where, "Marking", length, MARKING_SIZE);
                }
            } else if (h == damageStateHandle) {
                const char* data = values.getValuePointer(i, length);
                if (netToDamageState(data, length, damageState)) {
                    damageStatePending = damageStateValid = true;
                } else if (length >= DAMAGE_STATE_SIZE) {
                    manager->logMessage(where, "DamageState skipped: value out of range");
                } else {
                    logSkipped(where, "DamageState", length, DAMAGE_STATE_SIZE);
                }
            }
        }
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
    attributesReflected();
}

void QVHLAAircraftObject::setEntityIdentifier(const EntityIdentifier& value) {
    entityIdentifier = value;
    entityIdentifierPending = entityIdentifierValid = true;
}

void QVHLAAircraftObject::setEntityType(const EntityType& value) {
    entityType = value;
    entityTypePending = entityTypeValid = true;
}

void QVHLAAircraftObject::setSpatial(const Spatial& value) {
    std::memcpy(&spatial, &value, sizeof spatial);
    spatialPending = spatialValid = true;
}

void QVHLAAircraftObject::setForceIdentifier(const ForceIdentifier& value) {
    forceIdentifier = value;
    forceIdentifierPending = forceIdentifierValid = true;
}

void QVHLAAircraftObject::setMarking(const Marking& value) {
    marking = value;
    markingPending = markingValid = true;
}

void QVHLAAircraftObject::setDamageState(DamageState value) {
    damageState = value;
    damageStatePending = damageStateValid = true;
}

void QVHLAAircraftObject::requestAllAttributes() {
    entityIdentifierPending = entityIdentifierValid;
    entityTypePending = entityTypeValid;
    spatialPending = spatialValid;
    forceIdentifierPending = forceIdentifierValid;
    markingPending = markingValid;
    damageStatePending = damageStateValid;
}

Spatial& QVHLAAircraftObject::takeSpatial() {
    spatialPending = false;
    return spatial;
}
