// Stands in for rti/net/ when the TCP transport is not part of the build.
#include "TcpConnection.h"

#include <RTI.hh>

namespace volax {
namespace rti {

std::unique_ptr<Connection> makeTcpConnection(const std::string&) {
    throw RTI::RTIinternalError("TCP transport not available");
}

}  // namespace rti
}  // namespace volax
