// The API's own pieces: exceptions, sets, time, tick and re-entrance, and
// (with our RTI) the fault-injection hooks.
#include "federate_support.h"

#include <sstream>
#include <stdexcept>

#ifdef VOLAX_OWN_RTI
#include <RTIfaultInjection.hh>
#endif

using namespace rtitests;

TEST(Exceptions, OwnTheirReasonAndPrintNameAndReason) {
    std::string reason = "class \"X\" not found";
    RTI::NameNotFound e(reason.c_str());
    reason.assign(reason.size(), '#');  // the thrower's buffer changes or dies
    EXPECT_STREQ(e._reason, "class \"X\" not found");
    EXPECT_STREQ(e._name, "NameNotFound");

    RTI::NameNotFound copy(e);
    RTI::NameNotFound assigned("other");
    assigned = e;
    EXPECT_STREQ(copy._reason, e._reason);
    EXPECT_STREQ(assigned._reason, e._reason);
    EXPECT_NE(copy._reason, e._reason) << "a copy owns its own text";

    std::ostringstream os;
    os << e;
    EXPECT_EQ(os.str(), "NameNotFound: class \"X\" not found");
    std::ostringstream op;
    op << static_cast<const RTI::Exception*>(&e);
    EXPECT_EQ(op.str(), os.str());

    RTI::RTIinternalError nul(nullptr);
    ASSERT_NE(nul._reason, nullptr);
    EXPECT_STREQ(nul._reason, "");
}

TEST(Sets, ValueSetsCopyAndBoundCheck) {
    std::unique_ptr<RTI::AttributeHandleValuePairSet> s(RTI::AttributeSetFactory::create(2));
    char buf[] = {'a', '\0', 'b'};
    s->add(0, buf, 3);
    buf[0] = 'z';  // the set holds its own copy
    s->add(5, nullptr, 0);
    s->add(0, "new", 3);  // the same handle replaces its value
    ASSERT_EQ(s->size(), 2u);
    RTI::ULong len = 99;
    char* p = s->getValuePointer(0, len);
    EXPECT_EQ(std::string(p, len), "new");
    EXPECT_EQ(s->getValueLength(1), 0u);
    char out[8];
    s->getValue(0, out, len);
    EXPECT_EQ(std::string(out, len), "new");
    EXPECT_THROW(s->getHandle(2), RTI::ArrayIndexOutOfBounds);
    EXPECT_THROW(s->getValuePointer(7, len), RTI::ArrayIndexOutOfBounds);
    EXPECT_THROW(s->add(1, nullptr, 4), RTI::RTIinternalError);

    std::unique_ptr<RTI::AttributeHandleValuePairSet> t(RTI::AttributeSetFactory::create(0));
    RTI::ULong i = s->start();
    while (s->valid(i)) t->moveFrom(*s, i);
    EXPECT_EQ(t->size(), 2u);
    t->remove(0);
    EXPECT_EQ(t->size(), 1u);
    EXPECT_EQ(t->getHandle(0), 5u);
    t->empty();
    EXPECT_EQ(t->size(), 0u);

    std::unique_ptr<RTI::ParameterHandleValuePairSet> ps(RTI::ParameterSetFactory::create(1));
    ps->add(3, "xyz", 3);
    EXPECT_EQ(ps->getValueLength(0), 3u);
    EXPECT_THROW(ps->getValueLength(1), RTI::ArrayIndexOutOfBounds);
    EXPECT_EQ(ps->getRegion(), nullptr);
}

TEST(Sets, HandleSetsHoldEachHandleOnce) {
    std::unique_ptr<RTI::AttributeHandleSet> s(RTI::AttributeHandleSetFactory::create(4));
    EXPECT_TRUE(s->isEmpty());
    s->add(0);
    s->add(7);
    s->add(0);
    EXPECT_EQ(s->size(), 2u);
    EXPECT_TRUE(s->isMember(0));
    EXPECT_FALSE(s->isMember(1));
    s->remove(0);
    EXPECT_EQ(s->getHandle(0), 7u);
    EXPECT_THROW(s->getHandle(1), RTI::ArrayIndexOutOfBounds);
    std::unique_ptr<RTI::FederateHandleSet> f(RTI::FederateHandleSetFactory::create(0));
    f->add(0);
    EXPECT_TRUE(f->isMember(0));
    // A wild capacity is only a hint.
    std::unique_ptr<RTI::AttributeHandleSet> big(RTI::AttributeHandleSetFactory::create(0xFFFFFFFFu));
    EXPECT_EQ(big->size(), 0u);
}

TEST(Time, FedTimeEncodesComparesAndPrints) {
    RTIfedTime t(2.5), u(1.0);
    EXPECT_TRUE(u < t);
    EXPECT_TRUE(t >= u);
    t -= u;
    EXPECT_DOUBLE_EQ(t.getTime(), 1.5);
    std::vector<char> buf(static_cast<std::size_t>(t.encodedLength()));
    t.encode(buf.data());
    std::unique_ptr<RTI::FedTime> back(RTI::FedTimeFactory::decode(buf.data()));
    EXPECT_TRUE(*back == t);
    std::unique_ptr<RTI::FedTime> zero(RTI::FedTimeFactory::makeZero());
    EXPECT_TRUE(zero->isZero());
    zero->setPositiveInfinity();
    EXPECT_TRUE(zero->isPositiveInfinity());
    std::vector<char> text(static_cast<std::size_t>(u.getPrintableLength()));
    u.getPrintableString(text.data());
    EXPECT_STREQ(text.data(), "1");
}

namespace {

class Pair : public ::testing::Test {
protected:
    void SetUp() override {
        fx = uniqueName();
        a.rti.createFederationExecution(fx.c_str(), kFed);
        a.rti.joinFederationExecution("a", fx.c_str(), &a);
        b.rti.joinFederationExecution("b", fx.c_str(), &b);
        md = a.rti.getInteractionClassHandle("MunitionDetonation");
        a.rti.publishInteractionClass(md);
        b.rti.subscribeInteractionClass(md);
    }
    void TearDown() override {
        a.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        b.rti.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        a.rti.destroyFederationExecution(fx.c_str());
    }
    void sendSome(int n) {
        for (int i = 0; i < n; ++i) a.rti.sendInteraction(md, *paramValues({}), std::to_string(i).c_str());
        sync(a);
        sync(b);
    }
    std::string fx;
    Fed a, b;
    RTI::InteractionClassHandle md = 0;
};

}  // namespace

TEST_F(Pair, CallbacksArriveOnlyInsideTick) {
    sendSome(3);
    EXPECT_TRUE(b.events.empty());
    EXPECT_EQ(b.rti.tick(), RTI::RTI_FALSE);  // all three delivered, nothing left
    ASSERT_EQ(b.events.size(), 3u);
    EXPECT_EQ(b.events[2].tag, "2");
    EXPECT_EQ(b.rti.tick(), RTI::RTI_FALSE);
    EXPECT_EQ(b.rti.tick(0.0, 0.0), RTI::RTI_FALSE);

    sendSome(1);
    EXPECT_EQ(b.rti.tick(0.5, 1.0), RTI::RTI_FALSE);
    EXPECT_EQ(b.events.size(), 4u);
}

TEST_F(Pair, AnyServiceFromACallbackIsRefused) {
    std::vector<std::string> refused;
    b.onEvent = [&](Fed& f, const Event&) {
        try {
            f.rti.getInteractionClassHandle("MunitionDetonation");
        } catch (const RTI::ConcurrentAccessAttempted& e) {
            refused.push_back(reasonOf(e));
        }
        try {
            f.rti.tick();
        } catch (const RTI::ConcurrentAccessAttempted& e) {
            refused.push_back(reasonOf(e));
        }
        try {
            f.rti.resignFederationExecution(RTI::NO_ACTION);
        } catch (const RTI::ConcurrentAccessAttempted& e) {
            refused.push_back(reasonOf(e));
        }
    };
    sendSome(1);
    b.rti.tick();
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0], "Calling ambassador from callback!");
    // After the callback the ambassador works again (and is still joined).
    b.onEvent = nullptr;
    EXPECT_NO_THROW(b.rti.getInteractionClassHandle("MunitionDetonation"));
}

TEST_F(Pair, CallbackExceptionsEndTheTickButLoseNothing) {
    int calls = 0;
    b.onEvent = [&](Fed&, const Event&) {
        if (++calls == 1) throw std::runtime_error("federate bug");
    };
    sendSome(3);
    EXPECT_THROW(b.rti.tick(), RTI::FederateInternalError);
    EXPECT_EQ(b.events.size(), 1u);
    b.onEvent = [&](Fed&, const Event&) { throw RTI::FederateInternalError("its own"); };
    EXPECT_THROW(b.rti.tick(), RTI::FederateInternalError);
    b.onEvent = nullptr;
    b.rti.tick();
    EXPECT_EQ(b.events.size(), 3u) << "the callbacks behind the failing one stay queued";
}

#ifdef VOLAX_OWN_RTI
TEST_F(Pair, InjectedFaultsHitTheNamedServiceOnce) {
    rtitest::clearFaults();
    rtitest::failNextCall<RTI::NameNotFound>("getInteractionClassHandle", "injected");
    rtitest::failNextCall<std::runtime_error>("tick", "boom");
    EXPECT_EQ(rtitest::pendingFaults(), 2);

    EXPECT_NO_THROW(a.rti.getObjectClassHandle("Aircraft"));  // another service: untouched
    try {
        a.rti.getInteractionClassHandle("MunitionDetonation");
        FAIL() << "no injected fault";
    } catch (const RTI::NameNotFound& e) {
        EXPECT_EQ(reasonOf(e), "injected");
    }
    EXPECT_NO_THROW(a.rti.getInteractionClassHandle("MunitionDetonation"));
    // Non-RTI exceptions are passed through as they are, so that a federate's
    // catch-all handler can be exercised.
    EXPECT_THROW(b.rti.tick(), std::runtime_error);
    EXPECT_EQ(rtitest::pendingFaults(), 0);

    // An empty service name matches the next call of any service, in queue order.
    rtitest::failNextCall<RTI::RTIinternalError>(nullptr, "first");
    rtitest::failNextCall<RTI::RTIinternalError>("", "second");
    try {
        b.rti.tick(0.0, 0.0);
    } catch (const RTI::RTIinternalError& e) {
        EXPECT_EQ(reasonOf(e), "first");
    }
    rtitest::clearFaults();
    EXPECT_EQ(rtitest::pendingFaults(), 0);
    EXPECT_NO_THROW(b.rti.tick());

    // The join itself can be made to fail, and then nothing is joined.
    Fed c;
    rtitest::failNextCall<RTI::FederationExecutionDoesNotExist>("joinFederationExecution", "injected");
    EXPECT_THROW(c.rti.joinFederationExecution("c", fx.c_str(), &c), RTI::FederationExecutionDoesNotExist);
    EXPECT_THROW(c.rti.getObjectClassHandle("Aircraft"), RTI::FederateNotExecutionMember);
}
#endif
