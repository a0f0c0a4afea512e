// Shared pieces of the TCP fault tests: a small FED file, a recording federate
// ambassador, and bounded tick loops.
#ifndef VOLAX_TESTS_RTI_TCP_FEDERATEFIXTURE_H
#define VOLAX_TESTS_RTI_TCP_FEDERATEFIXTURE_H

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <filesystem>
#include <vector>

#include <RTI.hh>

#include "TestPlatform.h"

namespace rtitcp {

inline const char* kTestFed = R"((FED
  (Federation TcpTest)
  (FEDversion v1.3)
  (spaces)
  (objects
    (class ObjectRoot
      (attribute privilegeToDelete reliable timestamp)
      (class RTIprivate)
      (class Aircraft
        (attribute Spatial best_effort receive)
        (attribute Seq reliable receive))))
  (interactions
    (class InteractionRoot reliable timestamp
      (class RTIprivate reliable timestamp)
      (class Echo reliable receive
        (parameter Seq)))))
)";

// `name` in the system's temporary folder.
inline std::string tempPath(const std::string& name) {
    return std::filesystem::temp_directory_path().generic_string() + "/" + name;
}

// Writes kTestFed once per process and returns its absolute path.
inline std::string testFedPath() {
    static std::string path = [] {
        std::string p = tempPath("volax-tcp-test-") + std::to_string(volax::test::processId()) + ".fed";
        std::ofstream(p) << kTestFed;
        return p;
    }();
    return path;
}

inline std::string uniqueName(const char* base) {
    static int n = 0;
    return std::string(base) + "-" + std::to_string(volax::test::processId()) + "-" + std::to_string(++n);
}

class Recorder : public RTI::FederateAmbassador {
public:
    std::set<RTI::ObjectHandle> discovered;
    std::set<RTI::ObjectHandle> removed;
    std::vector<std::uint32_t> seqs;  // Seq values reflected, in arrival order
    std::vector<std::uint32_t> echoes;
    RTI::AttributeHandle seqAttr = 0;
    RTI::ParameterHandle seqParam = 0;

    void discoverObjectInstance(RTI::ObjectHandle o, RTI::ObjectClassHandle, const char*) override {
        discovered.insert(o);
    }
    void reflectAttributeValues(RTI::ObjectHandle, const RTI::AttributeHandleValuePairSet& set,
                                const char*) override {
        appendSeq(set, seqAttr, seqs);
    }
    void reflectAttributeValues(RTI::ObjectHandle o, const RTI::AttributeHandleValuePairSet& set,
                                const RTI::FedTime&, const char* tag, RTI::EventRetractionHandle) override {
        reflectAttributeValues(o, set, tag);
    }
    void receiveInteraction(RTI::InteractionClassHandle, const RTI::ParameterHandleValuePairSet& set,
                            const char*) override {
        appendSeq(set, seqParam, echoes);
    }
    void receiveInteraction(RTI::InteractionClassHandle c, const RTI::ParameterHandleValuePairSet& set,
                            const RTI::FedTime&, const char* tag, RTI::EventRetractionHandle) override {
        receiveInteraction(c, set, tag);
    }
    void removeObjectInstance(RTI::ObjectHandle o, const char*) override { removed.insert(o); }
    void removeObjectInstance(RTI::ObjectHandle o, const RTI::FedTime&, const char* tag,
                              RTI::EventRetractionHandle) override {
        removeObjectInstance(o, tag);
    }

    // Every other callback: nothing to record.
    void synchronizationPointRegistrationSucceeded(const char*) override {}
    void synchronizationPointRegistrationFailed(const char*) override {}
    void announceSynchronizationPoint(const char*, const char*) override {}
    void federationSynchronized(const char*) override {}
    void initiateFederateSave(const char*) override {}
    void federationSaved() override {}
    void federationNotSaved() override {}
    void requestFederationRestoreSucceeded(const char*) override {}
    void requestFederationRestoreFailed(const char*, const char*) override {}
    void federationRestoreBegun() override {}
    void initiateFederateRestore(const char*, RTI::FederateHandle) override {}
    void federationRestored() override {}
    void federationNotRestored() override {}
    void startRegistrationForObjectClass(RTI::ObjectClassHandle) override {}
    void stopRegistrationForObjectClass(RTI::ObjectClassHandle) override {}
    void turnInteractionsOn(RTI::InteractionClassHandle) override {}
    void turnInteractionsOff(RTI::InteractionClassHandle) override {}
    void attributesInScope(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void attributesOutOfScope(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void provideAttributeValueUpdate(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void turnUpdatesOnForObjectInstance(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void turnUpdatesOffForObjectInstance(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void requestAttributeOwnershipAssumption(RTI::ObjectHandle, const RTI::AttributeHandleSet&, const char*) override {}
    void attributeOwnershipDivestitureNotification(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void attributeOwnershipAcquisitionNotification(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void attributeOwnershipUnavailable(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void requestAttributeOwnershipRelease(RTI::ObjectHandle, const RTI::AttributeHandleSet&, const char*) override {}
    void confirmAttributeOwnershipAcquisitionCancellation(RTI::ObjectHandle, const RTI::AttributeHandleSet&) override {}
    void informAttributeOwnership(RTI::ObjectHandle, RTI::AttributeHandle, RTI::FederateHandle) override {}
    void attributeIsNotOwned(RTI::ObjectHandle, RTI::AttributeHandle) override {}
    void attributeOwnedByRTI(RTI::ObjectHandle, RTI::AttributeHandle) override {}
    void timeRegulationEnabled(const RTI::FedTime&) override {}
    void timeConstrainedEnabled(const RTI::FedTime&) override {}
    void timeAdvanceGrant(const RTI::FedTime&) override {}
    void requestRetraction(RTI::EventRetractionHandle) override {}

private:
    // The 4-byte sequence number under `handle`, if the set carries one (0 when malformed).
    template <class Set>
    static void appendSeq(const Set& set, RTI::Handle handle, std::vector<std::uint32_t>& out) {
        for (RTI::ULong i = 0; i < set.size(); ++i) {
            if (set.getHandle(i) != handle) continue;
            RTI::ULong len = 0;
            const char* p = set.getValuePointer(i, len);
            std::uint32_t v = 0;
            if (len == 4) std::memcpy(&v, p, 4);
            out.push_back(v);
        }
    }
};

// Ticks until `done` holds or `seconds` pass; true when it holds.
inline bool tickUntil(RTI::RTIambassador& amb, const std::function<bool()>& done, double seconds = 5.0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        amb.tick(0.01, 0.05);
    }
    return true;
}

// Handles of the test FOM, looked up once joined.
struct Handles {
    RTI::ObjectClassHandle aircraft = 0;
    RTI::AttributeHandle spatial = 0, seq = 0;
    RTI::InteractionClassHandle echo = 0;
    RTI::ParameterHandle echoSeq = 0;

    void lookUp(RTI::RTIambassador& amb) {
        aircraft = amb.getObjectClassHandle("ObjectRoot.Aircraft");
        spatial = amb.getAttributeHandle("Spatial", aircraft);
        seq = amb.getAttributeHandle("Seq", aircraft);
        echo = amb.getInteractionClassHandle("InteractionRoot.Echo");
        echoSeq = amb.getParameterHandle("Seq", echo);
    }
    void publishAircraft(RTI::RTIambassador& amb) const {
        std::unique_ptr<RTI::AttributeHandleSet> s(RTI::AttributeHandleSetFactory::create(2));
        s->add(spatial);
        s->add(seq);
        amb.publishObjectClass(aircraft, *s);
    }
    void subscribeAircraft(RTI::RTIambassador& amb) const {
        std::unique_ptr<RTI::AttributeHandleSet> s(RTI::AttributeHandleSetFactory::create(2));
        s->add(spatial);
        s->add(seq);
        amb.subscribeObjectClassAttributes(aircraft, *s, RTI::RTI_TRUE);
    }
    // One update: an 88-byte Spatial and the 4-byte sequence number.
    void update(RTI::RTIambassador& amb, RTI::ObjectHandle o, std::uint32_t n) const {
        static const char spatialBytes[88] = {};
        std::unique_ptr<RTI::AttributeHandleValuePairSet> s(RTI::AttributeSetFactory::create(2));
        s->add(spatial, spatialBytes, sizeof spatialBytes);
        s->add(seq, reinterpret_cast<const char*>(&n), 4);
        amb.updateAttributeValues(o, *s, "sometag");
    }
    void sendEcho(RTI::RTIambassador& amb, std::uint32_t n) const {
        std::unique_ptr<RTI::ParameterHandleValuePairSet> s(RTI::ParameterSetFactory::create(1));
        s->add(echoSeq, reinterpret_cast<const char*>(&n), 4);
        amb.sendInteraction(echo, *s, "sometag");
    }
};

// A publisher and a subscriber of the test aircraft in a new execution, created
// from a FED text padded to `fedBytes` (large enough, it travels in pieces);
// `plane` is the publisher's registered instance.
struct PubSub {
    RTI::RTIambassador pub, sub;
    Recorder prec, srec;
    Handles ph, sh;
    RTI::ObjectHandle plane = 0;

    void start(const std::string& federation, const std::string& fedPath, std::size_t fedBytes) {
        std::ofstream(fedPath) << std::string(fedBytes, ' ') << kTestFed;
        pub.createFederationExecution(federation.c_str(), fedPath.c_str());
        pub.joinFederationExecution("pub", federation.c_str(), &prec);
        sub.joinFederationExecution("sub", federation.c_str(), &srec);
        ph.lookUp(pub);
        sh.lookUp(sub);
        srec.seqAttr = sh.seq;
        ph.publishAircraft(pub);
        sh.subscribeAircraft(sub);
        plane = pub.registerObjectInstance(ph.aircraft, "plane");
    }
    void resignBoth() {
        sub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    }
};

}  // namespace rtitcp

#endif
