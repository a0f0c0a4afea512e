#include "ModelTable.h"

#include <cerrno>
#include <cstdlib>

namespace traffic {
namespace {

const char* const kFieldNames[7] = {"kind", "domain", "country", "category", "subcategory", "specific", "extra"};
const long kFieldMax[7] = {255, 255, 65535, 255, 255, 255, 255};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Rank of a rule: more numeric fields first, then numeric fields further left.
unsigned specificity(const ModelRule& rule) {
    unsigned count = 0, mask = 0;
    for (int i = 0; i < 7; ++i) {
        if (rule.field[i] >= 0) {
            ++count;
            mask |= 1u << (6 - i);
        }
    }
    return count << 7 | mask;
}

const ModelRule* bestRule(const std::vector<ModelRule>& rules, const EntityType& type) {
    const int value[7] = {type.kind, type.domain, type.country, type.category,
                          type.subcategory, type.specific, type.extra};
    const ModelRule* best = nullptr;
    unsigned bestRank = 0;
    for (const ModelRule& rule : rules) {
        bool match = true;
        for (int f = 0; f < 7 && match; ++f) match = rule.field[f] < 0 || rule.field[f] == value[f];
        if (!match) continue;
        unsigned rank = specificity(rule);
        if (!best || rank > bestRank) {
            best = &rule;
            bestRank = rank;
        }
    }
    return best;
}

bool isDesignator(const std::string& s) {
    if (s.size() < 2 || s.size() > 4) return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

}  // namespace

std::size_t ModelTable::parse(const std::string& text, const std::string& fileName,
                              std::vector<std::string>& errors) {
    std::size_t added = 0;
    // Editors on Windows like to start the file with a UTF-8 byte-order mark.
    std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int lineNumber = 0;
    bool icao = false;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;

        std::size_t i = 0;
        while (i < line.size() && isSpace(line[i])) ++i;
        if (i == line.size() || line[i] == '#' || line[i] == ';') continue;

        auto fail = [&](const std::string& reason) {
            errors.push_back(fileName + ":" + std::to_string(lineNumber) + ": " + reason);
        };
        if (line[i] == '[') {
            std::size_t last = line.size();
            while (last > i && isSpace(line[last - 1])) --last;
            const std::string section = line.substr(i, last - i);
            if (section == "[ICAO]" || section == "[MODELS]")
                icao = section == "[ICAO]";
            else
                fail("unknown section " + section + " ([MODELS] or [ICAO])");
            continue;
        }
        ModelRule rule;
        rule.line = lineNumber;
        bool ok = true;
        for (int f = 0; f < 7 && ok; ++f) {
            while (i < line.size() && isSpace(line[i])) ++i;
            std::size_t start = i;
            while (i < line.size() && !isSpace(line[i])) ++i;
            std::string token = line.substr(start, i - start);
            if (token.empty()) {
                fail(std::string("missing ") + kFieldNames[f]);
                ok = false;
            } else if (token == "*") {
                rule.field[f] = -1;
            } else {
                bool digits = token.size() <= 6;
                for (char c : token) digits = digits && c >= '0' && c <= '9';
                long value = digits ? std::strtol(token.c_str(), nullptr, 10) : -1;
                if (!digits || value > kFieldMax[f]) {
                    fail(std::string("bad ") + kFieldNames[f] + " \"" + token + "\"");
                    ok = false;
                } else {
                    rule.field[f] = static_cast<int>(value);
                }
            }
        }
        if (!ok) continue;
        while (i < line.size() && isSpace(line[i])) ++i;
        std::size_t last = line.size();
        while (last > i && isSpace(line[last - 1])) --last;
        if (last == i) {
            fail(icao ? "missing ICAO type designator" : "missing model path");
            continue;
        }
        rule.path = line.substr(i, last - i);
        if (icao && !isDesignator(rule.path)) {
            fail("bad ICAO type designator \"" + rule.path + "\" (2 to 4 capital letters and digits)");
            continue;
        }
        (icao ? icaoRules_ : rules_).push_back(rule);
        ++added;
    }
    return added;
}

const std::string* ModelTable::lookup(const EntityType& type) const {
    const ModelRule* best = bestRule(rules_, type);
    return best ? &best->path : nullptr;
}

std::string ModelTable::icaoType(const EntityType& type) const {
    if (const ModelRule* best = bestRule(icaoRules_, type)) return best->path;
    // Air platform categories 20 to 25 are helicopters (SISO-REF-010).
    const bool rotary = type.kind == 1 && type.domain == 2 && type.category >= 20 && type.category <= 25;
    return rotary ? "EC35" : "B738";
}

std::vector<std::string> ModelTable::paths() const {
    std::vector<std::string> out;
    for (const ModelRule& rule : rules_) {
        bool seen = false;
        for (const std::string& p : out) seen = seen || p == rule.path;
        if (!seen) out.push_back(rule.path);
    }
    return out;
}

}  // namespace traffic
