// RTI::RTIambassador: binds the HLA 1.3 API to the executive through a
// Connection. It turns API calls into request Messages and Error replies back
// into RTI exceptions, keeps what it needs to check updates and interactions
// locally (so that they can travel one-way), and delivers queued callbacks to
// the FederateAmbassador inside tick().
#include <RTI.hh>
#include <fedtime.hh>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Connection.h"
#include "Faults.h"
#include "Fom.h"
#include "Message.h"
#include "PathList.h"
#include "Sets.h"

using volax::rti::ErrorCode;
using volax::rti::Message;
using volax::rti::MessageKind;

namespace {

// Largest FED file we read; far above any real FOM, far below what would strain a message.
constexpr std::size_t kMaxFedSize = 16u * 1024u * 1024u;

// Callbacks one plain tick delivers at most, so that a producer on another
// thread cannot keep tick() from returning.
constexpr int kMaxCallbacksPerTick = 1 << 20;

struct OwnedInstance {
    RTI::ObjectClassHandle cls;
    std::vector<RTI::AttributeHandle> attributes;  // sorted
};

}  // namespace

struct RTI::RTIambassador::PrivateRefs {
    std::unique_ptr<volax::rti::Connection> connection;
    RTI::FederateAmbassador* federateAmbassador = nullptr;
    bool joined = false;
    RTI::FederateHandle federate = 0;
    std::unique_ptr<volax::rti::Fom> fom;
    std::unordered_map<RTI::ObjectHandle, OwnedInstance> owned;
    std::unordered_set<RTI::InteractionClassHandle> publishedInteractions;
    std::atomic<bool> inCallback{false};
    volax::rti::AttributeValueSet reflected{8};  // handed to reflectAttributeValues
    RTI::UniqueID retractionSerial = 0;
    bool transportFailed = false;  // the last call failed in the transport, not in the executive

    volax::rti::Connection& conn() {
        if (!connection) connection = volax::rti::makeConnection();
        return *connection;
    }

    void requireJoined() const {
        if (!joined) throw RTI::FederateNotExecutionMember("federate is not joined to a federation execution");
    }

    const volax::rti::Fom& model() const {
        requireJoined();
        return *fom;
    }

    Message call(const Message& rq);
    void post(const Message& rq);
    void leave();
};

namespace {

[[noreturn]] void throwError(const Message& reply) {
    const char* why = reply.text.c_str();
    switch (static_cast<ErrorCode>(reply.handle)) {
        case ErrorCode::FederationExecutionAlreadyExists: throw RTI::FederationExecutionAlreadyExists(why);
        case ErrorCode::FederationExecutionDoesNotExist: throw RTI::FederationExecutionDoesNotExist(why);
        case ErrorCode::CouldNotOpenFED: throw RTI::CouldNotOpenFED(why);
        case ErrorCode::ErrorReadingFED: throw RTI::ErrorReadingFED(why);
        case ErrorCode::FederatesCurrentlyJoined: throw RTI::FederatesCurrentlyJoined(why);
        case ErrorCode::FederateAlreadyExecutionMember: throw RTI::FederateAlreadyExecutionMember(why);
        case ErrorCode::FederateNotExecutionMember: throw RTI::FederateNotExecutionMember(why);
        case ErrorCode::FederateOwnsAttributes: throw RTI::FederateOwnsAttributes(why);
        case ErrorCode::InvalidResignAction: throw RTI::InvalidResignAction(why);
        case ErrorCode::NameNotFound: throw RTI::NameNotFound(why);
        case ErrorCode::ObjectClassNotDefined: throw RTI::ObjectClassNotDefined(why);
        case ErrorCode::ObjectClassNotPublished: throw RTI::ObjectClassNotPublished(why);
        case ErrorCode::ObjectClassNotSubscribed: throw RTI::ObjectClassNotSubscribed(why);
        case ErrorCode::AttributeNotDefined: throw RTI::AttributeNotDefined(why);
        case ErrorCode::AttributeNotOwned: throw RTI::AttributeNotOwned(why);
        case ErrorCode::InteractionClassNotDefined: throw RTI::InteractionClassNotDefined(why);
        case ErrorCode::InteractionClassNotPublished: throw RTI::InteractionClassNotPublished(why);
        case ErrorCode::InteractionClassNotSubscribed: throw RTI::InteractionClassNotSubscribed(why);
        case ErrorCode::InteractionParameterNotDefined: throw RTI::InteractionParameterNotDefined(why);
        case ErrorCode::ObjectAlreadyRegistered: throw RTI::ObjectAlreadyRegistered(why);
        case ErrorCode::ObjectNotKnown: throw RTI::ObjectNotKnown(why);
        case ErrorCode::DeletePrivilegeNotHeld: throw RTI::DeletePrivilegeNotHeld(why);
        case ErrorCode::MemoryExhausted: throw RTI::MemoryExhausted(why);
        case ErrorCode::RTIinternalError:
        default: throw RTI::RTIinternalError(why);
    }
}

// Every service runs through here: the test hook, the re-entrance check, and
// only RTI exceptions may leave.
template <class F>
auto service(RTI::RTIambassador::PrivateRefs* p, const char* name, F&& work) -> decltype(work()) {
    volax::rti::checkFault(name);
    if (p == nullptr) throw RTI::RTIinternalError("ambassador not constructed");
    if (p->inCallback.load(std::memory_order_acquire))
        throw RTI::ConcurrentAccessAttempted("Calling ambassador from callback!");
    try {
        return work();
    } catch (const RTI::Exception&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("out of memory");
    } catch (const std::exception& e) {
        throw RTI::RTIinternalError(e.what());
    } catch (...) {
        throw RTI::RTIinternalError("unexpected failure inside the RTI");
    }
}

std::string text(const char* s, const char* what) {
    if (s == nullptr) {
        std::string why = std::string("null ") + what;
        throw RTI::RTIinternalError(why.c_str());
    }
    return std::string(s);
}

std::string tagText(const char* tag) { return tag ? std::string(tag) : std::string(); }

char* newText(const std::string& s) {
    char* out = new char[s.size() + 1];
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

std::vector<std::uint32_t> handlesOf(const RTI::AttributeHandleSet& set) {
    std::vector<std::uint32_t> out;
    RTI::ULong n = set.size();
    out.reserve(n);
    for (RTI::ULong i = 0; i < n; ++i) out.push_back(set.getHandle(i));
    return out;
}

template <class Set>
std::vector<volax::rti::HandleValue> valuesOf(const Set& set) {
    std::vector<volax::rti::HandleValue> out;
    RTI::ULong n = set.size();
    out.reserve(n);
    for (RTI::ULong i = 0; i < n; ++i) {
        RTI::ULong length = 0;
        const char* p = set.getValuePointer(i, length);
        if (p == nullptr && length != 0) throw RTI::RTIinternalError("value set returned a null value");
        out.push_back(volax::rti::HandleValue{set.getHandle(i), std::string(p ? p : "", length)});
    }
    return out;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string baseName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Finds a FED file: an absolute name as it is, a relative one in the current
// folder and then in each folder of VOLAX_FED_PATH.
std::string findFed(const std::string& name) {
    if (name.empty()) throw RTI::CouldNotOpenFED("empty FED file name");
    if (volax::isAbsolutePath(name)) {
        if (isRegularFile(name)) return name;
        std::string why = "cannot open FED file \"" + name + "\"";
        throw RTI::CouldNotOpenFED(why.c_str());
    }
    if (isRegularFile(name)) return name;
    std::string searched = "the current folder";
    if (const char* env = std::getenv("VOLAX_FED_PATH")) {
        std::stringstream dirs(env);
        std::string dir;
        while (std::getline(dirs, dir, volax::kPathListSeparator)) {
            if (dir.empty()) continue;
            std::string candidate = dir + (dir.back() == '/' ? "" : "/") + name;
            if (isRegularFile(candidate)) return candidate;
            searched += ", " + dir;
        }
    }
    std::string why = "cannot find FED file \"" + name + "\" (searched " + searched + ")";
    throw RTI::CouldNotOpenFED(why.c_str());
}

std::string readFed(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::string why = "cannot open FED file \"" + path + "\"";
        throw RTI::CouldNotOpenFED(why.c_str());
    }
    std::string content;
    char buf[8192];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        content.append(buf, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxFedSize) {
            std::string why = baseName(path) + ": file too large for a FED file";
            throw RTI::ErrorReadingFED(why.c_str());
        }
    }
    if (in.bad()) {
        std::string why = baseName(path) + ": read error";
        throw RTI::ErrorReadingFED(why.c_str());
    }
    return content;
}

// Clears the in-callback mark however the callback ends.
struct CallbackScope {
    explicit CallbackScope(std::atomic<bool>& flag) : flag_(flag) { flag_.store(true, std::memory_order_release); }
    ~CallbackScope() { flag_.store(false, std::memory_order_release); }
    std::atomic<bool>& flag_;
};

void dispatch(RTI::RTIambassador::PrivateRefs* p, Message& cb) {
    RTI::FederateAmbassador* fa = p->federateAmbassador;
    const volax::rti::Fom& fom = *p->fom;
    switch (cb.kind) {
        case MessageKind::Discover: {
            CallbackScope scope(p->inCallback);
            fa->discoverObjectInstance(cb.handle, cb.handle2, cb.name.c_str());
            break;
        }
        case MessageKind::Reflect: {
            // One set for every reflection: callbacks cannot nest, and a set
            // that keeps its room allocates nothing per callback.
            volax::rti::AttributeValueSet& set = p->reflected;
            set.empty();
            for (auto& hv : cb.values) {
                RTI::TransportType t = 0;
                RTI::OrderType o = 0;
                if (hv.handle < fom.attributes().size()) {
                    t = static_cast<RTI::TransportType>(fom.attributes()[hv.handle].transport);
                    o = static_cast<RTI::OrderType>(fom.attributes()[hv.handle].order);
                }
                set.addReceived(hv.handle, std::move(hv.value), t, o);
            }
            CallbackScope scope(p->inCallback);
            fa->reflectAttributeValues(cb.handle, set, cb.tag.c_str());
            break;
        }
        case MessageKind::Receive: {
            volax::rti::ParameterValueSet set(static_cast<RTI::ULong>(cb.values.size()));
            if (fom.isInteractionClass(cb.handle)) {
                const auto& c = fom.interactionClasses()[cb.handle];
                set.setDelivery(static_cast<RTI::TransportType>(c.transport), static_cast<RTI::OrderType>(c.order));
            }
            for (auto& hv : cb.values) set.addReceived(hv.handle, std::move(hv.value));
            CallbackScope scope(p->inCallback);
            fa->receiveInteraction(cb.handle, set, cb.tag.c_str());
            break;
        }
        case MessageKind::Remove: {
            CallbackScope scope(p->inCallback);
            fa->removeObjectInstance(cb.handle, cb.tag.c_str());
            break;
        }
        case MessageKind::ProvideUpdate: {
            volax::rti::HandleSet set(static_cast<RTI::ULong>(cb.handles.size()));
            for (std::uint32_t h : cb.handles) set.add(h);
            CallbackScope scope(p->inCallback);
            fa->provideAttributeValueUpdate(cb.handle, set);
            break;
        }
        default:
            break;  // not a callback this federate can act on
    }
}

// Delivers one callback; a federate's own exception ends the tick, the
// callbacks behind it stay queued.
void deliverOne(RTI::RTIambassador::PrivateRefs* p, Message& cb) {
    try {
        dispatch(p, cb);
    } catch (const RTI::Exception&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("out of memory while delivering a callback");
    } catch (const std::exception& e) {
        std::string why = std::string("federate callback raised: ") + e.what();
        throw RTI::FederateInternalError(why.c_str());
    } catch (...) {
        throw RTI::FederateInternalError("federate callback raised an unknown exception");
    }
}

}  // namespace

Message RTI::RTIambassador::PrivateRefs::call(const Message& rq) {
    transportFailed = false;
    Message reply;
    try {
        reply = conn().call(rq);
    } catch (...) {
        transportFailed = true;
        throw;
    }
    if (reply.kind == MessageKind::Error) throwError(reply);
    if (reply.kind != MessageKind::Reply) {
        std::string why = std::string("unexpected answer ") + volax::rti::kindName(reply.kind) + " to " +
                          volax::rti::kindName(rq.kind);
        throw RTI::RTIinternalError(why.c_str());
    }
    return reply;
}

void RTI::RTIambassador::PrivateRefs::post(const Message& rq) { conn().post(rq); }

void RTI::RTIambassador::PrivateRefs::leave() {
    joined = false;
    federateAmbassador = nullptr;
    fom.reset();
    owned.clear();
    publishedInteractions.clear();
    if (connection) connection->discardCallbacks();
}

// ---------------------------------------------------------------- lifetime

RTI::RTIambassador::RTIambassador() : privateRefs(nullptr) {
    try {
        privateRefs = new PrivateRefs;
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate an RTI ambassador");
    }
}

RTI::RTIambassador::~RTIambassador() {
    PrivateRefs* p = privateRefs;
    privateRefs = nullptr;
    if (p == nullptr) return;
    // Leaving without resigning deletes this federate's instances (action 3);
    // the transport does the same should this request fail.
    if (p->joined && p->connection) {
        try {
            Message rq(MessageKind::ResignFederation, static_cast<std::uint32_t>(DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES));
            p->call(rq);
        } catch (...) {
        }
    }
    delete p;
}

// ---------------------------------------------------------------- federation management

void RTI::RTIambassador::createFederationExecution(const char* executionName, const char* FEDid) {
    service(privateRefs, "createFederationExecution", [&] {
        Message rq(MessageKind::CreateFederation);
        rq.name = text(executionName, "federation execution name");
        if (FEDid == nullptr) throw RTI::CouldNotOpenFED("null FED file name");
        std::string path = findFed(FEDid);
        rq.text = readFed(path);
        rq.name2 = baseName(FEDid);
        privateRefs->call(rq);
    });
}

void RTI::RTIambassador::destroyFederationExecution(const char* executionName) {
    service(privateRefs, "destroyFederationExecution", [&] {
        Message rq(MessageKind::DestroyFederation);
        rq.name = text(executionName, "federation execution name");
        privateRefs->call(rq);
    });
}

RTI::FederateHandle RTI::RTIambassador::joinFederationExecution(const char* yourName, const char* executionName,
                                                                FederateAmbassadorPtr federateAmbassadorReference) {
    return service(privateRefs, "joinFederationExecution", [&] {
        PrivateRefs* p = privateRefs;
        if (p->joined) throw RTI::FederateAlreadyExecutionMember("this ambassador is already joined");
        Message rq(MessageKind::JoinFederation);
        rq.name = text(yourName, "federate name");
        rq.name2 = text(executionName, "federation execution name");
        if (federateAmbassadorReference == nullptr) throw RTI::RTIinternalError("null federate ambassador");
        Message reply = p->call(rq);
        std::unique_ptr<volax::rti::Fom> fom;
        try {
            fom.reset(new volax::rti::Fom(volax::rti::Fom::parse(reply.text, reply.name2)));
        } catch (const std::exception& e) {
            // The executive accepted this FED text, so this cannot happen short of
            // a broken transport: undo the join rather than stay half-joined.
            try {
                p->call(Message(MessageKind::ResignFederation, static_cast<std::uint32_t>(NO_ACTION)));
            } catch (...) {
            }
            std::string why = std::string("federation object model unreadable after join: ") + e.what();
            throw RTI::RTIinternalError(why.c_str());
        }
        p->fom = std::move(fom);
        p->federate = reply.handle;
        p->federateAmbassador = federateAmbassadorReference;
        p->joined = true;
        return static_cast<RTI::FederateHandle>(reply.handle);
    });
}

void RTI::RTIambassador::resignFederationExecution(ResignAction theAction) {
    service(privateRefs, "resignFederationExecution", [&] {
        PrivateRefs* p = privateRefs;
        p->requireJoined();
        try {
            p->call(Message(MessageKind::ResignFederation, static_cast<std::uint32_t>(theAction)));
        } catch (...) {
            // A lost link has resigned us already: the executive treats a vanished
            // federate as resigned with action 3. The resign has nothing left to do,
            // so it succeeds and the federate is free to join again.
            if (!p->transportFailed) throw;
        }
        p->leave();
    });
}

// ---------------------------------------------------------------- declaration management

void RTI::RTIambassador::publishObjectClass(ObjectClassHandle theClass, const AttributeHandleSet& attributeList) {
    service(privateRefs, "publishObjectClass", [&] {
        privateRefs->requireJoined();
        Message rq(MessageKind::PublishObjectClass, theClass);
        rq.handles = handlesOf(attributeList);
        privateRefs->call(rq);
    });
}

void RTI::RTIambassador::unpublishObjectClass(ObjectClassHandle theClass) {
    service(privateRefs, "unpublishObjectClass", [&] {
        privateRefs->requireJoined();
        privateRefs->call(Message(MessageKind::UnpublishObjectClass, theClass));
    });
}

void RTI::RTIambassador::publishInteractionClass(InteractionClassHandle theInteraction) {
    service(privateRefs, "publishInteractionClass", [&] {
        privateRefs->requireJoined();
        privateRefs->call(Message(MessageKind::PublishInteraction, theInteraction));
        privateRefs->publishedInteractions.insert(theInteraction);
    });
}

void RTI::RTIambassador::unpublishInteractionClass(InteractionClassHandle theInteraction) {
    service(privateRefs, "unpublishInteractionClass", [&] {
        privateRefs->requireJoined();
        privateRefs->call(Message(MessageKind::UnpublishInteraction, theInteraction));
        privateRefs->publishedInteractions.erase(theInteraction);
    });
}

void RTI::RTIambassador::subscribeObjectClassAttributes(ObjectClassHandle theClass,
                                                        const AttributeHandleSet& attributeList, Boolean active) {
    service(privateRefs, "subscribeObjectClassAttributes", [&] {
        privateRefs->requireJoined();
        Message rq(MessageKind::SubscribeObjectClass, theClass);
        rq.handles = handlesOf(attributeList);
        rq.flag = active != RTI_FALSE;
        privateRefs->call(rq);
    });
}

void RTI::RTIambassador::unsubscribeObjectClass(ObjectClassHandle theClass) {
    service(privateRefs, "unsubscribeObjectClass", [&] {
        privateRefs->requireJoined();
        privateRefs->call(Message(MessageKind::UnsubscribeObjectClass, theClass));
    });
}

void RTI::RTIambassador::subscribeInteractionClass(InteractionClassHandle theClass, Boolean active) {
    service(privateRefs, "subscribeInteractionClass", [&] {
        privateRefs->requireJoined();
        Message rq(MessageKind::SubscribeInteraction, theClass);
        rq.flag = active != RTI_FALSE;
        privateRefs->call(rq);
    });
}

void RTI::RTIambassador::unsubscribeInteractionClass(InteractionClassHandle theClass) {
    service(privateRefs, "unsubscribeInteractionClass", [&] {
        privateRefs->requireJoined();
        privateRefs->call(Message(MessageKind::UnsubscribeInteraction, theClass));
    });
}

// ---------------------------------------------------------------- object management

namespace {

RTI::ObjectHandle registerInstance(RTI::RTIambassador::PrivateRefs* p, RTI::ObjectClassHandle cls,
                                   const char* name) {
    p->requireJoined();
    Message rq(MessageKind::RegisterObject, cls);
    if (name != nullptr) {
        rq.flag = true;
        rq.name = name;
    }
    Message reply = p->call(rq);
    OwnedInstance mine{cls, std::vector<RTI::AttributeHandle>(reply.handles.begin(), reply.handles.end())};
    std::sort(mine.attributes.begin(), mine.attributes.end());
    p->owned[reply.handle] = std::move(mine);
    return reply.handle;
}

void updateValues(RTI::RTIambassador::PrivateRefs* p, RTI::ObjectHandle obj,
                  const RTI::AttributeHandleValuePairSet& attrs, const char* tag) {
    p->requireJoined();
    Message rq(MessageKind::UpdateAttributes, obj);
    rq.values = valuesOf(attrs);
    rq.tag = tagText(tag);
    auto it = p->owned.find(obj);
    if (it == p->owned.end()) {
        // Not ours: let the executive say exactly why (unknown or not owned).
        p->call(rq);
        return;
    }
    for (const auto& hv : rq.values) {
        if (!p->fom->classHasAttribute(it->second.cls, hv.handle)) {
            std::string why = "attribute handle " + std::to_string(hv.handle) + " is not defined for \"" +
                              p->fom->objectClasses()[it->second.cls].fullName + "\"";
            throw RTI::AttributeNotDefined(why.c_str());
        }
        if (!std::binary_search(it->second.attributes.begin(), it->second.attributes.end(), hv.handle)) {
            std::string why = "attribute \"" + p->fom->attributes()[hv.handle].name +
                              "\" is not owned (not published)";
            throw RTI::AttributeNotOwned(why.c_str());
        }
    }
    p->post(rq);
}

void sendValues(RTI::RTIambassador::PrivateRefs* p, RTI::InteractionClassHandle cls,
                const RTI::ParameterHandleValuePairSet& params, const char* tag) {
    const volax::rti::Fom& fom = p->model();
    if (!fom.isInteractionClass(cls)) {
        std::string why = "no interaction class with handle " + std::to_string(cls);
        throw RTI::InteractionClassNotDefined(why.c_str());
    }
    if (!p->publishedInteractions.count(cls)) {
        std::string why = "interaction class \"" + fom.interactionClasses()[cls].fullName + "\" is not published";
        throw RTI::InteractionClassNotPublished(why.c_str());
    }
    Message rq(MessageKind::SendInteraction, cls);
    rq.values = valuesOf(params);
    rq.tag = tagText(tag);
    for (const auto& hv : rq.values)
        if (!fom.classHasParameter(cls, hv.handle)) {
            std::string why = "parameter handle " + std::to_string(hv.handle) + " is not defined for \"" +
                              fom.interactionClasses()[cls].fullName + "\"";
            throw RTI::InteractionParameterNotDefined(why.c_str());
        }
    p->post(rq);
}

void deleteInstance(RTI::RTIambassador::PrivateRefs* p, RTI::ObjectHandle obj, const char* tag) {
    p->requireJoined();
    Message rq(MessageKind::DeleteObject, obj);
    rq.tag = tagText(tag);
    p->call(rq);
    p->owned.erase(obj);
}

RTI::EventRetractionHandle retraction(RTI::RTIambassador::PrivateRefs* p) {
    RTI::EventRetractionHandle h;
    h.theSerialNumber = ++p->retractionSerial;
    h.sendingFederate = p->federate;
    return h;
}

}  // namespace

RTI::ObjectHandle RTI::RTIambassador::registerObjectInstance(ObjectClassHandle theClass, const char* theObject) {
    return service(privateRefs, "registerObjectInstance",
                   [&] { return registerInstance(privateRefs, theClass, theObject); });
}

RTI::ObjectHandle RTI::RTIambassador::registerObjectInstance(ObjectClassHandle theClass) {
    return service(privateRefs, "registerObjectInstance",
                   [&] { return registerInstance(privateRefs, theClass, nullptr); });
}

RTI::EventRetractionHandle RTI::RTIambassador::updateAttributeValues(ObjectHandle theObject,
                                                                     const AttributeHandleValuePairSet& theAttributes,
                                                                     const FedTime&, const char* theTag) {
    // No time management: a timestamped update is delivered in receive order.
    return service(privateRefs, "updateAttributeValues", [&] {
        updateValues(privateRefs, theObject, theAttributes, theTag);
        return retraction(privateRefs);
    });
}

void RTI::RTIambassador::updateAttributeValues(ObjectHandle theObject, const AttributeHandleValuePairSet& theAttributes,
                                               const char* theTag) {
    service(privateRefs, "updateAttributeValues",
            [&] { updateValues(privateRefs, theObject, theAttributes, theTag); });
}

RTI::EventRetractionHandle RTI::RTIambassador::sendInteraction(InteractionClassHandle theInteraction,
                                                               const ParameterHandleValuePairSet& theParameters,
                                                               const FedTime&, const char* theTag) {
    return service(privateRefs, "sendInteraction", [&] {
        sendValues(privateRefs, theInteraction, theParameters, theTag);
        return retraction(privateRefs);
    });
}

void RTI::RTIambassador::sendInteraction(InteractionClassHandle theInteraction,
                                         const ParameterHandleValuePairSet& theParameters, const char* theTag) {
    service(privateRefs, "sendInteraction", [&] { sendValues(privateRefs, theInteraction, theParameters, theTag); });
}

RTI::EventRetractionHandle RTI::RTIambassador::deleteObjectInstance(ObjectHandle theObject, const FedTime&,
                                                                    const char* theTag) {
    return service(privateRefs, "deleteObjectInstance", [&] {
        deleteInstance(privateRefs, theObject, theTag);
        return retraction(privateRefs);
    });
}

void RTI::RTIambassador::deleteObjectInstance(ObjectHandle theObject, const char* theTag) {
    service(privateRefs, "deleteObjectInstance", [&] { deleteInstance(privateRefs, theObject, theTag); });
}

void RTI::RTIambassador::requestObjectAttributeValueUpdate(ObjectHandle theObject,
                                                           const AttributeHandleSet& theAttributes) {
    service(privateRefs, "requestObjectAttributeValueUpdate", [&] {
        privateRefs->requireJoined();
        Message rq(MessageKind::RequestObjectUpdate, theObject);
        rq.handles = handlesOf(theAttributes);
        privateRefs->call(rq);
    });
}

void RTI::RTIambassador::requestClassAttributeValueUpdate(ObjectClassHandle theClass,
                                                          const AttributeHandleSet& theAttributes) {
    service(privateRefs, "requestClassAttributeValueUpdate", [&] {
        privateRefs->requireJoined();
        Message rq(MessageKind::RequestClassUpdate, theClass);
        rq.handles = handlesOf(theAttributes);
        privateRefs->call(rq);
    });
}

// ---------------------------------------------------------------- support services

namespace {

[[noreturn]] void notFound(const char* what, const char* name) {
    std::string why = name ? std::string("no ") + what + " named \"" + name + "\"" : std::string("null ") + what + " name";
    throw RTI::NameNotFound(why.c_str());
}

void checkObjectClass(const volax::rti::Fom& fom, RTI::ObjectClassHandle c) {
    if (!fom.isObjectClass(c)) {
        std::string why = "no object class with handle " + std::to_string(c);
        throw RTI::ObjectClassNotDefined(why.c_str());
    }
}

void checkInteractionClass(const volax::rti::Fom& fom, RTI::InteractionClassHandle c) {
    if (!fom.isInteractionClass(c)) {
        std::string why = "no interaction class with handle " + std::to_string(c);
        throw RTI::InteractionClassNotDefined(why.c_str());
    }
}

}  // namespace

RTI::ObjectClassHandle RTI::RTIambassador::getObjectClassHandle(const char* theName) {
    return service(privateRefs, "getObjectClassHandle", [&] {
        const auto& fom = privateRefs->model();
        auto h = theName ? fom.objectClass(theName) : std::nullopt;
        if (!h) notFound("object class", theName);
        return static_cast<ObjectClassHandle>(*h);
    });
}

char* RTI::RTIambassador::getObjectClassName(ObjectClassHandle theHandle) {
    return service(privateRefs, "getObjectClassName", [&] {
        const auto& fom = privateRefs->model();
        checkObjectClass(fom, theHandle);
        return newText(fom.objectClasses()[theHandle].fullName);
    });
}

RTI::AttributeHandle RTI::RTIambassador::getAttributeHandle(const char* theName, ObjectClassHandle whichClass) {
    return service(privateRefs, "getAttributeHandle", [&] {
        const auto& fom = privateRefs->model();
        checkObjectClass(fom, whichClass);
        auto h = theName ? fom.attribute(whichClass, theName) : std::nullopt;
        if (!h) notFound("attribute", theName);
        return static_cast<AttributeHandle>(*h);
    });
}

char* RTI::RTIambassador::getAttributeName(AttributeHandle theHandle, ObjectClassHandle whichClass) {
    return service(privateRefs, "getAttributeName", [&] {
        const auto& fom = privateRefs->model();
        checkObjectClass(fom, whichClass);
        if (!fom.classHasAttribute(whichClass, theHandle)) {
            std::string why = "attribute handle " + std::to_string(theHandle) + " is not defined for \"" +
                              fom.objectClasses()[whichClass].fullName + "\"";
            throw RTI::AttributeNotDefined(why.c_str());
        }
        return newText(fom.attributes()[theHandle].name);
    });
}

RTI::InteractionClassHandle RTI::RTIambassador::getInteractionClassHandle(const char* theName) {
    return service(privateRefs, "getInteractionClassHandle", [&] {
        const auto& fom = privateRefs->model();
        auto h = theName ? fom.interactionClass(theName) : std::nullopt;
        if (!h) notFound("interaction class", theName);
        return static_cast<InteractionClassHandle>(*h);
    });
}

char* RTI::RTIambassador::getInteractionClassName(InteractionClassHandle theHandle) {
    return service(privateRefs, "getInteractionClassName", [&] {
        const auto& fom = privateRefs->model();
        checkInteractionClass(fom, theHandle);
        return newText(fom.interactionClasses()[theHandle].fullName);
    });
}

RTI::ParameterHandle RTI::RTIambassador::getParameterHandle(const char* theName, InteractionClassHandle whichClass) {
    return service(privateRefs, "getParameterHandle", [&] {
        const auto& fom = privateRefs->model();
        checkInteractionClass(fom, whichClass);
        auto h = theName ? fom.parameter(whichClass, theName) : std::nullopt;
        if (!h) notFound("parameter", theName);
        return static_cast<ParameterHandle>(*h);
    });
}

char* RTI::RTIambassador::getParameterName(ParameterHandle theHandle, InteractionClassHandle whichClass) {
    return service(privateRefs, "getParameterName", [&] {
        const auto& fom = privateRefs->model();
        checkInteractionClass(fom, whichClass);
        if (!fom.classHasParameter(whichClass, theHandle)) {
            std::string why = "parameter handle " + std::to_string(theHandle) + " is not defined for \"" +
                              fom.interactionClasses()[whichClass].fullName + "\"";
            throw RTI::InteractionParameterNotDefined(why.c_str());
        }
        return newText(fom.parameters()[theHandle].name);
    });
}

RTI::ObjectHandle RTI::RTIambassador::getObjectInstanceHandle(const char* theName) {
    return service(privateRefs, "getObjectInstanceHandle", [&] {
        privateRefs->requireJoined();
        Message rq(MessageKind::GetObjectInstanceHandle);
        if (theName == nullptr) throw RTI::ObjectNotKnown("null object instance name");
        rq.name = theName;
        return static_cast<ObjectHandle>(privateRefs->call(rq).handle);
    });
}

char* RTI::RTIambassador::getObjectInstanceName(ObjectHandle theHandle) {
    return service(privateRefs, "getObjectInstanceName", [&] {
        privateRefs->requireJoined();
        return newText(privateRefs->call(Message(MessageKind::GetObjectInstanceName, theHandle)).name);
    });
}

RTI::ObjectClassHandle RTI::RTIambassador::getObjectClass(ObjectHandle theObject) {
    return service(privateRefs, "getObjectClass", [&] {
        privateRefs->requireJoined();
        return static_cast<ObjectClassHandle>(
            privateRefs->call(Message(MessageKind::GetObjectClass, theObject)).handle);
    });
}

// ---------------------------------------------------------------- callbacks

RTI::Boolean RTI::RTIambassador::tick() {
    // An empty tick costs the fault check, two flags and the transport's pending().
    return service(privateRefs, "tick", [&] {
        PrivateRefs* p = privateRefs;
        if (!p->joined || !p->connection || !p->connection->pending()) return RTI_FALSE;
        Message* cb;
        for (int n = 0; n < kMaxCallbacksPerTick && (cb = p->connection->next()); ++n) deliverOne(p, *cb);
        return p->connection->pending() ? RTI_TRUE : RTI_FALSE;
    });
}

RTI::Boolean RTI::RTIambassador::tick(TickTime minimum, TickTime maximum) {
    return service(privateRefs, "tick", [&] {
        PrivateRefs* p = privateRefs;
        if (!p->joined || !p->connection) return RTI_FALSE;
        auto start = std::chrono::steady_clock::now();
        if (!p->connection->waitForCallbacks(minimum)) return RTI_FALSE;
        auto limit = std::chrono::duration<double>(maximum > 0 ? std::min(maximum, 1e6) : 0.0);
        // At least one callback, then more until `maximum` has passed.
        while (Message* cb = p->connection->next()) {
            deliverOne(p, *cb);
            if (std::chrono::steady_clock::now() - start >= limit) break;
        }
        return p->connection->pending() ? RTI_TRUE : RTI_FALSE;
    });
}
