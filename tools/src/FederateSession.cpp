#include "FederateSession.h"

#include <RTI.hh>

#include <chrono>
#include <cstdio>
#include <exception>
#include <vector>

#include "QVHLAInteraction.h"
#include "QVHLAManager.h"

namespace volaxfed {

void fail(const std::string& text) {
    fprintf(stderr, "volax-fed: %s\n", text.c_str());
    fflush(stderr);
}

double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

FederateSession::FederateSession(const CommonSettings& settings)
    : settings_(settings), log_(settings.verbose) {}

FederateSession::~FederateSession() {
    if (!resignTried_) resign();
    if (manager_) manager_->setLogFile(nullptr);
}

std::string FederateSession::reason(const std::string& where, const std::string& fallback) {
    const std::vector<std::string> lines = log_.linesAfter(where + " : ");
    return lines.empty() || lines.back().empty() ? fallback : lines.back();
}

bool FederateSession::join() {
    const std::string what = "cannot join federation '" + settings_.federation + "': ";
    try {
        // The RTI ambassador is built here; with VOLAX_RTI set that may connect.
        manager_ = QVHLAManager::getInstance();
    } catch (RTI::Exception& e) {
        fail(what + (e._reason ? e._reason : "RTI error"));
        return false;
    } catch (std::exception& e) {
        fail(what + e.what());
        return false;
    } catch (...) {
        fail(what + "unknown error");
        return false;
    }
    manager_->setLogFile(log_.stream());
    log_.clear();
    const char* fed = settings_.fedFile.empty() ? nullptr : settings_.fedFile.c_str();
    if (manager_->joinFederation(settings_.federate.c_str(), settings_.federation.c_str(), fed)) return true;
    // With a FED file the create attempt logs first; its reason matters when it
    // failed for another cause than an existing execution.
    const std::vector<std::string> lines = log_.linesAfter("QVHLAManager::joinFederation() : ");
    std::string text = lines.empty() ? "the RTI refused without a reason" : lines.back();
    if (fed && lines.size() >= 2 && !manager_->isFederationCreated())
        text += " (creating it from '" + settings_.fedFile + "' failed: " + lines.front() + ")";
    fail(what + text);
    return false;
}

bool FederateSession::resign() {
    if (!manager_ || !manager_->isJoined()) return true;
    if (resignTried_ || lost_) return false;
    resignTried_ = true;
    log_.clear();
    if (manager_->resignFederation()) return true;
    fail("cannot resign from federation '" + settings_.federation +
         "': " + reason("QVHLAManager::resignFederation()", "the RTI refused without a reason"));
    return false;
}

bool FederateSession::publishAndSend(QVHLAInteraction& interaction, const std::string& name) {
    const std::string tag = "QVHLA" + name + "Interaction::";
    if (!interaction.getHandles()) {
        fail("cannot find " + name + ": " + reason(tag + "getHandles()", "the RTI refused"));
        return false;
    }
    if (!interaction.publish()) {
        fail("cannot publish " + name + ": " + reason(tag + "publish()", "the RTI refused"));
        return false;
    }
    log_.clear();
    if (interaction.sendInteraction()) return true;
    // A refusal is the last line of the send: under the generic tag for a
    // non-RTI exception, else under the class's own.
    std::string why = reason("QVHLAsendInteraction::sendInteraction()", "");
    if (why.empty()) why = reason(tag + "sendInteraction()", "the RTI refused");
    fail("cannot send " + name + ": " + why);
    return false;
}

bool FederateSession::lose(const std::string& why) {
    fail("lost the RTI: " + why);
    lost_ = true;
    return false;
}

bool FederateSession::wait(double seconds) {
    const double end = monotonicSeconds() + seconds;
    for (;;) {
        log_.collect();  // with --verbose the framework's lines reach stderr as they come
        if (stopRequested) return true;
        const double left = end - monotonicSeconds();
        if (left <= 0) return true;
        const double slice = left < 0.2 ? left : 0.2;
        try {
            manager_->getRTIAmbassador().tick(slice, slice);
        } catch (RTI::Exception& e) {
            return lose(e._reason ? e._reason : "RTI error");
        } catch (std::exception& e) {
            return lose(e.what());
        } catch (...) {
            return lose("unknown error");
        }
    }
}

}  // namespace volaxfed
