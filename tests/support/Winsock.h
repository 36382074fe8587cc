#pragma once

// Windows only: the socket library, started once per test program.
#include <winsock2.h>
#include <ws2tcpip.h>

inline void StartWinsock()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
