#ifndef VOLAX_TOOLS_DISPEER_H
#define VOLAX_TOOLS_DISPEER_H

// volax-fed on a DIS exercise (--dis ADDRESS:PORT, --exercise, --dis-version): the
// same commands, their PDUs over UDP instead of the RTI, their output lines alike.

#include <string>
#include <vector>

#include "ArgParse.h"
#include "DisEndpoint.h"
#include "DisPdu.h"
#include "FlyPlan.h"
#include "QVCoordConv.h"

namespace volaxfed {

class DisPeer {
public:
    // Reads --dis, --exercise and --dis-version and opens the endpoint; false with the
    // reason in `error` (a usage error when `usage` is set).
    bool open(const Options& options, std::string* error, bool* usage);
    bool send(const dis::EntityStatePdu& pdu);
    bool send(const dis::DetonationPdu& pdu);
    bool send(const dis::StartResumePdu& pdu);
    // Every PDU waiting, of our exercise.
    std::vector<dis::Pdu> receive();
    uint8_t exercise() const { return header_.exercise; }
    const std::string& address() const { return address_; }

private:
    dis::PduHeader header();
    dis::DisEndpoint endpoint_;
    dis::PduHeader header_;
    std::string address_;
};

int monitorOnDis(DisPeer& peer, double duration, const std::string& trackPath, unsigned long every, bool quiet,
                 bool all, QVCoordConv::VerticalDatum datum);
int flyOnDis(DisPeer& peer, const FlyRequest& request, const std::vector<FlyPlanEntry>& plan, double rate,
             double duration);

extern const char* const kDisHelp;

}  // namespace volaxfed

#endif
