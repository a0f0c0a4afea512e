// The federation object model read from an HLA 1.3 FED file: the object and
// interaction class trees with their attributes and parameters, and the
// handles this RTI gives them.
//
// Handles are indexes in definition order, starting at 0: object classes
// (ObjectRoot = 0) and interaction classes (InteractionRoot = 0) each count
// separately; attributes count across the whole object tree and parameters
// across the whole interaction tree, so an inherited attribute has one handle
// in every subclass.
//
// Class names resolve as the full name ("ObjectRoot.BaseEntity.PhysicalEntity"),
// the name relative to the root ("BaseEntity.PhysicalEntity"), or the bare leaf
// name ("PhysicalEntity") when only one class has it. Names are case-sensitive;
// FED keywords are not.
#ifndef VOLAX_RTI_FOM_H
#define VOLAX_RTI_FOM_H

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace volax {
namespace rti {

enum class Transport : std::uint32_t { Reliable = 0, BestEffort = 1 };
enum class Order : std::uint32_t { Receive = 0, Timestamp = 1 };

struct FomAttribute {
    std::string name;
    std::uint32_t owner = 0;  // class that declares it
    Transport transport = Transport::Reliable;
    Order order = Order::Receive;
    std::string space;
};

struct FomParameter {
    std::string name;
    std::uint32_t owner = 0;  // interaction class that declares it
};

struct FomClass {
    std::string name;      // leaf name
    std::string fullName;  // "ObjectRoot.BaseEntity"
    std::int64_t parent = -1;
    std::vector<std::uint32_t> children;
    std::vector<std::uint32_t> own;  // attributes or parameters declared here
    // Interaction classes only.
    Transport transport = Transport::Reliable;
    Order order = Order::Receive;
    std::string space;
};

// Raised by Fom::parse; the text starts with "<source>:<line>: ".
class FomError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Fom {
public:
    // Parses FED text. `source` names it in error texts (a file name).
    static Fom parse(const std::string& text, const std::string& source);

    const std::string& federationName() const { return federation_; }
    const std::vector<FomClass>& objectClasses() const { return objectClasses_; }
    const std::vector<FomClass>& interactionClasses() const { return interactionClasses_; }
    const std::vector<FomAttribute>& attributes() const { return attributes_; }
    const std::vector<FomParameter>& parameters() const { return parameters_; }

    bool isObjectClass(std::uint32_t c) const { return c < objectClasses_.size(); }
    bool isInteractionClass(std::uint32_t c) const { return c < interactionClasses_.size(); }

    std::optional<std::uint32_t> objectClass(const std::string& name) const;
    std::optional<std::uint32_t> interactionClass(const std::string& name) const;
    // By name, declared by the class or inherited.
    std::optional<std::uint32_t> attribute(std::uint32_t objectClass, const std::string& name) const;
    std::optional<std::uint32_t> parameter(std::uint32_t interactionClass, const std::string& name) const;

    // Whether the class declares or inherits the attribute / parameter.
    bool classHasAttribute(std::uint32_t objectClass, std::uint32_t attribute) const;
    bool classHasParameter(std::uint32_t interactionClass, std::uint32_t parameter) const;

    // Whether `cls` is `ancestor` or one of its subclasses.
    bool isObjectSubclass(std::uint32_t cls, std::uint32_t ancestor) const;
    bool isInteractionSubclass(std::uint32_t cls, std::uint32_t ancestor) const;

private:
    std::string federation_;
    std::vector<FomClass> objectClasses_;
    std::vector<FomClass> interactionClasses_;
    std::vector<FomAttribute> attributes_;
    std::vector<FomParameter> parameters_;
    std::map<std::string, std::vector<std::uint32_t>> objectByLeaf_;
    std::map<std::string, std::vector<std::uint32_t>> interactionByLeaf_;
    std::map<std::string, std::uint32_t> objectByFull_;
    std::map<std::string, std::uint32_t> interactionByFull_;

    friend class FedParser;
};

}  // namespace rti
}  // namespace volax

#endif
