// TLS in a build without OpenSSL's libssl (VOLAX_RTI_TLS=OFF): asking for it
// fails with a message that says why.
#include <stdexcept>

#include "Tls.h"

namespace volax {
namespace rti {
namespace net {

namespace {
constexpr const char* kAbsent = "this build has no TLS (configured with VOLAX_RTI_TLS=OFF)";
}

bool tlsBuilt() { return false; }

struct TlsConfig::Impl {};
TlsConfig::~TlsConfig() = default;

std::shared_ptr<TlsConfig> TlsConfig::forServer(const std::string&, const std::string&, std::string& error) {
    error = kAbsent;
    return nullptr;
}

std::shared_ptr<TlsConfig> TlsConfig::forClient(const std::string&, std::string& error) {
    error = kAbsent;
    return nullptr;
}

struct TlsStream::Impl {};

TlsStream::TlsStream(std::shared_ptr<TlsConfig>, int, bool, const std::string&, std::string) {
    throw std::runtime_error(kAbsent);
}
TlsStream::~TlsStream() = default;
IoStatus TlsStream::handshake(int&) { return IoStatus::Error; }
IoStatus TlsStream::receive(int, void*, std::size_t, std::size_t&, int&) { return IoStatus::Error; }
IoStatus TlsStream::send(int, const void*, std::size_t, std::size_t&, int&) { return IoStatus::Error; }
bool TlsStream::buffered() const { return false; }
short TlsStream::events(bool read, bool write) const { return Stream::events(read, write); }
std::string TlsStream::errorText(int) const { return kAbsent; }

}  // namespace net
}  // namespace rti
}  // namespace volax
