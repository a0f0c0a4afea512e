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

template <class Entries>
void upsert(Entries& entries, PairEntry e) {
    for (auto& x : entries)
        if (x.handle == e.handle) {
            x = std::move(e);
            return;
        }
    entries.push_back(std::move(e));
}

template <class Entries>
void eraseHandle(Entries& entries, RTI::Handle h) {
    entries.erase(std::remove_if(entries.begin(), entries.end(), [h](const PairEntry& e) { return e.handle == h; }),
                  entries.end());
}

void copyOut(const PairEntry& e, char* buff, RTI::ULong& valueLength) {
    valueLength = static_cast<RTI::ULong>(e.value.size());
    if (valueLength == 0) return;
    if (buff == nullptr) throw RTI::RTIinternalError("null buffer for getValue");
    std::memcpy(buff, e.value.data(), e.value.size());
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

// ---- AttributeValueSet

AttributeValueSet::AttributeValueSet(RTI::ULong capacity) { entries_.reserve(std::min(capacity, kMaxReserve)); }

const PairEntry& AttributeValueSet::at(RTI::ULong i) const {
    if (i >= entries_.size()) outOfRange(i, entries_.size());
    return entries_[i];
}

RTI::ULong AttributeValueSet::size() const { return static_cast<RTI::ULong>(entries_.size()); }
RTI::Handle AttributeValueSet::getHandle(RTI::ULong i) const { return at(i).handle; }
RTI::ULong AttributeValueSet::getValueLength(RTI::ULong i) const {
    return static_cast<RTI::ULong>(at(i).value.size());
}
void AttributeValueSet::getValue(RTI::ULong i, char* buff, RTI::ULong& valueLength) const {
    copyOut(at(i), buff, valueLength);
}
char* AttributeValueSet::getValuePointer(RTI::ULong i, RTI::ULong& valueLength) const {
    at(i);
    valueLength = static_cast<RTI::ULong>(entries_[i].value.size());
    return &entries_[i].value[0];
}
RTI::TransportType AttributeValueSet::getTransportType(RTI::ULong i) const { return at(i).transport; }
RTI::OrderType AttributeValueSet::getOrderType(RTI::ULong i) const { return at(i).order; }
RTI::Region* AttributeValueSet::getRegion(RTI::ULong i) const {
    at(i);
    return nullptr;
}
void AttributeValueSet::add(RTI::Handle h, const char* buff, RTI::ULong valueLength) {
    guardAlloc([&] { upsert(entries_, PairEntry{h, copyValue(buff, valueLength), 0, 0}); });
}
void AttributeValueSet::addReceived(RTI::Handle h, std::string value, RTI::TransportType t, RTI::OrderType o) {
    entries_.push_back(PairEntry{h, std::move(value), t, o});
}
void AttributeValueSet::remove(RTI::Handle h) { eraseHandle(entries_, h); }
void AttributeValueSet::moveFrom(const RTI::AttributeHandleValuePairSet& other, RTI::ULong& i) {
    RTI::ULong length = 0;
    char* p = other.getValuePointer(i, length);
    guardAlloc([&] {
        upsert(entries_, PairEntry{other.getHandle(i), copyValue(p, length), other.getTransportType(i),
                                   other.getOrderType(i)});
    });
    ++i;
}
void AttributeValueSet::empty() { entries_.clear(); }
RTI::ULong AttributeValueSet::start() const { return 0; }
RTI::ULong AttributeValueSet::valid(RTI::ULong i) const { return i < entries_.size() ? 1 : 0; }
RTI::ULong AttributeValueSet::next(RTI::ULong i) const { return i + 1; }

// ---- ParameterValueSet

ParameterValueSet::ParameterValueSet(RTI::ULong capacity) { entries_.reserve(std::min(capacity, kMaxReserve)); }

const PairEntry& ParameterValueSet::at(RTI::ULong i) const {
    if (i >= entries_.size()) outOfRange(i, entries_.size());
    return entries_[i];
}

RTI::ULong ParameterValueSet::size() const { return static_cast<RTI::ULong>(entries_.size()); }
RTI::Handle ParameterValueSet::getHandle(RTI::ULong i) const { return at(i).handle; }
RTI::ULong ParameterValueSet::getValueLength(RTI::ULong i) const {
    return static_cast<RTI::ULong>(at(i).value.size());
}
void ParameterValueSet::getValue(RTI::ULong i, char* buff, RTI::ULong& valueLength) const {
    copyOut(at(i), buff, valueLength);
}
char* ParameterValueSet::getValuePointer(RTI::ULong i, RTI::ULong& valueLength) const {
    at(i);
    valueLength = static_cast<RTI::ULong>(entries_[i].value.size());
    return &entries_[i].value[0];
}
RTI::TransportType ParameterValueSet::getTransportType() const { return transport_; }
RTI::OrderType ParameterValueSet::getOrderType() const { return order_; }
RTI::Region* ParameterValueSet::getRegion() const { return nullptr; }
void ParameterValueSet::add(RTI::Handle h, const char* buff, RTI::ULong valueLength) {
    guardAlloc([&] { upsert(entries_, PairEntry{h, copyValue(buff, valueLength), 0, 0}); });
}
void ParameterValueSet::addReceived(RTI::Handle h, std::string value) {
    entries_.push_back(PairEntry{h, std::move(value), transport_, order_});
}
void ParameterValueSet::remove(RTI::Handle h) { eraseHandle(entries_, h); }
void ParameterValueSet::moveFrom(const RTI::ParameterHandleValuePairSet& other, RTI::ULong& i) {
    RTI::ULong length = 0;
    char* p = other.getValuePointer(i, length);
    guardAlloc([&] { upsert(entries_, PairEntry{other.getHandle(i), copyValue(p, length), 0, 0}); });
    ++i;
}
void ParameterValueSet::empty() { entries_.clear(); }
RTI::ULong ParameterValueSet::start() const { return 0; }
RTI::ULong ParameterValueSet::valid(RTI::ULong i) const { return i < entries_.size() ? 1 : 0; }
RTI::ULong ParameterValueSet::next(RTI::ULong i) const { return i + 1; }

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
