// The manager's join/resign paths against the embedded RTI, its handlers (with the
// RTI's fault injection) and its registries.
#include <gtest/gtest.h>

#include <RTIfaultInjection.hh>

#include "FrameworkTestSupport.h"

namespace {

class ManagerTest : public ::testing::Test {
protected:
    void TearDown() override {
        rtitest::clearFaults();
        manager().resignFederation();
        EXPECT_FALSE(manager().isJoined());
    }
};

}  // namespace

TEST_F(ManagerTest, JoinWithoutFedFileNeedsAnExistingExecution) {
    LogCapture log;
    const std::string fed = uniqueFederation("NoSuchFederation");
    EXPECT_FALSE(manager().joinFederation("volax", fed.c_str(), nullptr));
    EXPECT_FALSE(manager().isJoined());
    EXPECT_EQ(manager().getFederateName(), "");
    EXPECT_EQ(manager().getFederationName(), "");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("QVHLAManager::joinFederation() : ", 0), 0u);
}

TEST_F(ManagerTest, CreatesJoinsResignsAndDestroys) {
    LogCapture log;
    const std::string fed = uniqueFederation("Own");
    ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
    EXPECT_TRUE(manager().isJoined());
    EXPECT_TRUE(manager().isFederationCreated());
    EXPECT_EQ(manager().getFederateName(), "volax");
    EXPECT_EQ(manager().getFederationName(), fed);

    // A second join is a no-op: the queued fault stays unconsumed.
    rtitest::failNextCall<RTI::RTIinternalError>("joinFederationExecution", "must not be called");
    EXPECT_TRUE(manager().joinFederation("other", "other", nullptr));
    EXPECT_EQ(rtitest::pendingFaults(), 1);
    rtitest::clearFaults();

    EXPECT_TRUE(manager().resignFederation());
    EXPECT_FALSE(manager().isJoined());
    EXPECT_FALSE(manager().isFederationCreated());
    EXPECT_EQ(manager().getFederateName(), "");
    EXPECT_TRUE(log.lines().empty());

    // Resigning again makes no RTI call.
    rtitest::failNextCall<RTI::RTIinternalError>("resignFederationExecution", "must not be called");
    EXPECT_TRUE(manager().resignFederation());
    EXPECT_EQ(rtitest::pendingFaults(), 1);
    rtitest::clearFaults();

    // The execution is gone: creating it again succeeds.
    RawFederate raw;
    EXPECT_NO_THROW(raw.rti.createFederationExecution(fed.c_str(), VOLAX_TEST_FED));
    raw.rti.destroyFederationExecution(fed.c_str());
}

TEST_F(ManagerTest, JoinsAnExistingExecutionAndLeavesItToItsCreator) {
    const std::string fed = uniqueFederation("Theirs");
    RawFederate raw;
    raw.rti.createFederationExecution(fed.c_str(), VOLAX_TEST_FED);
    {
        LogCapture log;
        ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
        EXPECT_FALSE(manager().isFederationCreated());
        ASSERT_EQ(log.lines().size(), 1u);  // the refused create
        EXPECT_EQ(log.lines()[0].rfind("QVHLAManager::joinFederation() : ", 0), 0u);
        EXPECT_TRUE(manager().resignFederation());
        EXPECT_EQ(log.lines().size(), 1u);
    }
    EXPECT_NO_THROW(raw.rti.destroyFederationExecution(fed.c_str()));
}

TEST_F(ManagerTest, ResignSucceedsWhileOthersKeepTheExecution) {
    const std::string fed = uniqueFederation("Shared");
    ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
    RawFederate raw;
    raw.join(fed.c_str());
    LogCapture log;
    EXPECT_TRUE(manager().resignFederation());
    EXPECT_FALSE(manager().isJoined());
    ASSERT_EQ(log.lines().size(), 1u);  // the refused destroy
    EXPECT_EQ(log.lines()[0].rfind("QVHLAManager::resignFederation() : ", 0), 0u);
    raw.resign();
    EXPECT_NO_THROW(raw.rti.destroyFederationExecution(fed.c_str()));
}

TEST_F(ManagerTest, FailedJoinDestroysTheExecutionItCreated) {
    const std::string fed = uniqueFederation("Failed");
    LogCapture log;
    rtitest::failNextCall<RTI::RTIinternalError>("joinFederationExecution", "join refused");
    EXPECT_FALSE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
    EXPECT_FALSE(manager().isJoined());
    EXPECT_FALSE(manager().isFederationCreated());
    EXPECT_EQ(manager().getFederationName(), "");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLAManager::joinFederation() : join refused"});
    RawFederate raw;
    EXPECT_NO_THROW(raw.rti.createFederationExecution(fed.c_str(), VOLAX_TEST_FED));

    // Other exceptions are reported without a reason; the clean-up destroy is logged too.
    log.clear();
    const std::string fed2 = uniqueFederation("Failed");
    rtitest::failNextCall<std::runtime_error>("joinFederationExecution", "x");
    rtitest::failNextCall<RTI::RTIinternalError>("destroyFederationExecution", "destroy refused");
    EXPECT_FALSE(manager().joinFederation("volax", fed2.c_str(), VOLAX_TEST_FED));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAManager::joinFederation() : Unknown exception",
                                                     "QVHLAManager::joinFederation() : destroy refused"}));
    raw.rti.destroyFederationExecution(fed.c_str());
    raw.rti.destroyFederationExecution(fed2.c_str());
}

TEST_F(ManagerTest, FailedResignKeepsTheFederateJoinedAndDestroysNothingLater) {
    const std::string fed = uniqueFederation("Sticky");
    ASSERT_TRUE(manager().joinFederation("volax", fed.c_str(), VOLAX_TEST_FED));
    LogCapture log;
    rtitest::failNextCall<RTI::RTIinternalError>("resignFederationExecution", "resign refused");
    EXPECT_FALSE(manager().resignFederation());
    EXPECT_TRUE(manager().isJoined());
    EXPECT_EQ(manager().getFederateName(), "volax");
    EXPECT_EQ(manager().getFederationName(), "");
    EXPECT_FALSE(manager().isFederationCreated());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLAManager::resignFederation() : resign refused"});

    rtitest::failNextCall<std::runtime_error>("resignFederationExecution", "x");
    EXPECT_FALSE(manager().resignFederation());
    EXPECT_EQ(log.lines().back(), "QVHLAManager::resignFederation() : Unknown exception");

    EXPECT_TRUE(manager().resignFederation());
    RawFederate raw;
    EXPECT_THROW(raw.rti.createFederationExecution(fed.c_str(), VOLAX_TEST_FED),
                 RTI::FederationExecutionAlreadyExists);
    raw.rti.destroyFederationExecution(fed.c_str());
}

TEST_F(ManagerTest, TickLogsRtiFailuresAndUpdatesLocalObjectsInHandleOrder) {
    LogCapture log;
    rtitest::failNextCall<RTI::RTIinternalError>("tick", "tick refused");
    manager().tick();
    rtitest::failNextCall<std::runtime_error>("tick", "x");
    manager().tick();
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAManager::tick() : tick refused",
                                                     "QVHLAManager::tick() : Unknown exception"}));

    OrderObject a(5), b(1), c(3);
    manager().addLocalObject(&a);
    manager().addLocalObject(&b);
    manager().addLocalObject(&c);
    // An update that withdraws a later object must not break the walk.
    b.onUpdate = [&] { manager().removeLocalObject(3); };
    OrderObject::updates.clear();
    manager().tick();
    EXPECT_EQ(OrderObject::updates, (std::vector<RTI::ObjectHandle>{1, 5}));

    // A derived update that throws is contained; the others and the RTI tick still run.
    log.clear();
    manager().addLocalObject(&c);
    b.onUpdate = nullptr;
    c.onUpdate = [] { throw std::runtime_error("derived"); };
    a.onUpdate = [] { throw RTI::AttributeNotOwned("Spatial is not ours"); };
    rtitest::failNextCall<RTI::RTIinternalError>("tick", "reached");
    OrderObject::updates.clear();
    manager().tick();
    EXPECT_EQ(OrderObject::updates, (std::vector<RTI::ObjectHandle>{1, 3, 5}));
    // An RTI exception from application code says which one it was.
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"QVHLAManager::tick() : Unknown exception",
                                                     "QVHLAManager::tick() : AttributeNotOwned: Spatial is not ours",
                                                     "QVHLAManager::tick() : reached"}));
    for (RTI::ObjectHandle h : {1, 3, 5}) manager().removeLocalObject(h);
    EXPECT_TRUE(manager().getLocalObjects().empty());
}

TEST_F(ManagerTest, RegistriesPreferRemoteObjectsAndOwnInteractionsAndTemplates) {
    OrderObject local(42);
    manager().addLocalObject(&local);
    EXPECT_EQ(manager().findObject(42), &local);

    LogCapture log;
    EXPECT_EQ(manager().newRemoteObject(4000, 42, "x"), nullptr);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLAManager::newRemoteObject : Couldn't find template object class 4000"});

    const int aliveBefore = TestAircraft::alive;
    TestAircraft* firstTemplate = new TestAircraft();
    EXPECT_TRUE(manager().registerObjectTemplate(4000, firstTemplate));
    EXPECT_FALSE(manager().registerObjectTemplate(4001, firstTemplate));  // one class per template
    TestAircraft* secondTemplate = new TestAircraft();
    EXPECT_TRUE(manager().registerObjectTemplate(4000, secondTemplate));  // deletes the first
    EXPECT_EQ(TestAircraft::alive, aliveBefore + 1);

    log.clear();
    QVHLARootObject* remote = manager().newRemoteObject(4000, 42, "Peer1");
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLAManager::newRemoteObject : Inserting object in map"});
    EXPECT_TRUE(remote->remote);
    EXPECT_FALSE(remote->registered);
    EXPECT_EQ(remote->instanceHandle, 42u);
    EXPECT_EQ(remote->instanceName, "Peer1");
    EXPECT_NE(dynamic_cast<TestAircraft*>(remote), nullptr);
    EXPECT_EQ(manager().findObject(42), remote);
    EXPECT_EQ(manager().findLocalObject(42), &local);
    log.clear();
    EXPECT_FALSE(remote->registerObjectInstance("Mine"));  // a peer's instance stays the peer's
    EXPECT_EQ(log.lines(), std::vector<std::string>{"QVHLARootObject::registerObjectInstance : Remote object cannot be registered"});
    EXPECT_FALSE(manager().registerObjectTemplate(4001, remote));

    // A second discovery under the same handle replaces the registry's object without losing it.
    QVHLARootObject* again = manager().newRemoteObject(4000, 42, "Peer1b");
    EXPECT_EQ(manager().findRemoteObject(42), again);
    EXPECT_EQ(TestAircraft::alive, aliveBefore + 2);
    delete again;  // erases its own entry
    EXPECT_EQ(manager().findObject(42), &local);
    manager().removeLocalObject(42);
    EXPECT_EQ(manager().findObject(42), nullptr);
    EXPECT_TRUE(manager().registerObjectTemplate(4000, nullptr));
    EXPECT_EQ(TestAircraft::alive, aliveBefore);

    CountingInteraction::deleted = 0;
    CountingInteraction* first = new CountingInteraction(3000);
    manager().registerInteraction(first);
    manager().registerInteraction(new CountingInteraction(3000));
    EXPECT_EQ(CountingInteraction::deleted, 1);
    std::unique_ptr<RTI::ParameterHandleValuePairSet> set(RTI::ParameterSetFactory::create(1));
    log.clear();
    manager().dispatchInteraction(3000, *set, "t");
    manager().dispatchInteraction(3001, *set, "t");  // nobody: dropped silently
    EXPECT_EQ(static_cast<CountingInteraction*>(manager().findInteraction(3000))->received, 1);
    EXPECT_TRUE(log.lines().empty());
    manager().removeInteraction(3000);
    EXPECT_EQ(CountingInteraction::deleted, 2);
}
