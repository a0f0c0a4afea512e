// The concrete handle and handle-value sets behind the API's abstract ones.
#ifndef VOLAX_RTI_SETS_H
#define VOLAX_RTI_SETS_H

#include <RTI.hh>

#include <string>
#include <vector>

namespace volax {
namespace rti {

// One handle-value pair; the value is owned by the set.
struct PairEntry {
    RTI::Handle handle;
    std::string value;
    RTI::TransportType transport;
    RTI::OrderType order;
};

// What the attribute and parameter value sets have in common: pairs in the
// order added, one per handle (adding a handle again replaces its value).
template <class Base>
class PairList : public Base {
public:
    explicit PairList(RTI::ULong capacity);
    RTI::ULong size() const override;
    RTI::Handle getHandle(RTI::ULong i) const override;
    RTI::ULong getValueLength(RTI::ULong i) const override;
    void getValue(RTI::ULong i, char* buff, RTI::ULong& valueLength) const override;
    char* getValuePointer(RTI::ULong i, RTI::ULong& valueLength) const override;
    void add(RTI::Handle h, const char* buff, RTI::ULong valueLength) override;
    void remove(RTI::Handle h) override;
    void empty() override;
    RTI::ULong start() const override;
    RTI::ULong valid(RTI::ULong i) const override;
    RTI::ULong next(RTI::ULong i) const override;

protected:
    const PairEntry& at(RTI::ULong i) const;
    // Adds a copy of the value, or replaces the one the handle has.
    void put(RTI::Handle h, const char* buff, RTI::ULong length, RTI::TransportType t, RTI::OrderType o);
    mutable std::vector<PairEntry> entries_;
};

class AttributeValueSet : public PairList<RTI::AttributeHandleValuePairSet> {
public:
    using PairList::PairList;
    RTI::TransportType getTransportType(RTI::ULong i) const override;
    RTI::OrderType getOrderType(RTI::ULong i) const override;
    RTI::Region* getRegion(RTI::ULong i) const override;
    void moveFrom(const RTI::AttributeHandleValuePairSet& ahvps, RTI::ULong& i) override;

    // Adds a value received from the executive, with the FOM's transport and order.
    void addReceived(RTI::Handle h, std::string value, RTI::TransportType t, RTI::OrderType o);
};

class ParameterValueSet : public PairList<RTI::ParameterHandleValuePairSet> {
public:
    using PairList::PairList;
    RTI::TransportType getTransportType() const override;
    RTI::OrderType getOrderType() const override;
    RTI::Region* getRegion() const override;
    void moveFrom(const RTI::ParameterHandleValuePairSet& phvps, RTI::ULong& i) override;

    void addReceived(RTI::Handle h, std::string value);
    void setDelivery(RTI::TransportType t, RTI::OrderType o) {
        transport_ = t;
        order_ = o;
    }

private:
    RTI::TransportType transport_ = 0;
    RTI::OrderType order_ = 0;
};

// Each handle once, in the order added; shared by the two handle-set kinds.
template <class Base, class H>
class HandleList : public Base {
public:
    explicit HandleList(RTI::ULong capacity);
    RTI::ULong size() const override;
    H getHandle(RTI::ULong i) const override;
    void add(H h) override;
    void remove(H h) override;
    void empty() override;
    RTI::Boolean isMember(H h) const override;

protected:
    std::vector<H> handles_;
};

class HandleSet : public HandleList<RTI::AttributeHandleSet, RTI::AttributeHandle> {
public:
    using HandleList::HandleList;
    RTI::Boolean isEmpty() const override;
};

using FederateSet = HandleList<RTI::FederateHandleSet, RTI::FederateHandle>;

}  // namespace rti
}  // namespace volax

#endif
