// Address parsing shared by every platform's socket file.
#include "Socket.h"

#include <stdexcept>

namespace volax {
namespace rti {
namespace net {

std::string HostPort::str() const {
    if (host.find(':') != std::string::npos) return "[" + host + "]:" + std::to_string(port);
    return host + ":" + std::to_string(port);
}

HostPort parseHostPort(const std::string& text, bool portRequired) {
    HostPort hp;
    std::string portText;
    if (text.empty()) throw std::invalid_argument("empty address");
    if (text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) throw std::invalid_argument("missing ']' in \"" + text + "\"");
        hp.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') throw std::invalid_argument("expected ':' after ']' in \"" + text + "\"");
            portText = text.substr(close + 2);
            if (portText.empty()) throw std::invalid_argument("missing port in \"" + text + "\"");
        }
    } else {
        size_t colon = text.rfind(':');
        if (colon != std::string::npos && text.find(':') != colon)
            throw std::invalid_argument("IPv6 addresses need brackets: \"" + text + "\"");
        if (colon == std::string::npos) {
            hp.host = text;
        } else {
            hp.host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            if (portText.empty()) throw std::invalid_argument("missing port in \"" + text + "\"");
        }
    }
    if (hp.host.empty()) hp.host = "127.0.0.1";
    if (portText.empty()) {
        if (portRequired) throw std::invalid_argument("missing port in \"" + text + "\" (expected HOST:PORT)");
        hp.port = kDefaultPort;
        return hp;
    }
    unsigned long value = 0;
    for (char c : portText) {
        if (c < '0' || c > '9') throw std::invalid_argument("bad port \"" + portText + "\"");
        value = value * 10 + static_cast<unsigned long>(c - '0');
        if (value > 65535) throw std::invalid_argument("port out of range \"" + portText + "\"");
    }
    hp.port = static_cast<std::uint16_t>(value);
    return hp;
}

}  // namespace net
}  // namespace rti
}  // namespace volax
