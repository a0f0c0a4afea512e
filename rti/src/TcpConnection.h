// Factory hook for the TCP transport, implemented in rti/net/ (or by
// TcpConnectionStub.cpp when the TCP transport is not built).
#ifndef VOLAX_RTI_TCPCONNECTION_H
#define VOLAX_RTI_TCPCONNECTION_H

#include <memory>
#include <string>

#include "Connection.h"

namespace volax {
namespace rti {

// Connects to the executive server at "HOST:PORT". Throws RTI::RTIinternalError
// when the address is malformed or the server cannot be reached.
std::unique_ptr<Connection> makeTcpConnection(const std::string& hostPort);

}  // namespace rti
}  // namespace volax

#endif
