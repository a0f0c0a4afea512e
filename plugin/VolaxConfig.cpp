#include "VolaxConfig.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace volax {

namespace {

bool isBlank(int c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One run of non-blank characters after any blanks (line breaks included).
// False at end of input before a token starts. Characters beyond kMaxToken are
// consumed and dropped, so an overlong token never spills into the next one.
bool readToken(FILE* in, std::string& token) {
    int c;
    do {
        c = std::getc(in);
    } while (c != EOF && isBlank(c));
    if (c == EOF) return false;
    token.clear();
    while (c != EOF && !isBlank(c)) {
        if (token.size() < kMaxToken) token.push_back(static_cast<char>(c));
        c = std::getc(in);
    }
    if (c != EOF) std::ungetc(c, in);
    return true;
}

void skipLine(FILE* in) {
    int c;
    do {
        c = std::getc(in);
    } while (c != EOF && c != '\n');
}

enum class Conv { Ok, Failed, End };

// A decimal integer the way a "%d" conversion reads one: blanks, optional
// sign, at least one digit. Saturates instead of overflowing; only the low
// bits are kept by the callers anyway.
Conv readInt(FILE* in, long long& out) {
    int c;
    do {
        c = std::getc(in);
    } while (c != EOF && isBlank(c));
    if (c == EOF) return Conv::End;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = (c == '-');
        c = std::getc(in);
    }
    if (c == EOF || !std::isdigit(static_cast<unsigned char>(c))) {
        if (c != EOF) std::ungetc(c, in);
        return Conv::Failed;
    }
    unsigned long long v = 0;
    const unsigned long long cap = static_cast<unsigned long long>(LLONG_MAX);
    while (c != EOF && std::isdigit(static_cast<unsigned char>(c))) {
        unsigned digit = static_cast<unsigned>(c - '0');
        v = (v > (cap - digit) / 10) ? cap : v * 10 + digit;
        c = std::getc(in);
    }
    if (c != EOF) std::ungetc(c, in);
    long long s = static_cast<long long>(v);
    out = negative ? -s : s;
    return Conv::Ok;
}

// strtol semantics (base 10): leading blanks, sign, digits; no number reads 0.
unsigned long lowBits(const std::string& value) {
    long v = std::strtol(value.c_str(), nullptr, 10);
    return static_cast<unsigned long>(v);
}

int16_t flag(const std::string& value) {
    int16_t v = static_cast<int16_t>(static_cast<uint16_t>(lowBits(value)));
    return (v > 1 || v < 0) ? int16_t{1} : v;
}

void lowerInPlace(std::string& s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
}

std::string lowered(const char* text) {
    std::string s = text ? text : "";
    lowerInPlace(s);
    return s;
}

}  // namespace

void applySetting(VolaxSettings& s, const std::string& key, const std::string& value) {
    if (key == "FEDERATE") {
        s.federate = value;
    } else if (key == "FEDERATION") {
        s.federation = value;
    } else if (key == "FEDFILE") {
        s.fedFile = value;
    } else if (key == "FORCEID") {
        uint8_t v = static_cast<uint8_t>(lowBits(value));
        s.forceId = v > 3 ? uint8_t{0} : v;
    } else if (key == "SITEID") {
        s.siteId = static_cast<uint16_t>(lowBits(value));
    } else if (key == "APPLICATIONID") {
        s.applicationId = static_cast<uint16_t>(lowBits(value));
    } else if (key == "AUTOJOIN") {
        s.autoJoin = flag(value);
    } else if (key == "CREATE") {
        s.create = flag(value);
    } else if (key == "TIMESTEP") {
        // The upper bound is checked in double (a huge value must not be
        // narrowed to float first), the lower one on the float: a tiny value
        // that rounds to 0 would stop the flight loop.
        const double t = std::strtod(value.c_str(), nullptr);
        const float step = t > 2.0 ? 2.0f : static_cast<float>(t);
        s.timeStep = step > 0.0f ? step : 0.1f;
    } else if (key == "HEARTBEAT") {
        // Beyond a day a heartbeat is as good as off; a negative or unreadable value
        // keeps the default rather than silencing the ownship.
        char* end = nullptr;
        const double t = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || !(t >= 0.0)) {
            s.heartbeat = 5.0f;
        } else {
            s.heartbeat = t > 86400.0 ? 86400.0f : static_cast<float>(t);
        }
    } else if (key == "MARKING") {
        s.marking = value;
    }
}

void readSettings(FILE* in, VolaxSettings& s) {
    if (!in) return;
    std::string key, value;
    for (;;) {
        if (!readToken(in, key)) break;
        bool haveValue = readToken(in, value);
        if (haveValue) applySetting(s, key, value);
        skipLine(in);
        if (!haveValue) break;
    }
}

bool writeSettings(FILE* out, const VolaxSettings& s) {
    if (!out) return false;
    bool ok = std::fprintf(out, "FEDERATE %s\n", s.federate.c_str()) >= 0;
    ok = std::fprintf(out, "FEDERATION %s\n", s.federation.c_str()) >= 0 && ok;
    ok = std::fprintf(out, "FEDFILE %s\n", s.fedFile.c_str()) >= 0 && ok;
    ok = std::fprintf(out, "FORCEID %d\n", static_cast<int>(s.forceId)) >= 0 && ok;
    ok = std::fprintf(out, "SITEID %d\n", static_cast<int>(s.siteId)) >= 0 && ok;
    ok = std::fprintf(out, "APPLICATIONID %d\n", static_cast<int>(s.applicationId)) >= 0 && ok;
    ok = std::fprintf(out, "AUTOJOIN %d\n", static_cast<int>(s.autoJoin)) >= 0 && ok;
    ok = std::fprintf(out, "CREATE %d\n", static_cast<int>(s.create)) >= 0 && ok;
    ok = std::fprintf(out, "TIMESTEP %1.2f\n", static_cast<double>(s.timeStep)) >= 0 && ok;
    return std::fflush(out) == 0 && ok;
}

void readEntityTypes(FILE* in, EntityTypeTable& table) {
    if (!in) return;
    std::string name;
    for (;;) {
        if (!readToken(in, name)) break;
        long long n[7];
        bool complete = true;
        for (long long& field : n) {
            if (readInt(in, field) != Conv::Ok) {
                complete = false;
                break;
            }
        }
        if (complete) {
            EntityTypeEntry e;
            e.name = name;
            e.kind = static_cast<uint8_t>(n[0]);
            e.domain = static_cast<uint8_t>(n[1]);
            e.country = static_cast<uint16_t>(n[2]);
            e.category = static_cast<uint8_t>(n[3]);
            e.subcategory = static_cast<uint8_t>(n[4]);
            e.specific = static_cast<uint8_t>(n[5]);
            e.extra = static_cast<uint8_t>(n[6]);
            table.push_back(std::move(e));
        }
        skipLine(in);
    }
}

const EntityTypeEntry* matchEntityType(EntityTypeTable& table, const char* modelFile,
                                       const char* modelPath, FILE* trace) {
    const char* file = modelFile ? modelFile : "";
    const char* path = modelPath ? modelPath : "";
    std::string lowFile, lowPath;
    bool fileLowered = false, pathLowered = false;
    for (EntityTypeEntry& e : table) {
        if (trace) {
            std::fprintf(trace, "Testing names (%s - %s) and (%s - %s)...\n", file, e.name.c_str(), path,
                         e.name.c_str());
        }
        if (!e.lowered) {
            lowerInPlace(e.name);
            e.lowered = true;
        }
        if (!fileLowered) {
            lowFile = lowered(file);
            fileLowered = true;
        }
        if (lowFile.find(e.name) != std::string::npos) return &e;
        if (!pathLowered) {
            lowPath = lowered(path);
            pathLowered = true;
        }
        if (lowPath.find(e.name) != std::string::npos) return &e;
    }
    return nullptr;
}

}  // namespace volax
