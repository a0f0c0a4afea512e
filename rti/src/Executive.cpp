#include "Executive.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Fom.h"

namespace volax {
namespace rti {

namespace {

constexpr std::uint32_t kReleaseAttributes = 1;
constexpr std::uint32_t kDeleteObjects = 2;
constexpr std::uint32_t kDeleteObjectsAndReleaseAttributes = 3;
constexpr std::uint32_t kNoAction = 4;

struct Fail {
    ErrorCode code;
    std::string reason;
};

[[noreturn]] void fail(ErrorCode code, std::string reason) { throw Fail{code, std::move(reason)}; }

// Handles in ascending order, each once. The sets here hold a class's handful
// of attributes and are asked on every update: a sorted vector answers from one
// cache line where a tree walks its nodes.
class HandleSet {
public:
    using const_iterator = std::vector<std::uint32_t>::const_iterator;
    std::size_t count(std::uint32_t h) const { return std::binary_search(v_.begin(), v_.end(), h) ? 1 : 0; }
    void insert(std::uint32_t h) {
        auto it = std::lower_bound(v_.begin(), v_.end(), h);
        if (it == v_.end() || *it != h) v_.insert(it, h);
    }
    std::size_t erase(std::uint32_t h) {
        auto it = std::lower_bound(v_.begin(), v_.end(), h);
        if (it == v_.end() || *it != h) return 0;
        v_.erase(it);
        return 1;
    }
    bool empty() const { return v_.empty(); }
    void clear() { v_.clear(); }
    const_iterator begin() const { return v_.begin(); }
    const_iterator end() const { return v_.end(); }

private:
    std::vector<std::uint32_t> v_;
};

struct Federate {
    std::uint32_t handle = 0;
    std::string name;
    FederateEndpoint* endpoint = nullptr;
    std::map<std::uint32_t, HandleSet> publishedObjects;  // class -> attributes
    HandleSet publishedInteractions;
    std::map<std::uint32_t, HandleSet> subscribedObjects;  // class -> attributes
    HandleSet subscribedInteractions;
    std::unordered_map<std::uint32_t, std::uint32_t> known;  // discovered instance -> class known as
    std::size_t owns = 0;  // instances registered and not yet removed
};

struct Instance {
    std::uint32_t handle = 0;
    std::uint32_t cls = 0;
    std::string name;
    std::optional<std::uint32_t> owner;  // none once released at resign
    HandleSet owned;
};

struct Federation {
    std::string name;
    std::string fedText;
    std::string fedSource;
    std::unique_ptr<Fom> fom;
    std::map<std::uint32_t, Federate> federates;
    std::uint32_t nextFederate = 0;
    std::map<std::uint32_t, Instance> instances;  // walked in handle order
    std::unordered_map<std::uint32_t, Instance*> instanceIndex;  // the same, for lookups
    std::unordered_map<std::string, std::uint32_t> instanceByName;
    std::uint32_t nextInstance = 0;
};

struct Membership {
    Federation* federation;
    std::uint32_t federate;
};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

struct Executive::State {
    // std::map nodes do not move, so Membership may point into it; a federation
    // is only erased when nobody is joined.
    std::map<std::string, Federation> federations;
    std::unordered_map<FederateEndpoint*, Membership> members;
    std::size_t objectQuota = 0;

    Message dispatch(FederateEndpoint& from, const Message& rq);

    // Federation management
    Message create(const Message& rq);
    Message destroy(const Message& rq);
    Message join(FederateEndpoint& from, const Message& rq);
    void resign(FederateEndpoint& from, std::uint32_t action);

    // The caller's federation and federate; FederateNotExecutionMember if not joined.
    struct Member {
        Federation& fx;
        Federate& me;
    };
    Member memberOf(FederateEndpoint& from);

    static void checkObjectClass(const Federation& fx, std::uint32_t cls);
    static void checkInteractionClass(const Federation& fx, std::uint32_t cls);
    static HandleSet checkAttributes(const Federation& fx, std::uint32_t cls, const std::vector<std::uint32_t>& attrs);
    static Instance& knownInstance(Federation& fx, const Federate& me, std::uint32_t obj);
    static std::optional<std::uint32_t> discoveryClass(const Federation& fx, const Federate& f, std::uint32_t cls);
    static const HandleSet* subscribedAttributes(const Federation& fx, const Federate& f, std::uint32_t knownAs);
    static void discover(Federate& f, const Instance& inst, std::uint32_t knownAs);
    static void removeInstance(Federation& fx, std::uint32_t obj, const std::string& tag);

    // Declaration and object management
    void publishObjectClass(Federation& fx, Federate& me, std::uint32_t cls, const std::vector<std::uint32_t>& attrs);
    void subscribeObjectClass(Federation& fx, Federate& me, std::uint32_t cls,
                              const std::vector<std::uint32_t>& attrs);
    Message registerObject(Federation& fx, Federate& me, const Message& rq);
    void update(Federation& fx, Federate& me, const Message& rq);
    void send(Federation& fx, Federate& me, const Message& rq);
};

Executive::Executive() : state_(new State) {}
Executive::~Executive() = default;

std::size_t Executive::federationCount() const { return state_->federations.size(); }

void Executive::setObjectQuota(std::size_t perFederate) { state_->objectQuota = perFederate; }

std::vector<FederationStatus> Executive::status() const {
    std::vector<FederationStatus> out;
    for (const auto& entry : state_->federations) {
        FederationStatus s;
        s.name = entry.first;
        s.federates = entry.second.federates.size();
        s.objects = entry.second.instances.size();
        for (const auto& inst : entry.second.instances) s.unowned += inst.second.owner ? 0 : 1;
        out.push_back(std::move(s));
    }
    return out;
}

Message Executive::handle(FederateEndpoint& from, const Message& request) {
    Message reply;
    try {
        reply = state_->dispatch(from, request);
    } catch (const Fail& f) {
        reply = Message::error(f.code, f.reason);
    } catch (const std::bad_alloc&) {
        reply = Message::error(ErrorCode::MemoryExhausted, "out of memory");
    } catch (const std::exception& e) {
        reply = Message::error(ErrorCode::RTIinternalError, e.what());
    } catch (...) {
        reply = Message::error(ErrorCode::RTIinternalError, "unexpected failure in the executive");
    }
    reply.serial = request.serial;
    return reply;
}

void Executive::disconnect(FederateEndpoint& endpoint) {
    try {
        if (state_->members.count(&endpoint)) state_->resign(endpoint, kDeleteObjectsAndReleaseAttributes);
    } catch (...) {
        // Resigning with this action cannot fail on its own terms; whatever
        // happened, the endpoint must not stay registered.
    }
    state_->members.erase(&endpoint);
}

Message Executive::State::dispatch(FederateEndpoint& from, const Message& rq) {
    Message ok(MessageKind::Reply);
    switch (rq.kind) {
        case MessageKind::CreateFederation:
            return create(rq);
        case MessageKind::DestroyFederation:
            return destroy(rq);
        case MessageKind::JoinFederation:
            return join(from, rq);
        case MessageKind::ResignFederation:
            resign(from, rq.handle);
            return ok;
        default:
            break;
    }
    if (!isRequest(rq.kind)) fail(ErrorCode::RTIinternalError, std::string("not a request: ") + kindName(rq.kind));

    Member m = memberOf(from);
    Federation& fx = m.fx;
    Federate& me = m.me;
    const Fom& fom = *fx.fom;
    switch (rq.kind) {
        case MessageKind::PublishObjectClass:
            publishObjectClass(fx, me, rq.handle, rq.handles);
            return ok;
        case MessageKind::UnpublishObjectClass:
            checkObjectClass(fx, rq.handle);
            if (!me.publishedObjects.erase(rq.handle))
                fail(ErrorCode::ObjectClassNotPublished,
                     "object class " + quoted(fom.objectClasses()[rq.handle].fullName) + " is not published");
            return ok;
        case MessageKind::PublishInteraction:
            checkInteractionClass(fx, rq.handle);
            me.publishedInteractions.insert(rq.handle);
            return ok;
        case MessageKind::UnpublishInteraction:
            checkInteractionClass(fx, rq.handle);
            if (!me.publishedInteractions.erase(rq.handle))
                fail(ErrorCode::InteractionClassNotPublished,
                     "interaction class " + quoted(fom.interactionClasses()[rq.handle].fullName) +
                         " is not published");
            return ok;
        case MessageKind::SubscribeObjectClass:
            subscribeObjectClass(fx, me, rq.handle, rq.handles);
            return ok;
        case MessageKind::UnsubscribeObjectClass:
            checkObjectClass(fx, rq.handle);
            if (!me.subscribedObjects.erase(rq.handle))
                fail(ErrorCode::ObjectClassNotSubscribed,
                     "object class " + quoted(fom.objectClasses()[rq.handle].fullName) + " is not subscribed");
            return ok;
        case MessageKind::SubscribeInteraction:
            checkInteractionClass(fx, rq.handle);
            me.subscribedInteractions.insert(rq.handle);
            return ok;
        case MessageKind::UnsubscribeInteraction:
            checkInteractionClass(fx, rq.handle);
            if (!me.subscribedInteractions.erase(rq.handle))
                fail(ErrorCode::InteractionClassNotSubscribed,
                     "interaction class " + quoted(fom.interactionClasses()[rq.handle].fullName) +
                         " is not subscribed");
            return ok;
        case MessageKind::RegisterObject:
            return registerObject(fx, me, rq);
        case MessageKind::UpdateAttributes:
            update(fx, me, rq);
            return ok;
        case MessageKind::SendInteraction:
            send(fx, me, rq);
            return ok;
        case MessageKind::DeleteObject: {
            Instance& inst = knownInstance(fx, me, rq.handle);
            if (inst.owner != me.handle)
                fail(ErrorCode::DeletePrivilegeNotHeld,
                     "federate does not hold the delete privilege of instance " + quoted(inst.name));
            removeInstance(fx, rq.handle, rq.tag);
            return ok;
        }
        case MessageKind::RequestObjectUpdate: {
            Instance& inst = knownInstance(fx, me, rq.handle);
            HandleSet wanted = checkAttributes(fx, inst.cls, rq.handles);
            if (inst.owner && *inst.owner != me.handle) {
                Message cb(MessageKind::ProvideUpdate, inst.handle);
                for (std::uint32_t a : wanted)
                    if (inst.owned.count(a)) cb.handles.push_back(a);
                if (!cb.handles.empty()) fx.federates.at(*inst.owner).endpoint->deliver(std::move(cb));
            }
            return ok;
        }
        case MessageKind::RequestClassUpdate: {
            checkObjectClass(fx, rq.handle);
            HandleSet wanted = checkAttributes(fx, rq.handle, rq.handles);
            for (auto& entry : fx.instances) {
                Instance& inst = entry.second;
                if (!inst.owner || *inst.owner == me.handle || !fom.isObjectSubclass(inst.cls, rq.handle)) continue;
                Message cb(MessageKind::ProvideUpdate, inst.handle);
                for (std::uint32_t a : wanted)
                    if (inst.owned.count(a)) cb.handles.push_back(a);
                if (!cb.handles.empty()) fx.federates.at(*inst.owner).endpoint->deliver(std::move(cb));
            }
            return ok;
        }
        case MessageKind::GetObjectInstanceHandle: {
            auto it = fx.instanceByName.find(rq.name);
            if (it == fx.instanceByName.end()) fail(ErrorCode::ObjectNotKnown, "no object instance " + quoted(rq.name));
            knownInstance(fx, me, it->second);
            ok.handle = it->second;
            return ok;
        }
        case MessageKind::GetObjectInstanceName:
            ok.name = knownInstance(fx, me, rq.handle).name;
            return ok;
        case MessageKind::GetObjectClass: {
            Instance& inst = knownInstance(fx, me, rq.handle);
            auto k = me.known.find(rq.handle);
            ok.handle = (inst.owner == me.handle || k == me.known.end()) ? inst.cls : k->second;
            return ok;
        }
        default:
            fail(ErrorCode::RTIinternalError, std::string("unhandled request ") + kindName(rq.kind));
    }
}

Message Executive::State::create(const Message& rq) {
    if (rq.name.empty()) fail(ErrorCode::RTIinternalError, "empty federation execution name");
    if (federations.count(rq.name))
        fail(ErrorCode::FederationExecutionAlreadyExists, "federation execution " + quoted(rq.name) + " already exists");
    std::unique_ptr<Fom> fom;
    try {
        fom.reset(new Fom(Fom::parse(rq.text, rq.name2.empty() ? std::string("FED") : rq.name2)));
    } catch (const FomError& e) {
        fail(ErrorCode::ErrorReadingFED, e.what());
    }
    Federation& fx = federations[rq.name];
    fx.name = rq.name;
    fx.fedText = rq.text;
    fx.fedSource = rq.name2;
    fx.fom = std::move(fom);
    return Message(MessageKind::Reply);
}

Message Executive::State::destroy(const Message& rq) {
    auto it = federations.find(rq.name);
    if (it == federations.end())
        fail(ErrorCode::FederationExecutionDoesNotExist, "federation execution " + quoted(rq.name) + " does not exist");
    if (!it->second.federates.empty())
        fail(ErrorCode::FederatesCurrentlyJoined, std::to_string(it->second.federates.size()) +
                                                      " federate(s) still joined to " + quoted(rq.name));
    federations.erase(it);
    return Message(MessageKind::Reply);
}

Message Executive::State::join(FederateEndpoint& from, const Message& rq) {
    auto m = members.find(&from);
    if (m != members.end())
        fail(ErrorCode::FederateAlreadyExecutionMember,
             "federate already joined to " + quoted(m->second.federation->name));
    if (rq.name.empty()) fail(ErrorCode::RTIinternalError, "empty federate name");
    auto it = federations.find(rq.name2);
    if (it == federations.end())
        fail(ErrorCode::FederationExecutionDoesNotExist, "federation execution " + quoted(rq.name2) + " does not exist");
    Federation& fx = it->second;
    std::uint32_t h = fx.nextFederate++;
    Federate& f = fx.federates[h];
    f.handle = h;
    f.name = rq.name;
    f.endpoint = &from;
    members[&from] = Membership{&fx, h};
    Message reply(MessageKind::Reply, h);
    reply.text = fx.fedText;
    reply.name2 = fx.fedSource;
    return reply;
}

void Executive::State::resign(FederateEndpoint& from, std::uint32_t action) {
    Member m = memberOf(from);
    Federation& fx = m.fx;
    Federate& me = m.me;
    if (action < kReleaseAttributes || action > kNoAction)
        fail(ErrorCode::InvalidResignAction, "resign action " + std::to_string(action) + " is not 1 to 4");
    std::vector<std::uint32_t> mine;
    for (auto& entry : fx.instances)
        if (entry.second.owner == me.handle) mine.push_back(entry.first);
    if (action == kNoAction && !mine.empty())
        fail(ErrorCode::FederateOwnsAttributes,
             "federate still owns " + std::to_string(mine.size()) + " object instance(s)");
    for (std::uint32_t obj : mine) {
        if (action == kReleaseAttributes) {
            Instance& inst = fx.instances.at(obj);
            inst.owner.reset();
            inst.owned.clear();
        } else if (action == kDeleteObjects || action == kDeleteObjectsAndReleaseAttributes) {
            removeInstance(fx, obj, std::string());
        }
    }
    const std::uint32_t handle = me.handle;  // the key must not live in the node being erased
    fx.federates.erase(handle);
    members.erase(&from);
}

Executive::State::Member Executive::State::memberOf(FederateEndpoint& from) {
    auto m = members.find(&from);
    if (m == members.end()) fail(ErrorCode::FederateNotExecutionMember, "federate is not joined");
    Federation& fx = *m->second.federation;
    return Member{fx, fx.federates.at(m->second.federate)};
}

void Executive::State::checkObjectClass(const Federation& fx, std::uint32_t cls) {
    if (!fx.fom->isObjectClass(cls))
        fail(ErrorCode::ObjectClassNotDefined, "no object class with handle " + std::to_string(cls));
}

void Executive::State::checkInteractionClass(const Federation& fx, std::uint32_t cls) {
    if (!fx.fom->isInteractionClass(cls))
        fail(ErrorCode::InteractionClassNotDefined, "no interaction class with handle " + std::to_string(cls));
}

HandleSet Executive::State::checkAttributes(const Federation& fx, std::uint32_t cls,
                                            const std::vector<std::uint32_t>& attrs) {
    HandleSet out;
    for (std::uint32_t a : attrs) {
        if (!fx.fom->classHasAttribute(cls, a))
            fail(ErrorCode::AttributeNotDefined, "attribute handle " + std::to_string(a) + " is not defined for " +
                                                     quoted(fx.fom->objectClasses()[cls].fullName));
        out.insert(a);
    }
    return out;
}

// The instance, if this federate owns or has discovered it.
Instance& Executive::State::knownInstance(Federation& fx, const Federate& me, std::uint32_t obj) {
    auto it = fx.instanceIndex.find(obj);
    if (it == fx.instanceIndex.end() || (it->second->owner != me.handle && !me.known.count(obj)))
        fail(ErrorCode::ObjectNotKnown, "object instance " + std::to_string(obj) + " is not known");
    return *it->second;
}

// The most specific class, from `cls` up to the root, that `f` subscribes to.
std::optional<std::uint32_t> Executive::State::discoveryClass(const Federation& fx, const Federate& f,
                                                              std::uint32_t cls) {
    for (std::int64_t c = cls; c >= 0; c = fx.fom->objectClasses()[static_cast<std::size_t>(c)].parent)
        if (f.subscribedObjects.count(static_cast<std::uint32_t>(c))) return static_cast<std::uint32_t>(c);
    return std::nullopt;
}

// What `f` wants reflected of an instance it knows as `knownAs`: its
// subscription at that class, or at the nearest subscribed superclass.
const HandleSet* Executive::State::subscribedAttributes(const Federation& fx, const Federate& f,
                                                        std::uint32_t knownAs) {
    auto c = discoveryClass(fx, f, knownAs);
    return c ? &f.subscribedObjects.at(*c) : nullptr;
}

void Executive::State::discover(Federate& f, const Instance& inst, std::uint32_t knownAs) {
    f.known[inst.handle] = knownAs;
    Message cb(MessageKind::Discover, inst.handle);
    cb.handle2 = knownAs;
    cb.name = inst.name;
    f.endpoint->deliver(std::move(cb));
}

void Executive::State::removeInstance(Federation& fx, std::uint32_t obj, const std::string& tag) {
    for (auto& entry : fx.federates) {
        Federate& f = entry.second;
        if (f.known.erase(obj)) {
            Message cb(MessageKind::Remove, obj);
            cb.tag = tag;
            f.endpoint->deliver(std::move(cb));
        }
    }
    auto it = fx.instances.find(obj);
    if (it != fx.instances.end()) {
        if (it->second.owner) {
            auto owner = fx.federates.find(*it->second.owner);
            if (owner != fx.federates.end() && owner->second.owns > 0) --owner->second.owns;
        }
        fx.instanceByName.erase(it->second.name);
        fx.instanceIndex.erase(obj);
        fx.instances.erase(it);
    }
}

void Executive::State::publishObjectClass(Federation& fx, Federate& me, std::uint32_t cls,
                                          const std::vector<std::uint32_t>& attrs) {
    checkObjectClass(fx, cls);
    HandleSet set = checkAttributes(fx, cls, attrs);
    if (set.empty())
        me.publishedObjects.erase(cls);
    else
        me.publishedObjects[cls] = std::move(set);
}

void Executive::State::subscribeObjectClass(Federation& fx, Federate& me, std::uint32_t cls,
                                            const std::vector<std::uint32_t>& attrs) {
    checkObjectClass(fx, cls);
    HandleSet set = checkAttributes(fx, cls, attrs);
    if (set.empty()) {
        me.subscribedObjects.erase(cls);
        return;
    }
    me.subscribedObjects[cls] = std::move(set);
    // Instances that exist already are discovered now, in handle order.
    for (auto& entry : fx.instances) {
        const Instance& inst = entry.second;
        if (inst.owner == me.handle || me.known.count(inst.handle) || !fx.fom->isObjectSubclass(inst.cls, cls))
            continue;
        auto knownAs = discoveryClass(fx, me, inst.cls);
        if (knownAs) discover(me, inst, *knownAs);
    }
}

Message Executive::State::registerObject(Federation& fx, Federate& me, const Message& rq) {
    checkObjectClass(fx, rq.handle);
    auto pub = me.publishedObjects.find(rq.handle);
    if (pub == me.publishedObjects.end())
        fail(ErrorCode::ObjectClassNotPublished,
             "object class " + quoted(fx.fom->objectClasses()[rq.handle].fullName) + " is not published");
    if (objectQuota != 0 && me.owns >= objectQuota)
        fail(ErrorCode::RTIinternalError,
             "federate already owns " + std::to_string(me.owns) + " object instances, the server's limit");
    std::uint32_t h = fx.nextInstance;
    std::string name;
    if (rq.flag) {
        name = rq.name;
        if (name.empty()) fail(ErrorCode::ObjectAlreadyRegistered, "empty object instance name");
        if (name.compare(0, 3, "HLA") == 0)
            fail(ErrorCode::ObjectAlreadyRegistered, "object instance names beginning with \"HLA\" are reserved");
    } else {
        name = "HLAobjectInstance" + std::to_string(h);
    }
    if (fx.instanceByName.count(name))
        fail(ErrorCode::ObjectAlreadyRegistered, "object instance name " + quoted(name) + " is already in use");
    ++fx.nextInstance;

    Instance& inst = fx.instances[h];
    fx.instanceIndex[h] = &inst;
    inst.handle = h;
    inst.cls = rq.handle;
    inst.name = name;
    inst.owner = me.handle;
    ++me.owns;
    inst.owned = pub->second;
    if (auto p = fx.fom->attribute(0, "privilegeToDelete")) inst.owned.insert(*p);
    fx.instanceByName[name] = h;

    for (auto& entry : fx.federates) {
        Federate& f = entry.second;
        if (f.handle == me.handle) continue;
        auto knownAs = discoveryClass(fx, f, inst.cls);
        if (knownAs) discover(f, inst, *knownAs);
    }

    Message reply(MessageKind::Reply, h);
    reply.name = name;
    reply.handles.assign(inst.owned.begin(), inst.owned.end());
    return reply;
}

void Executive::State::update(Federation& fx, Federate& me, const Message& rq) {
    Instance& inst = knownInstance(fx, me, rq.handle);
    bool latestOnly = !rq.values.empty();  // best-effort attributes only
    for (const HandleValue& hv : rq.values) {
        if (!fx.fom->classHasAttribute(inst.cls, hv.handle))
            fail(ErrorCode::AttributeNotDefined, "attribute handle " + std::to_string(hv.handle) +
                                                     " is not defined for " +
                                                     quoted(fx.fom->objectClasses()[inst.cls].fullName));
        if (fx.fom->attributes()[hv.handle].transport != Transport::BestEffort) latestOnly = false;
    }
    if (inst.owner != me.handle)
        fail(ErrorCode::AttributeNotOwned, "federate does not own the attributes of " + quoted(inst.name));
    for (const HandleValue& hv : rq.values)
        if (!inst.owned.count(hv.handle))
            fail(ErrorCode::AttributeNotOwned, "attribute " + quoted(fx.fom->attributes()[hv.handle].name) + " of " +
                                                   quoted(inst.name) + " is not owned (not published)");

    for (auto& entry : fx.federates) {
        Federate& f = entry.second;
        if (f.handle == me.handle) continue;
        auto k = f.known.find(inst.handle);
        if (k == f.known.end()) continue;
        const HandleSet* wanted = subscribedAttributes(fx, f, k->second);
        if (!wanted) continue;
        Message cb(MessageKind::Reflect, inst.handle);
        cb.tag = rq.tag;
        cb.values.reserve(rq.values.size());
        for (const HandleValue& hv : rq.values)
            if (wanted->count(hv.handle)) cb.values.push_back(hv);
        if (cb.values.empty()) continue;
        if (latestOnly)
            f.endpoint->deliverLatest(std::move(cb));
        else
            f.endpoint->deliver(std::move(cb));
    }
}

void Executive::State::send(Federation& fx, Federate& me, const Message& rq) {
    checkInteractionClass(fx, rq.handle);
    const Fom& fom = *fx.fom;
    if (!me.publishedInteractions.count(rq.handle))
        fail(ErrorCode::InteractionClassNotPublished,
             "interaction class " + quoted(fom.interactionClasses()[rq.handle].fullName) + " is not published");
    for (const HandleValue& hv : rq.values)
        if (!fom.classHasParameter(rq.handle, hv.handle))
            fail(ErrorCode::InteractionParameterNotDefined,
                 "parameter handle " + std::to_string(hv.handle) + " is not defined for " +
                     quoted(fom.interactionClasses()[rq.handle].fullName));

    for (auto& entry : fx.federates) {
        Federate& f = entry.second;
        if (f.handle == me.handle) continue;
        // Delivered as the most specific class the receiver subscribes to,
        // with only the parameters that class knows.
        std::optional<std::uint32_t> as;
        for (std::int64_t c = rq.handle; c >= 0; c = fom.interactionClasses()[static_cast<std::size_t>(c)].parent)
            if (f.subscribedInteractions.count(static_cast<std::uint32_t>(c))) {
                as = static_cast<std::uint32_t>(c);
                break;
            }
        if (!as) continue;
        Message cb(MessageKind::Receive, *as);
        cb.tag = rq.tag;
        for (const HandleValue& hv : rq.values)
            if (fom.classHasParameter(*as, hv.handle)) cb.values.push_back(hv);
        f.endpoint->deliver(std::move(cb));
    }
}

}  // namespace rti
}  // namespace volax
