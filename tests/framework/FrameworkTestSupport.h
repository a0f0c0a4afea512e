// Shared helpers for the framework tests: a captured log stream, a raw RTI federate that
// records its callbacks, hand-made value sets, and test subclasses of the bases.
#ifndef VOLAX_FRAMEWORKTESTSUPPORT_H
#define VOLAX_FRAMEWORKTESTSUPPORT_H

#include <RTI.hh>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "EmptyFederateAmbassador.h"
#include "TestPlatform.h"
#include "QVHLAAircraftObject.h"
#include "QVHLAInteraction.h"
#include "QVHLAManager.h"
#include "QVHLAMunitionDetonationInteraction.h"
#include "QVHLAStartResumeInteraction.h"

typedef std::map<RTI::Handle, std::string> ValueMap;

inline std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

// Points the manager's log at a scratch file for the lifetime of the object.
class LogCapture {
public:
    LogCapture() { QVHLAManager::getInstance()->setLogFile(file.get()); }
    ~LogCapture() { QVHLAManager::getInstance()->setLogFile(nullptr); }
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        std::string line;
        for (char c : file.text()) {
            if (c == '\n') {
                out.push_back(line);
                line.clear();
            } else {
                line.push_back(c);
            }
        }
        if (!line.empty()) out.push_back(line);
        return out;
    }
    bool contains(const std::string& line) {
        for (const std::string& l : lines())
            if (l == line) return true;
        return false;
    }
    void clear() { file.take(); }

private:
    volax::test::ScratchFile file;
};

// An attribute or parameter value set as handle -> bytes.
template <class ValueSet>
ValueMap toMap(const ValueSet& set) {
    ValueMap m;
    for (RTI::ULong i = 0; i < set.size(); ++i) {
        RTI::ULong len = 0;
        char* p = set.getValuePointer(i, len);
        m[set.getHandle(i)] = std::string(p, len);
    }
    return m;
}

inline QVHLAManager& manager() { return *QVHLAManager::getInstance(); }

inline std::string encoded(const NetBuffer& b, size_t n) { return std::string(b.get(), n); }

inline Spatial spatialAt(double x) {
    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = DRM_FVW;
    s.worldLocation = WorldLocation{x, 2.0, 3.0};
    s.velocity = Vector3f{1.0f, 0.0f, 0.0f};
    return s;
}

typedef std::unique_ptr<RTI::ParameterHandleValuePairSet> ParameterSet;

inline ParameterSet parameters(std::initializer_list<std::pair<RTI::Handle, std::string>> items) {
    ParameterSet set(RTI::ParameterSetFactory::create(static_cast<RTI::ULong>(items.size())));
    for (const auto& i : items) set->add(i.first, i.second.data(), static_cast<RTI::ULong>(i.second.size()));
    return set;
}

// The interactions with their received hook counted.
class Detonation : public QVHLAMunitionDetonationInteraction {
public:
    int hooks = 0;
    void interactionReceived() override { ++hooks; }
};

class StartResume : public QVHLAStartResumeInteraction {
public:
    int hooks = 0;
    void interactionReceived() override { ++hooks; }
};

// A federate written against the plain RTI API, as any other federate would be.
class RawFederate : public EmptyFederateAmbassador {
public:
    struct Reflection {
        RTI::ObjectHandle object;
        std::vector<RTI::Handle> order;
        ValueMap values;
    };
    struct Interaction {
        RTI::InteractionClassHandle cls;
        ValueMap values;
    };

    RTI::RTIambassador rti;
    std::vector<std::pair<RTI::ObjectHandle, std::string>> discovered;
    std::vector<Reflection> reflections;
    std::vector<Interaction> interactions;
    std::vector<RTI::ObjectHandle> removed;
    bool joined = false;

    ~RawFederate() override {
        if (joined) {
            try {
                rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
            } catch (...) {
            }
        }
    }
    void join(const char* federation) {
        rti.joinFederationExecution("raw", federation, this);
        joined = true;
    }
    void resign() {
        rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        joined = false;
    }
    // Ticks until `done` holds or a second has passed.
    bool tickUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            rti.tick(0.01, 0.05);
        }
        return true;
    }
    void drain() {
        for (int i = 0; i < 5; ++i) rti.tick(0.01, 0.02);
    }

    void discoverObjectInstance(RTI::ObjectHandle o, RTI::ObjectClassHandle, const char* name) override {
        discovered.emplace_back(o, name ? name : "");
    }
    void reflectAttributeValues(RTI::ObjectHandle o, const RTI::AttributeHandleValuePairSet& set,
                                const char*) override {
        Reflection r{o, {}, toMap(set)};
        for (RTI::ULong i = 0; i < set.size(); ++i) r.order.push_back(set.getHandle(i));
        reflections.push_back(r);
    }
    void receiveInteraction(RTI::InteractionClassHandle c, const RTI::ParameterHandleValuePairSet& set,
                            const char*) override {
        interactions.push_back({c, toMap(set)});
    }
    void removeObjectInstance(RTI::ObjectHandle o, const char*) override {
        removed.push_back(o);
    }
};

// Ticks the manager until `done` holds or two seconds have passed.
inline bool tickManagerUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QVHLAManager::getInstance()->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An application aircraft class: counts hook calls and instances.
class TestAircraft : public QVHLAAircraftObject {
public:
    static inline int alive = 0;
    int prepared = 0;
    int reflected = 0;
    TestAircraft() { ++alive; }
    ~TestAircraft() override { --alive; }
    QVHLARootObject* newInstance() override { return new TestAircraft(); }
    void prepareUpdate() override { ++prepared; }
    void attributesReflected() override { ++reflected; }
};

// A plain object recording the order in which the manager updates it.
class OrderObject : public QVHLARootObject {
public:
    static inline std::vector<RTI::ObjectHandle> updates;
    std::function<void()> onUpdate;
    explicit OrderObject(RTI::ObjectHandle h) { instanceHandle = h; }
    bool getHandles() override { return true; }
    bool publish() override { return true; }
    bool subscribe() override { return true; }
    void provideAttributeUpdate(const RTI::AttributeHandleSet&) override {}
    void updateAttributes() override {
        updates.push_back(instanceHandle);
        if (onUpdate) onUpdate();
    }
    void reflectAttributes(const RTI::AttributeHandleValuePairSet&, const char*) override {}
    QVHLARootObject* newInstance() override { return nullptr; }
    RTI::ObjectClassHandle getClassHandle() override { return 0; }
    void prepareUpdate() override {}
    void attributesReflected() override {}
};

// An interaction receiver of a chosen class that notes its deletion.
class CountingInteraction : public QVHLAInteraction {
public:
    static inline int deleted = 0;
    RTI::InteractionClassHandle cls;
    int received = 0;
    explicit CountingInteraction(RTI::InteractionClassHandle c) : cls(c) {}
    ~CountingInteraction() override { ++deleted; }
    bool getHandles() override { return true; }
    bool publish() override { return true; }
    bool subscribe() override { return true; }
    bool sendInteraction() override { return true; }
    void receiveInteraction(const RTI::ParameterHandleValuePairSet&, const char*) override { ++received; }
    RTI::InteractionClassHandle getClassHandle() override { return cls; }
    void prepareSend() override {}
    void interactionReceived() override {}
};

// A value set whose getValuePointer throws at index `throwAt`: drives the decoders'
// exception handlers, which a well-behaved RTI set never reaches.
template <class Base>
class ThrowingSetBase : public Base {
public:
    std::vector<std::pair<RTI::Handle, std::string>> items;
    RTI::ULong throwAt = ~0u;
    bool rtiException = true;
    RTI::ULong size() const override { return static_cast<RTI::ULong>(items.size()); }
    RTI::Handle getHandle(RTI::ULong i) const override { return items.at(i).first; }
    RTI::ULong getValueLength(RTI::ULong i) const override { return static_cast<RTI::ULong>(items.at(i).second.size()); }
    void getValue(RTI::ULong, char*, RTI::ULong&) const override { throw std::logic_error("unused"); }
    char* getValuePointer(RTI::ULong i, RTI::ULong& length) const override {
        if (i == throwAt) {
            if (rtiException) throw RTI::ArrayIndexOutOfBounds("bad index");
            throw std::runtime_error("bad index");
        }
        length = static_cast<RTI::ULong>(items.at(i).second.size());
        return const_cast<char*>(items.at(i).second.data());
    }
    void add(RTI::Handle h, const char* b, RTI::ULong n) override { items.emplace_back(h, std::string(b, n)); }
    void remove(RTI::Handle) override {}
    void empty() override { items.clear(); }
    RTI::ULong start() const override { return 0; }
    RTI::ULong valid(RTI::ULong i) const override { return i < items.size(); }
    RTI::ULong next(RTI::ULong i) const override { return i + 1; }
};

class ThrowingAttributeSet : public ThrowingSetBase<RTI::AttributeHandleValuePairSet> {
public:
    RTI::TransportType getTransportType(RTI::ULong) const override { return 0; }
    RTI::OrderType getOrderType(RTI::ULong) const override { return 0; }
    RTI::Region* getRegion(RTI::ULong) const override { return nullptr; }
    void moveFrom(const RTI::AttributeHandleValuePairSet&, RTI::ULong&) override {}
};

class ThrowingParameterSet : public ThrowingSetBase<RTI::ParameterHandleValuePairSet> {
public:
    RTI::TransportType getTransportType() const override { return 0; }
    RTI::OrderType getOrderType() const override { return 0; }
    RTI::Region* getRegion() const override { return nullptr; }
    void moveFrom(const RTI::ParameterHandleValuePairSet&, RTI::ULong&) override {}
};

// A federation name no other test of this process uses.
inline std::string uniqueFederation(const char* stem) {
    static int counter = 0;
    return std::string(stem) + "_" + std::to_string(++counter);
}

#endif
