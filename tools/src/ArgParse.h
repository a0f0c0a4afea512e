#ifndef VOLAX_TOOLS_ARGPARSE_H
#define VOLAX_TOOLS_ARGPARSE_H

// Strict parsing of the command-line values of volax-fed: every function
// rejects trailing text, empty fields and out-of-range numbers, and says why.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "RPRValues.h"

namespace volaxfed {

constexpr uint16_t kWildcard = 65535;

// "SITE:APP:ENTITY"; each field a number 0..65535 or '*' (= 65535).
bool parseEntityAddress(const std::string& text, EntityIdentifier* out, std::string* error);

// "KIND:DOMAIN:COUNTRY:CATEGORY:SUBCATEGORY:SPECIFIC:EXTRA"; COUNTRY 0..65535, the rest 0..255.
bool parseEntityType(const std::string& text, EntityType* out, std::string* error);

// "X,Y,Z": three finite decimal numbers.
bool parseTriple(const std::string& text, double out[3], std::string* error);

// A whole number in [min, max].
bool parseUnsigned(const std::string& text, uint64_t min, uint64_t max, uint64_t* out, std::string* error);

// A finite decimal number in [min, max].
bool parseNumber(const std::string& text, double min, double max, double* out, std::string* error);

// Command-line options of one subcommand. Options are "--name VALUE",
// "--name=VALUE" or, for flags, "--name".
class Options {
public:
    // `withValue` and `flags` list the accepted option names without "--".
    Options(std::vector<std::string> withValue, std::vector<std::string> flags);

    bool parse(int argc, char** argv, std::string* error);  // argv[0] is the subcommand

    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::string get(const std::string& name, const std::string& fallback = "") const;

private:
    std::vector<std::string> withValue_;
    std::vector<std::string> flags_;
    std::map<std::string, std::string> values_;
};

}  // namespace volaxfed

#endif
