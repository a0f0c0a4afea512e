// volaxmodels.ini: which model file draws which entity type.
//
// One rule per line: "kind domain country category subcategory specific extra PATH",
// each of the seven fields a number or "*" for any value; PATH is the rest of the
// line (spaces allowed), relative to the X-Plane folder or an X-Plane library path.
// "#" or ";" starts a comment line; blank lines are skipped. The most specific rule
// wins: the one with the most numeric fields; among those, the one whose numeric
// fields come first (kind before domain before country ...); among equals, the
// first in the file. Malformed lines are reported as
// "<file>:<line>: <reason>" and skipped.
//
// After a line "[ICAO]" the rules name an ICAO aircraft type designator (2 to 4
// letters and digits, what TCAS and the map show) instead of a PATH, chosen the
// same way; "[MODELS]" goes back to model rules. Without a matching rule an
// air platform is a fixed-wing "B738", or a rotary-wing "EC35" in categories
// 20 to 25.
#ifndef VOLAX_TRAFFIC_MODELTABLE_H
#define VOLAX_TRAFFIC_MODELTABLE_H

#include <string>
#include <vector>

#include "RPRValues.h"

namespace traffic {

struct ModelRule {
    int field[7];  // kind .. extra; -1 for "*"
    std::string path;
    int line = 0;
};

class ModelTable {
public:
    // Adds the rules of `text`; appends one message per malformed line to `errors`.
    // Returns the number of rules added.
    std::size_t parse(const std::string& text, const std::string& fileName, std::vector<std::string>& errors);
    void clear() {
        rules_.clear();
        icaoRules_.clear();
    }

    // The PATH of the most specific matching rule; null when none matches.
    const std::string* lookup(const EntityType& type) const;
    // The ICAO type designator for `type`: its rule's, else the default.
    std::string icaoType(const EntityType& type) const;

    const std::vector<ModelRule>& rules() const { return rules_; }
    // Each distinct PATH once, in file order (what to load).
    std::vector<std::string> paths() const;

private:
    std::vector<ModelRule> rules_;
    std::vector<ModelRule> icaoRules_;  // path holds the designator
};

}  // namespace traffic

#endif
