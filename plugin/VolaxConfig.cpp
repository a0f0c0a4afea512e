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

// Editors on Windows put EF BB BF before the first key or name. Only a full
// mark is skipped; anything else is pushed back (a lone non-mark byte always
// can be, and a partial mark is no text these files can hold anyway).
void skipByteOrderMark(FILE* in) {
    static const int kMark[3] = {0xEF, 0xBB, 0xBF};
    for (int i = 0; i < 3; ++i) {
        int c = std::getc(in);
        if (c != kMark[i]) {
            if (c != EOF) std::ungetc(c, in);
            return;
        }
    }
}

enum class Value { Read, None, Unclosed };

// A value token: as readToken, or, starting with a double quote, everything
// up to the closing quote on the same line (blanks included, quotes dropped).
// Unclosed: the line ended first; the reader stands at the start of the next line.
Value readValue(FILE* in, std::string& value) {
    int c;
    do {
        c = std::getc(in);
    } while (c != EOF && isBlank(c));
    if (c == EOF) return Value::None;
    if (c != '"') {
        std::ungetc(c, in);
        return readToken(in, value) ? Value::Read : Value::None;
    }
    value.clear();
    for (;;) {
        c = std::getc(in);
        if (c == '"') return Value::Read;
        if (c == EOF || c == '\n') return Value::Unclosed;
        if (value.size() < kMaxToken) value.push_back(static_cast<char>(c));
    }
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

// The whole value as a decimal number; -1 when it is not one.
long long wholeNumber(const std::string& value) {
    char* end = nullptr;
    const long long n = std::strtoll(value.c_str(), &end, 10);
    return end != value.c_str() && *end == '\0' ? n : -1;
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

namespace {

struct KeyRule {
    const char* key;
    void (*apply)(VolaxSettings& s, const std::string& value);
};

// One row per key; a new key is one more row.
const KeyRule kKeyRules[] = {
    {"FEDERATE", [](VolaxSettings& s, const std::string& v) { s.federate = v; }},
    {"FEDERATION", [](VolaxSettings& s, const std::string& v) { s.federation = v; }},
    {"FEDFILE", [](VolaxSettings& s, const std::string& v) { s.fedFile = v; }},
    {"FORCEID",
     [](VolaxSettings& s, const std::string& v) {
         uint8_t id = static_cast<uint8_t>(lowBits(v));
         s.forceId = id > 3 ? uint8_t{0} : id;
     }},
    {"SITEID", [](VolaxSettings& s, const std::string& v) { s.siteId = static_cast<uint16_t>(lowBits(v)); }},
    {"APPLICATIONID",
     [](VolaxSettings& s, const std::string& v) { s.applicationId = static_cast<uint16_t>(lowBits(v)); }},
    {"AUTOJOIN", [](VolaxSettings& s, const std::string& v) { s.autoJoin = flag(v); }},
    {"CREATE", [](VolaxSettings& s, const std::string& v) { s.create = flag(v); }},
    {"TIMESTEP",
     [](VolaxSettings& s, const std::string& v) {
         // The upper bound is checked in double (a huge value must not be
         // narrowed to float first), the lower one on the float: a tiny value
         // that rounds to 0 would stop the flight loop.
         const double t = std::strtod(v.c_str(), nullptr);
         const float step = t > 2.0 ? 2.0f : static_cast<float>(t);
         s.timeStep = step > 0.0f ? step : 0.1f;
     }},
    {"AUTOCREATE", [](VolaxSettings& s, const std::string& v) { s.autoCreate = flag(v); }},
    {"HEARTBEAT",
     [](VolaxSettings& s, const std::string& v) {
         // Beyond a day a heartbeat is as good as off; a negative or unreadable
         // value keeps the default rather than silencing the ownship.
         char* end = nullptr;
         const double t = std::strtod(v.c_str(), &end);
         if (end == v.c_str() || !(t >= 0.0)) {
             s.heartbeat = 5.0f;
         } else {
             s.heartbeat = t > 86400.0 ? 86400.0f : static_cast<float>(t);
         }
     }},
    {"MARKING", [](VolaxSettings& s, const std::string& v) { s.marking = v; }},
    {"TRAFFIC", [](VolaxSettings& s, const std::string& v) { s.traffic = flag(v); }},
    {"MAXENTITIES",
     [](VolaxSettings& s, const std::string& v) {
         // Not a number, or negative: the default stays.
         char* end = nullptr;
         const long long n = std::strtoll(v.c_str(), &end, 10);
         if (end != v.c_str() && *end == '\0' && n >= 0)
             s.maxEntities = n > kMaxEntitiesLimit ? kMaxEntitiesLimit : static_cast<uint32_t>(n);
     }},
    {"ENTITYTIMEOUT",
     [](VolaxSettings& s, const std::string& v) {
         char* end = nullptr;
         const double t = std::strtod(v.c_str(), &end);
         if (end != v.c_str() && *end == '\0' && t >= 0 && t == t)
             s.entityTimeout = t > 86400.0 ? 86400.0f : static_cast<float>(t);
     }},
    // Values out of range keep what was there: a typo must not start a network.
    {"NETWORK",
     [](VolaxSettings& s, const std::string& v) {
         const std::string n = lowered(v.c_str());
         if (n == "hla") s.network = kNetworkHla;
         if (n == "dis") s.network = kNetworkDis;
         if (n == "both") s.network = kNetworkHla | kNetworkDis;
     }},
    {"DISADDRESS", [](VolaxSettings& s, const std::string& v) { s.disAddress = v; }},
    {"DISEXERCISE",
     [](VolaxSettings& s, const std::string& v) {
         const long long n = wholeNumber(v);
         if (n >= 1 && n <= 255) s.disExercise = static_cast<uint8_t>(n);
     }},
    {"DISVERSION",
     [](VolaxSettings& s, const std::string& v) {
         const long long n = wholeNumber(v);
         if (n == 6 || n == 7) s.disVersion = static_cast<uint8_t>(n);
     }},
    {"ENTITYNUMBER",
     [](VolaxSettings& s, const std::string& v) {
         // DIS reserves 0 (no entity) and 65535 (all entities).
         const long long n = wholeNumber(v);
         if (n >= 1 && n <= 65534) s.entityNumber = static_cast<uint16_t>(n);
     }},
    {"VERTICALDATUM",
     [](VolaxSettings& s, const std::string& v) {
         const std::string d = lowered(v.c_str());
         if (d == "wgs84e") s.egm96Heights = false;
         if (d == "egm96") s.egm96Heights = true;
     }},
};

}  // namespace

bool applySetting(VolaxSettings& s, const std::string& key, const std::string& value) {
    for (const KeyRule& rule : kKeyRules) {
        if (key == rule.key) {
            rule.apply(s, value);
            return true;
        }
    }
    return false;
}

void readSettings(FILE* in, VolaxSettings& s, FILE* trace) {
    if (!in) return;
    skipByteOrderMark(in);
    std::string key, value;
    for (;;) {
        if (!readToken(in, key)) break;
        const Value got = readValue(in, value);
        if (got == Value::Read) {
            if (!applySetting(s, key, value) && trace)
                std::fprintf(trace, "Ignoring unknown key %s in volax.ini\n", key.c_str());
        } else if (got == Value::Unclosed && trace) {
            std::fprintf(trace, "Ignoring %s in volax.ini: its quoted value has no closing quote\n", key.c_str());
        }
        if (got != Value::Unclosed) skipLine(in);
        if (got == Value::None) break;
    }
}

bool writeSettings(FILE* out, const VolaxSettings& s) {
    if (!out) return false;
    // A name with blanks is written quoted so that it reads back whole.
    auto text = [](const std::string& v) {
        return v.find_first_of(" \t") == std::string::npos ? v : "\"" + v + "\"";
    };
    bool ok = std::fprintf(out, "FEDERATE %s\n", text(s.federate).c_str()) >= 0;
    ok = std::fprintf(out, "FEDERATION %s\n", text(s.federation).c_str()) >= 0 && ok;
    ok = std::fprintf(out, "FEDFILE %s\n", text(s.fedFile).c_str()) >= 0 && ok;
    ok = std::fprintf(out, "FORCEID %d\n", static_cast<int>(s.forceId)) >= 0 && ok;
    ok = std::fprintf(out, "SITEID %d\n", static_cast<int>(s.siteId)) >= 0 && ok;
    ok = std::fprintf(out, "APPLICATIONID %d\n", static_cast<int>(s.applicationId)) >= 0 && ok;
    ok = std::fprintf(out, "AUTOJOIN %d\n", static_cast<int>(s.autoJoin)) >= 0 && ok;
    ok = std::fprintf(out, "CREATE %d\n", static_cast<int>(s.create)) >= 0 && ok;
    ok = std::fprintf(out, "TIMESTEP %1.2f\n", static_cast<double>(s.timeStep)) >= 0 && ok;
    ok = std::fprintf(out, "AUTOCREATE %d\n", static_cast<int>(s.autoCreate)) >= 0 && ok;
    return std::fflush(out) == 0 && ok;
}

void readEntityTypes(FILE* in, EntityTypeTable& table) {
    if (!in) return;
    skipByteOrderMark(in);
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
