#include "Sets.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace volax {
namespace rti {

namespace {

// A factory's count is a hint; a wild one must not reserve gigabytes.
constexpr RTI::ULong kMaxReserve = 1024;

[[noreturn]] void outOfRange(RTI::ULong i, std::size_t size) {
    std::string why = "index " + std::to_string(i) + " out of range (size " + std::to_string(size) + ")";
    throw RTI::ArrayIndexOutOfBounds(why.c_str());
}

std::string copyValue(const char* buff, RTI::ULong length) {
    if (length == 0) return std::string();
    if (buff == nullptr) throw RTI::RTIinternalError("null value buffer with a non-zero length");
    return std::string(buff, length);
}

// Growing a set may run out of memory; only RTI exceptions leave the library.
template <class F>
void guardAlloc(F&& f) {
    try {
        f();
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot grow the set");
    }
}

}  // namespace

// ---- AttributeValueSet, ParameterValueSet

template <class Base>
PairList<Base>::PairList(RTI::ULong capacity) {
    entries_.reserve(std::min(capacity, kMaxReserve));
}
template <class Base>
const PairEntry& PairList<Base>::at(RTI::ULong i) const {
    if (i >= entries_.size()) outOfRange(i, entries_.size());
    return entries_[i];
}
template <class Base>
void PairList<Base>::put(RTI::Handle h, const char* buff, RTI::ULong length, RTI::TransportType t,
                         RTI::OrderType o) {
    guardAlloc([&] {
        PairEntry e{h, copyValue(buff, length), t, o};
        for (auto& x : entries_)
            if (x.handle == h) {
                x = std::move(e);
                return;
            }
        entries_.push_back(std::move(e));
    });
}
template <class Base>
RTI::ULong PairList<Base>::size() const {
    return static_cast<RTI::ULong>(entries_.size());
}
template <class Base>
RTI::Handle PairList<Base>::getHandle(RTI::ULong i) const {
    return at(i).handle;
}
template <class Base>
RTI::ULong PairList<Base>::getValueLength(RTI::ULong i) const {
    return static_cast<RTI::ULong>(at(i).value.size());
}
template <class Base>
void PairList<Base>::getValue(RTI::ULong i, char* buff, RTI::ULong& valueLength) const {
    const PairEntry& e = at(i);
    valueLength = static_cast<RTI::ULong>(e.value.size());
    if (valueLength == 0) return;
    if (buff == nullptr) throw RTI::RTIinternalError("null buffer for getValue");
    std::memcpy(buff, e.value.data(), e.value.size());
}
template <class Base>
char* PairList<Base>::getValuePointer(RTI::ULong i, RTI::ULong& valueLength) const {
    at(i);
    valueLength = static_cast<RTI::ULong>(entries_[i].value.size());
    return &entries_[i].value[0];
}
template <class Base>
void PairList<Base>::add(RTI::Handle h, const char* buff, RTI::ULong valueLength) {
    put(h, buff, valueLength, 0, 0);
}
template <class Base>
void PairList<Base>::remove(RTI::Handle h) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [h](const PairEntry& e) { return e.handle == h; }),
                   entries_.end());
}
template <class Base>
void PairList<Base>::empty() {
    entries_.clear();
}
template <class Base>
RTI::ULong PairList<Base>::start() const {
    return 0;
}
template <class Base>
RTI::ULong PairList<Base>::valid(RTI::ULong i) const {
    return i < entries_.size() ? 1 : 0;
}
template <class Base>
RTI::ULong PairList<Base>::next(RTI::ULong i) const {
    return i + 1;
}

template class PairList<RTI::AttributeHandleValuePairSet>;
template class PairList<RTI::ParameterHandleValuePairSet>;

RTI::TransportType AttributeValueSet::getTransportType(RTI::ULong i) const { return at(i).transport; }
RTI::OrderType AttributeValueSet::getOrderType(RTI::ULong i) const { return at(i).order; }
RTI::Region* AttributeValueSet::getRegion(RTI::ULong i) const {
    at(i);
    return nullptr;
}
void AttributeValueSet::addReceived(RTI::Handle h, std::string value, RTI::TransportType t, RTI::OrderType o) {
    entries_.push_back(PairEntry{h, std::move(value), t, o});
}
void AttributeValueSet::moveFrom(const RTI::AttributeHandleValuePairSet& other, RTI::ULong& i) {
    RTI::ULong length = 0;
    char* p = other.getValuePointer(i, length);
    put(other.getHandle(i), p, length, other.getTransportType(i), other.getOrderType(i));
    ++i;
}

RTI::TransportType ParameterValueSet::getTransportType() const { return transport_; }
RTI::OrderType ParameterValueSet::getOrderType() const { return order_; }
RTI::Region* ParameterValueSet::getRegion() const { return nullptr; }
void ParameterValueSet::addReceived(RTI::Handle h, std::string value) {
    entries_.push_back(PairEntry{h, std::move(value), transport_, order_});
}
void ParameterValueSet::moveFrom(const RTI::ParameterHandleValuePairSet& other, RTI::ULong& i) {
    RTI::ULong length = 0;
    char* p = other.getValuePointer(i, length);
    put(other.getHandle(i), p, length, 0, 0);
    ++i;
}

// ---- HandleSet, FederateSet

template <class Base, class H>
HandleList<Base, H>::HandleList(RTI::ULong capacity) {
    handles_.reserve(std::min(capacity, kMaxReserve));
}
template <class Base, class H>
RTI::ULong HandleList<Base, H>::size() const {
    return static_cast<RTI::ULong>(handles_.size());
}
template <class Base, class H>
H HandleList<Base, H>::getHandle(RTI::ULong i) const {
    if (i >= handles_.size()) outOfRange(i, handles_.size());
    return handles_[i];
}
template <class Base, class H>
void HandleList<Base, H>::add(H h) {
    if (!isMember(h)) guardAlloc([&] { handles_.push_back(h); });
}
template <class Base, class H>
void HandleList<Base, H>::remove(H h) {
    handles_.erase(std::remove(handles_.begin(), handles_.end(), h), handles_.end());
}
template <class Base, class H>
void HandleList<Base, H>::empty() {
    handles_.clear();
}
template <class Base, class H>
RTI::Boolean HandleList<Base, H>::isMember(H h) const {
    return std::find(handles_.begin(), handles_.end(), h) != handles_.end() ? RTI::RTI_TRUE : RTI::RTI_FALSE;
}

template class HandleList<RTI::AttributeHandleSet, RTI::AttributeHandle>;
template class HandleList<RTI::FederateHandleSet, RTI::FederateHandle>;

RTI::Boolean HandleSet::isEmpty() const { return handles_.empty() ? RTI::RTI_TRUE : RTI::RTI_FALSE; }

}  // namespace rti
}  // namespace volax

// ---- factories

RTI::AttributeHandleValuePairSet* RTI::AttributeSetFactory::create(ULong count) {
    try {
        return new volax::rti::AttributeValueSet(count);
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate an attribute value set");
    }
}

RTI::AttributeHandleSet* RTI::AttributeHandleSetFactory::create(ULong count) {
    try {
        return new volax::rti::HandleSet(count);
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate an attribute handle set");
    }
}

RTI::FederateHandleSet* RTI::FederateHandleSetFactory::create(ULong count) {
    try {
        return new volax::rti::FederateSet(count);
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate a federate handle set");
    }
}

RTI::ParameterHandleValuePairSet* RTI::ParameterSetFactory::create(ULong count) {
    try {
        return new volax::rti::ParameterValueSet(count);
    } catch (const std::bad_alloc&) {
        throw RTI::MemoryExhausted("cannot allocate a parameter value set");
    }
}
