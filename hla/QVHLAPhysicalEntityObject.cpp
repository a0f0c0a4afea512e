#include "QVHLAPhysicalEntityObject.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "FrameworkDiagnostics.h"
#include "QVHLAManager.h"
#include "TimeStamp.h"

const char* const QVHLAPhysicalEntityObject::PHYSICAL_ENTITY_CLASS = "BaseEntity.PhysicalEntity";

namespace {

const char* const ATTRIBUTE_NAMES[QVHLAPhysicalEntityObject::ATTRIBUTES] = {
    "EntityIdentifier", "EntityType", "Spatial", "ForceIdentifier", "Marking", "DamageState"};

// Handles are per federation execution: every getHandles refreshes its class's entry.
std::map<std::string, QVHLAPhysicalEntityObject::Handles>& handleTable() {
    static std::map<std::string, QVHLAPhysicalEntityObject::Handles> table;
    return table;
}

std::unique_ptr<RTI::AttributeHandleSet> allAttributes(const QVHLAPhysicalEntityObject::Handles& h) {
    std::unique_ptr<RTI::AttributeHandleSet> set(
        RTI::AttributeHandleSetFactory::create(QVHLAPhysicalEntityObject::ATTRIBUTES));
    for (RTI::AttributeHandle a : h.attribute) set->add(a);
    return set;
}

}  // namespace

const char* QVHLAPhysicalEntityObject::classNameFor(const EntityType& type) {
    switch (type.kind) {
    case 1:
        switch (type.domain) {
        case 1: return "BaseEntity.PhysicalEntity.Platform.GroundVehicle";
        case 2: return "BaseEntity.PhysicalEntity.Platform.Aircraft";
        case 3: return "BaseEntity.PhysicalEntity.Platform.SurfaceVessel";
        case 4: return "BaseEntity.PhysicalEntity.Platform.SubmersibleVessel";
        case 5: return "BaseEntity.PhysicalEntity.Platform.Spacecraft";
        default: return "BaseEntity.PhysicalEntity.Platform";
        }
    case 2: return "BaseEntity.PhysicalEntity.Munition";
    case 3: return "BaseEntity.PhysicalEntity.Lifeform.Human";
    default: return PHYSICAL_ENTITY_CLASS;
    }
}

const QVHLAPhysicalEntityObject::Handles* QVHLAPhysicalEntityObject::findHandles(const std::string& name) {
    auto it = handleTable().find(name);
    return it == handleTable().end() ? nullptr : &it->second;
}

QVHLAPhysicalEntityObject::QVHLAPhysicalEntityObject(const char* name)
    : className(name ? name : PHYSICAL_ENTITY_CLASS),
      entityIdentifier(),
      entityType(),
      forceIdentifier(0),
      marking(),
      damageState(DAMAGE_NO_DAMAGE) {
    std::memset(&spatial, 0, sizeof spatial);
    for (int i = 0; i < ATTRIBUTES; ++i) valid[i] = pending[i] = false;
    // Objects made after getHandles (templates' new instances) know their handles.
    if (const Handles* known = findHandles(className)) handles = *known;
}

QVHLAPhysicalEntityObject::~QVHLAPhysicalEntityObject() {}

bool QVHLAPhysicalEntityObject::getHandles() {
    Handles found;
    const std::string name = className;
    const bool ok = guardedRTICall("QVHLAPhysicalEntityObject::getHandles", [&](RTI::RTIambassador& rti) {
        try {
            found.classHandle = rti.getObjectClassHandle(name.c_str());
        } catch (RTI::NameNotFound&) {
            // Some RTIs accept class names only from the root.
            found.classHandle = rti.getObjectClassHandle(("ObjectRoot." + name).c_str());
        }
        for (int i = 0; i < ATTRIBUTES; ++i)
            found.attribute[i] = rti.getAttributeHandle(ATTRIBUTE_NAMES[i], found.classHandle);
    });
    if (!ok) return false;
    found.found = true;
    handles = found;
    handleTable()[className] = found;
    QVHLAManager::getInstance()->logMessage("QVHLAPhysicalEntityObject::getHandles()", "Success!");
    return true;
}

bool QVHLAPhysicalEntityObject::publish() {
    const char* where = "QVHLAPhysicalEntityObject::publish()";
    const Handles h = handles;
    const bool ok = guardedRTICall(where, [&](RTI::RTIambassador& rti) {
        std::unique_ptr<RTI::AttributeHandleSet> set = allAttributes(h);
        rti.publishObjectClass(h.classHandle, *set);
    });
    if (ok) QVHLAManager::getInstance()->logMessage(where, "Success!");
    return ok;
}

bool QVHLAPhysicalEntityObject::subscribe() {
    const char* where = "QVHLAPhysicalEntityObject::subscribe()";
    const Handles h = handles;
    const bool ok = guardedRTICall(where, [&](RTI::RTIambassador& rti) {
        std::unique_ptr<RTI::AttributeHandleSet> set = allAttributes(h);
        rti.subscribeObjectClassAttributes(h.classHandle, *set, RTI::RTI_TRUE);
    });
    if (ok) QVHLAManager::getInstance()->logMessage(where, "Success!");
    return ok;
}

void QVHLAPhysicalEntityObject::provideAttributeUpdate(const RTI::AttributeHandleSet& requested) {
    try {
        for (RTI::ULong i = 0; i < requested.size(); ++i) {
            const RTI::AttributeHandle h = requested.getHandle(i);
            for (int a = 0; a < ATTRIBUTES; ++a)
                if (h == handles.attribute[a] && valid[a]) pending[a] = true;
        }
    } catch (RTI::Exception& e) {
        QVHLAManager::getInstance()->logMessage("QVHLAPhysicalEntityObject::provideAttributeUpdate", reasonOf(e));
    } catch (...) {
        QVHLAManager::getInstance()->logMessage("QVHLAPhysicalEntityObject::provideAttributeUpdate",
                                                "Unknown exception");
    }
}

bool QVHLAPhysicalEntityObject::anyPending() const {
    for (bool p : pending)
        if (p) return true;
    return false;
}

void QVHLAPhysicalEntityObject::updateAttributes() {
    prepareUpdate();
    if (!anyPending()) return;
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAPhysicalEntityObject::updateAttributes";
    // Encoded values must live until the RTI call has returned, whatever it does.
    NetBuffer buffers[ATTRIBUTES];
    std::size_t sizes[ATTRIBUTES] = {ENTITY_IDENTIFIER_SIZE, ENTITY_TYPE_SIZE, 0, FORCE_IDENTIFIER_SIZE,
                                     MARKING_SIZE, DAMAGE_STATE_SIZE};
    try {
        std::unique_ptr<RTI::AttributeHandleValuePairSet> set(RTI::AttributeSetFactory::create(ATTRIBUTES));
        for (int a = 0; a < ATTRIBUTES; ++a) {
            if (!pending[a]) continue;
            switch (a) {
            case ENTITY_IDENTIFIER: buffers[a] = entityIdentifierToNet(entityIdentifier); break;
            case ENTITY_TYPE: buffers[a] = entityTypeToNet(entityType); break;
            case SPATIAL:
                buffers[a] = spatialToNet(spatial);
                // Strict RPR peers expect exactly the bytes the algorithm carries.
                sizes[a] = spatialCarriedSize(spatial.algorithm);
                if (sizes[a] == 0) sizes[a] = SPATIAL_SIZE;
                break;
            case FORCE_IDENTIFIER: buffers[a] = forceIdentifierToNet(forceIdentifier); break;
            case MARKING: buffers[a] = markingToNet(marking); break;
            case DAMAGE_STATE: buffers[a] = damageStateToNet(damageState); break;
            }
            set->add(handles.attribute[a], buffers[a].get(), static_cast<RTI::ULong>(sizes[a]));
            pending[a] = false;
        }
        // RPR FOM 2.0: the time the values hold for, in the tag.
        const std::string tag = rpr::timeStampTag(rpr::makeTimeStamp(rpr::utcSecondsPastHour(), true));
        manager->getRTIAmbassador().updateAttributeValues(instanceHandle, *set, tag.c_str());
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
}

void QVHLAPhysicalEntityObject::reflectAttributes(const RTI::AttributeHandleValuePairSet& values, const char* tag) {
    QVHLAManager* manager = QVHLAManager::getInstance();
    const char* where = "QVHLAPhysicalEntityObject::reflectAttributes";
    hasTimeStamp = rpr::parseTimeStampTag(tag, timeStamp);
    try {
        for (RTI::ULong i = 0; i < values.size(); ++i) {
            const RTI::AttributeHandle h = values.getHandle(i);
            int a = 0;
            while (a < ATTRIBUTES && h != handles.attribute[a]) ++a;
            if (a == ATTRIBUTES) continue;
            RTI::ULong length = 0;
            const char* data = values.getValuePointer(i, length);
            bool ok = false;
            std::size_t needed = 0;
            switch (a) {
            case ENTITY_IDENTIFIER:
                ok = netToEntityIdentifier(data, length, entityIdentifier);
                needed = ENTITY_IDENTIFIER_SIZE;
                break;
            case ENTITY_TYPE:
                ok = netToEntityType(data, length, entityType);
                needed = ENTITY_TYPE_SIZE;
                break;
            case SPATIAL:
                switch (netToSpatial(data, length, spatial)) {
                case SpatialDecode::Ok: ok = true; break;
                case SpatialDecode::BadAlgorithm: {
                    char text[64];
                    std::snprintf(text, sizeof text, "Spatial skipped: algorithm %u unknown",
                                  static_cast<unsigned>(static_cast<unsigned char>(data[0])));
                    manager->logMessage(where, text);
                    // Every variant opens with the static layout: the entity is
                    // where it says it is, and the picture freezes it there.
                    const std::size_t head = spatialCarriedSize(DRM_STATIC);
                    if (length < head) continue;
                    char staticForm[64] = {};
                    std::memcpy(staticForm, data, head);
                    staticForm[0] = static_cast<char>(DRM_STATIC);
                    Spatial received{};
                    if (netToSpatial(staticForm, head, received) != SpatialDecode::Ok) continue;
                    received.algorithm = static_cast<DeadReckoningAlgorithm>(static_cast<unsigned char>(data[0]));
                    spatial = received;
                    ok = true;
                    break;
                }
                case SpatialDecode::TooShort:
                    needed = length > 0 ? spatialCarriedSize(static_cast<unsigned char>(data[0])) : 1;
                    break;
                }
                break;
            case FORCE_IDENTIFIER:
                ok = netToForceIdentifier(data, length, forceIdentifier);
                needed = FORCE_IDENTIFIER_SIZE;
                break;
            case MARKING:
                ok = netToMarking(data, length, marking);
                needed = MARKING_SIZE;
                break;
            case DAMAGE_STATE:
                if (length >= DAMAGE_STATE_SIZE && !netToDamageState(data, length, damageState)) {
                    manager->logMessage(where, "DamageState skipped: value unknown");
                    continue;
                }
                ok = length >= DAMAGE_STATE_SIZE;
                needed = DAMAGE_STATE_SIZE;
                break;
            }
            if (ok) {
                valid[a] = pending[a] = true;
            } else {
                logSkipped(where, ATTRIBUTE_NAMES[a], length, needed);
            }
        }
    } catch (RTI::Exception& e) {
        manager->logMessage(where, reasonOf(e));
    } catch (...) {
        manager->logMessage(where, "Unknown exception");
    }
    attributesReflected();
}

void QVHLAPhysicalEntityObject::setEntityIdentifier(const EntityIdentifier& value) {
    entityIdentifier = value;
    valid[ENTITY_IDENTIFIER] = pending[ENTITY_IDENTIFIER] = true;
}

void QVHLAPhysicalEntityObject::setEntityType(const EntityType& value) {
    entityType = value;
    valid[ENTITY_TYPE] = pending[ENTITY_TYPE] = true;
}

void QVHLAPhysicalEntityObject::setSpatial(const Spatial& value) {
    std::memcpy(&spatial, &value, sizeof spatial);
    valid[SPATIAL] = pending[SPATIAL] = true;
}

void QVHLAPhysicalEntityObject::setForceIdentifier(ForceIdentifier value) {
    forceIdentifier = value;
    valid[FORCE_IDENTIFIER] = pending[FORCE_IDENTIFIER] = true;
}

void QVHLAPhysicalEntityObject::setMarking(const Marking& value) {
    marking = value;
    valid[MARKING] = pending[MARKING] = true;
}

void QVHLAPhysicalEntityObject::setDamageState(DamageState value) {
    damageState = value;
    valid[DAMAGE_STATE] = pending[DAMAGE_STATE] = true;
}

void QVHLAPhysicalEntityObject::requestAllAttributes() {
    for (int a = 0; a < ATTRIBUTES; ++a) pending[a] = valid[a];
}

void QVHLAPhysicalEntityObject::clearPending() {
    for (bool& p : pending) p = false;
}
