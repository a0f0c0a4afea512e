#include "ArgParse.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace volaxfed {
namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

bool parseUnsigned(const std::string& text, uint64_t min, uint64_t max, uint64_t* out, std::string* error) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        *error = "'" + text + "' is not a whole number";
        return false;
    }
    errno = 0;
    const unsigned long long v = strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v < min || v > max) {
        *error = "'" + text + "' is out of range " + std::to_string(min) + ".." + std::to_string(max);
        return false;
    }
    *out = v;
    return true;
}

bool parseNumber(const std::string& text, double min, double max, double* out, std::string* error) {
    // strtod would skip leading blanks and accept "nan"/"inf": neither is a coordinate.
    if (text.empty() || isspace(static_cast<unsigned char>(text[0]))) {
        *error = "'" + text + "' is not a number";
        return false;
    }
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = strtod(begin, &end);
    if (end == begin || *end != '\0' || !std::isfinite(v) || errno == ERANGE) {
        *error = "'" + text + "' is not a number";
        return false;
    }
    if (v < min || v > max) {
        *error = "'" + text + "' is out of range";
        return false;
    }
    *out = v;
    return true;
}

bool parseEntityType(const std::string& text, EntityType* out, std::string* error) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() != 7) {
        *error = "'" + text + "' is not KIND:DOMAIN:COUNTRY:CATEGORY:SUBCATEGORY:SPECIFIC:EXTRA";
        return false;
    }
    uint64_t v[7];
    for (int i = 0; i < 7; ++i) {
        std::string why;
        if (!parseUnsigned(parts[i], 0, i == 2 ? 65535 : 255, &v[i], &why)) {
            *error = "'" + text + "': " + why;
            return false;
        }
    }
    *out = EntityType{static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint16_t>(v[2]),
                      static_cast<uint8_t>(v[3]), static_cast<uint8_t>(v[4]), static_cast<uint8_t>(v[5]),
                      static_cast<uint8_t>(v[6])};
    return true;
}

bool parseEntityAddress(const std::string& text, EntityIdentifier* out, std::string* error) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() != 3) {
        *error = "'" + text + "' is not SITE:APP:ENTITY (each a number 0..65535 or *)";
        return false;
    }
    uint16_t fields[3];
    for (int i = 0; i < 3; ++i) {
        if (parts[i] == "*") {
            fields[i] = kWildcard;
            continue;
        }
        uint64_t v;
        std::string why;
        if (!parseUnsigned(parts[i], 0, 65535, &v, &why)) {
            *error = "'" + text + "' is not SITE:APP:ENTITY: " + why;
            return false;
        }
        fields[i] = static_cast<uint16_t>(v);
    }
    out->site = fields[0];
    out->application = fields[1];
    out->entityNumber = fields[2];
    return true;
}

bool parseTriple(const std::string& text, double out[3], std::string* error) {
    const std::vector<std::string> parts = split(text, ',');
    double v[3];
    std::string why;
    if (parts.size() != 3) {
        *error = "'" + text + "' is not X,Y,Z";
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!parseNumber(parts[i], -HUGE_VAL, HUGE_VAL, &v[i], &why)) {
            *error = "'" + text + "' is not X,Y,Z: " + why;
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) out[i] = v[i];
    return true;
}

Options::Options(std::vector<std::string> withValue, std::vector<std::string> flags)
    : withValue_(std::move(withValue)), flags_(std::move(flags)) {}

bool Options::parse(int argc, char** argv, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            *error = "unexpected argument '" + arg + "'";
            return false;
        }
        std::string name = arg.substr(2), value;
        const size_t eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (contains(flags_, name)) {
            if (inlineValue) {
                *error = "option --" + name + " takes no value";
                return false;
            }
            values_[name] = "1";
        } else if (contains(withValue_, name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    *error = "option --" + name + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            if (values_.count(name)) {
                *error = "option --" + name + " given twice";
                return false;
            }
            values_[name] = value;
        } else {
            *error = "unknown option --" + name;
            return false;
        }
    }
    return true;
}

std::string Options::get(const std::string& name, const std::string& fallback) const {
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

}  // namespace volaxfed
