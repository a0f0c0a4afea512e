#include "Connection.h"

#include <RTI.hh>

#include <cstdlib>
#include <string>

#include "InProcessConnection.h"
#include "TcpConnection.h"

namespace volax {
namespace rti {

std::unique_ptr<Connection> makeConnection() {
    const char* env = std::getenv("VOLAX_RTI");
    std::string where = env ? env : "";
    if (where.empty() || where == "inprocess") return std::unique_ptr<Connection>(new InProcessConnection);
    if (where.find(':') == std::string::npos) {
        std::string why = "VOLAX_RTI=\"" + where + "\": expected \"inprocess\" or HOST:PORT";
        throw RTI::RTIinternalError(why.c_str());
    }
    return makeTcpConnection(where);
}

}  // namespace rti
}  // namespace volax
