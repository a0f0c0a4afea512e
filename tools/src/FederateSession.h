#ifndef VOLAX_TOOLS_FEDERATESESSION_H
#define VOLAX_TOOLS_FEDERATESESSION_H

// One peer federate's stay in a federation: joins through the framework's
// manager with the framework log captured, waits by ticking the RTI, and
// resigns on the way out. Failures come out as one "volax-fed: ..." line on
// stderr; the captured log supplies the RTI's reason.

#include <string>

#include "LogCapture.h"
#include "StopRequests.h"

class QVHLAManager;
class QVHLAInteraction;

namespace volaxfed {

struct CommonSettings {
    std::string federation = "XP_Federation";
    std::string federate;
    std::string fedFile;  // empty: join only
    bool verbose = false;
};

// Prints "volax-fed: <text>" on stderr.
void fail(const std::string& text);

class FederateSession {
public:
    explicit FederateSession(const CommonSettings& settings);
    ~FederateSession();  // resigns if still joined
    FederateSession(const FederateSession&) = delete;
    FederateSession& operator=(const FederateSession&) = delete;

    bool join();
    // False (after printing why) when the resign failed. Tried once; after the
    // RTI was lost nothing more is attempted or printed.
    bool resign();

    // Lets the RTI deliver callbacks for up to `seconds` (or until a stop is
    // requested). False, after printing why, when the RTI fails.
    bool wait(double seconds);

    QVHLAManager& manager() { return *manager_; }
    const CommonSettings& settings() const { return settings_; }

    // Finds and publishes the interaction class `name` (e.g. "StartResume"),
    // then sends the parameters set on `interaction`. False, after printing
    // why, when the RTI refused.
    bool publishAndSend(QVHLAInteraction& interaction, const std::string& name);

    // The reason logged under `where` since the last clear, or `fallback`.
    std::string reason(const std::string& where, const std::string& fallback);

private:
    bool lose(const std::string& why);

    CommonSettings settings_;
    LogCapture log_;
    QVHLAManager* manager_ = nullptr;
    bool lost_ = false;          // the RTI failed; it has been reported once
    bool resignTried_ = false;
};

double monotonicSeconds();

}  // namespace volaxfed

#endif
