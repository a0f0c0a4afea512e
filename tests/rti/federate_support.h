// A test federate written only against the standard HLA 1.3 API: it records
// every callback. The transport is whatever VOLAX_RTI names, so these tests
// run unchanged against the in-process executive or a TCP server.
#ifndef VOLAX_TESTS_RTI_FEDERATE_SUPPORT_H
#define VOLAX_TESTS_RTI_FEDERATE_SUPPORT_H

#include <RTI.hh>
#include <fedtime.hh>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <filesystem>

#include "TestPlatform.h"

namespace rtitests {

struct Event {
    std::string kind;  // "discover", "reflect", "receive", "remove", "provide", or an unexpected callback's name
    RTI::Handle handle = 0;  // instance, or interaction class
    RTI::Handle cls = 0;     // discovered class
    std::string name;
    std::string tag;
    std::map<RTI::Handle, std::string> values;
    std::set<RTI::Handle> handles;
};

class Fed : public RTI::FederateAmbassador {
public:
    RTI::RTIambassador rti;
    std::vector<Event> events;
    // Runs inside a callback, after the event is recorded.
    std::function<void(Fed&, const Event&)> onEvent;

    std::vector<Event> take() {
        std::vector<Event> out;
        out.swap(events);
        return out;
    }
    std::vector<Event> of(const std::string& kind) const {
        std::vector<Event> out;
        for (const auto& e : events)
            if (e.kind == kind) out.push_back(e);
        return out;
    }

    // Object management: recorded.
    void discoverObjectInstance(RTI::ObjectHandle o, RTI::ObjectClassHandle c, const char* name) override {
        Event e;
        e.kind = "discover";
        e.handle = o;
        e.cls = c;
        e.name = name ? name : "(null)";
        record(e);
    }
    void reflectAttributeValues(RTI::ObjectHandle o, const RTI::AttributeHandleValuePairSet& set, const RTI::FedTime&,
                                const char* tag, RTI::EventRetractionHandle) override {
        reflectAttributeValues(o, set, tag);
        events.back().kind = "reflect-timed";
    }
    void reflectAttributeValues(RTI::ObjectHandle o, const RTI::AttributeHandleValuePairSet& set,
                                const char* tag) override {
        Event e;
        e.kind = "reflect";
        e.handle = o;
        e.tag = tag ? tag : "(null)";
        e.values = valuesOf(set);
        record(e);
    }
    void receiveInteraction(RTI::InteractionClassHandle c, const RTI::ParameterHandleValuePairSet& set,
                            const RTI::FedTime&, const char* tag, RTI::EventRetractionHandle) override {
        receiveInteraction(c, set, tag);
        events.back().kind = "receive-timed";
    }
    void receiveInteraction(RTI::InteractionClassHandle c, const RTI::ParameterHandleValuePairSet& set,
                            const char* tag) override {
        Event e;
        e.kind = "receive";
        e.handle = c;
        e.tag = tag ? tag : "(null)";
        e.values = valuesOf(set);
        record(e);
    }
    void removeObjectInstance(RTI::ObjectHandle o, const RTI::FedTime&, const char* tag,
                              RTI::EventRetractionHandle) override {
        removeObjectInstance(o, tag);
        events.back().kind = "remove-timed";
    }
    void removeObjectInstance(RTI::ObjectHandle o, const char* tag) override {
        Event e;
        e.kind = "remove";
        e.handle = o;
        e.tag = tag ? tag : "(null)";
        record(e);
    }
    void provideAttributeValueUpdate(RTI::ObjectHandle o, const RTI::AttributeHandleSet& set) override {
        Event e;
        e.kind = "provide";
        e.handle = o;
        for (RTI::ULong i = 0; i < set.size(); ++i) e.handles.insert(set.getHandle(i));
        record(e);
    }

    // Everything else must not arrive: recorded under its own name so that a test sees it.
    void synchronizationPointRegistrationSucceeded(const char*) override { other("synchronizationPointRegistrationSucceeded"); }
    void synchronizationPointRegistrationFailed(const char*) override { other("synchronizationPointRegistrationFailed"); }
    void announceSynchronizationPoint(const char*, const char*) override { other("announceSynchronizationPoint"); }
    void federationSynchronized(const char*) override { other("federationSynchronized"); }
    void initiateFederateSave(const char*) override { other("initiateFederateSave"); }
    void federationSaved() override { other("federationSaved"); }
    void federationNotSaved() override { other("federationNotSaved"); }
    void requestFederationRestoreSucceeded(const char*) override { other("requestFederationRestoreSucceeded"); }
    void requestFederationRestoreFailed(const char*, const char*) override { other("requestFederationRestoreFailed"); }
    void federationRestoreBegun() override { other("federationRestoreBegun"); }
    void initiateFederateRestore(const char*, RTI::FederateHandle) override { other("initiateFederateRestore"); }
    void federationRestored() override { other("federationRestored"); }
    void federationNotRestored() override { other("federationNotRestored"); }
    void startRegistrationForObjectClass(RTI::ObjectClassHandle) override {}
    void stopRegistrationForObjectClass(RTI::ObjectClassHandle) override {}
    void turnInteractionsOn(RTI::InteractionClassHandle) override {}
    void turnInteractionsOff(RTI::InteractionClassHandle) override {}
    void attributesInScope(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override { other("attributesInScope"); }
    void attributesOutOfScope(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override { other("attributesOutOfScope"); }
    void turnUpdatesOnForObjectInstance(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void turnUpdatesOffForObjectInstance(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void requestAttributeOwnershipAssumption(RTI::ObjectHandle, const RTI::AttributeHandleSet&, const char*) override {
        other("requestAttributeOwnershipAssumption");
    }
    void attributeOwnershipDivestitureNotification(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {
        other("attributeOwnershipDivestitureNotification");
    }
    void attributeOwnershipAcquisitionNotification(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {
        other("attributeOwnershipAcquisitionNotification");
    }
    void attributeOwnershipUnavailable(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {
        other("attributeOwnershipUnavailable");
    }
    void requestAttributeOwnershipRelease(RTI::ObjectHandle, const RTI::AttributeHandleSet&, const char*) override {
        other("requestAttributeOwnershipRelease");
    }
    void confirmAttributeOwnershipAcquisitionCancellation(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {
        other("confirmAttributeOwnershipAcquisitionCancellation");
    }
    void informAttributeOwnership(RTI::ObjectHandle, RTI::AttributeHandle, RTI::FederateHandle) override {
        other("informAttributeOwnership");
    }
    void attributeIsNotOwned(RTI::ObjectHandle, RTI::AttributeHandle) override { other("attributeIsNotOwned"); }
    void attributeOwnedByRTI(RTI::ObjectHandle, RTI::AttributeHandle) override { other("attributeOwnedByRTI"); }
    void timeRegulationEnabled(const RTI::FedTime&) override { other("timeRegulationEnabled"); }
    void timeConstrainedEnabled(const RTI::FedTime&) override { other("timeConstrainedEnabled"); }
    void timeAdvanceGrant(const RTI::FedTime&) override { other("timeAdvanceGrant"); }
    void requestRetraction(RTI::EventRetractionHandle) override { other("requestRetraction"); }

private:
    template <class Set>
    static std::map<RTI::Handle, std::string> valuesOf(const Set& set) {
        std::map<RTI::Handle, std::string> out;
        for (RTI::ULong i = 0; i < set.size(); ++i) {
            RTI::ULong len = 0;
            char* p = set.getValuePointer(i, len);
            out[set.getHandle(i)] = std::string(p, len);
        }
        return out;
    }
    void record(const Event& e) {
        events.push_back(e);
        if (onEvent) onEvent(*this, events.back());
    }
    void other(const char* name) {
        Event e;
        e.kind = name;
        record(e);
    }
};

// A federation execution private to one test: its name carries the test's
// name and the process id, so tests never meet even on a shared server.
inline std::string uniqueName(const char* what = "fx") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(what) + "-" + info->test_suite_name() + "." + info->name() + "-" + std::to_string(volax::test::processId());
}

// Makes the federate's earlier one-way requests, and the callbacks they and
// anything before them caused, visible: one request-reply round trip.
inline void sync(Fed& f) {
    f.rti.publishInteractionClass(f.rti.getInteractionClassHandle("InteractionRoot"));
}

// Ticks until `done` holds or a few seconds pass (a remote transport delivers
// asynchronously). Returns whether `done` holds.
inline bool tickUntil(Fed& f, const std::function<bool()>& done, double seconds = 5.0) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        f.rti.tick(0.05, 1.0);
    }
    return true;
}

// Lets every earlier request of the senders reach the receivers, then
// delivers everything queued for the receivers.
inline void settle(std::initializer_list<Fed*> senders, std::initializer_list<Fed*> receivers) {
    for (Fed* s : senders) sync(*s);
    for (Fed* r : receivers) {
        sync(*r);
        while (r->rti.tick()) {
        }
    }
}

// Writes a file in a fresh temporary folder; removed with the object.
class TempFile {
public:
    TempFile(const std::string& name, const std::string& content) {
        path_ = dir_.file(name);
        std::ofstream(path_) << content;
    }
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_.path(); }

private:
    volax::test::TempDir dir_{"volax-rti"};
    std::string path_;
};

// The FED file the build copies beside the test binary.
constexpr const char* kFed = "XP_Federation.fed";
constexpr const char* kAircraft = "ObjectRoot.BaseEntity.PhysicalEntity.Platform.Aircraft";

inline std::unique_ptr<RTI::AttributeHandleSet> handleSet(std::initializer_list<RTI::Handle> hs) {
    std::unique_ptr<RTI::AttributeHandleSet> s(RTI::AttributeHandleSetFactory::create(static_cast<RTI::ULong>(hs.size())));
    for (RTI::Handle h : hs) s->add(h);
    return s;
}

inline std::unique_ptr<RTI::AttributeHandleValuePairSet> attrValues(
    std::initializer_list<std::pair<RTI::Handle, std::string>> vs) {
    std::unique_ptr<RTI::AttributeHandleValuePairSet> s(RTI::AttributeSetFactory::create(static_cast<RTI::ULong>(vs.size())));
    for (const auto& v : vs) s->add(v.first, v.second.data(), static_cast<RTI::ULong>(v.second.size()));
    return s;
}

inline std::unique_ptr<RTI::ParameterHandleValuePairSet> paramValues(
    std::initializer_list<std::pair<RTI::Handle, std::string>> vs) {
    std::unique_ptr<RTI::ParameterHandleValuePairSet> s(RTI::ParameterSetFactory::create(static_cast<RTI::ULong>(vs.size())));
    for (const auto& v : vs) s->add(v.first, v.second.data(), static_cast<RTI::ULong>(v.second.size()));
    return s;
}

inline std::string reasonOf(const RTI::Exception& e) { return e._reason ? e._reason : ""; }

}  // namespace rtitests

#endif
