#ifndef VOLAX_PLATFORM_WINSOCKREADY_H
#define VOLAX_PLATFORM_WINSOCKREADY_H

// Windows only: Winsock needs WSAStartup before the first call; it stays up
// for the process. Shared by the TCP and the UDP socket files.

#include <winsock2.h>

namespace volax {

inline bool winsockReady() {
    static const bool ready = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

}  // namespace volax

#endif
