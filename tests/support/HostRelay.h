#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Windows only: a test server of the build machine (the office simulator,
// the scripted server), started for the test by the relay the test runner
// runs there (tests/support/host-relay, address in FH_HOST_RELAY). The
// connection stands for the server's standard input and output.
namespace HostRelay
{
constexpr uintptr_t none = ~uintptr_t(0);

// Starts `request` ("NAME ARGS...") and returns its connection, or none.
uintptr_t Start(const std::string& request);
// What the server printed, at most `size` bytes; <= 0 at its end or when
// nothing came within `timeoutMs`.
long Read(uintptr_t connection, char* buffer, size_t size, int timeoutMs);
// Ends the server.
void Stop(uintptr_t connection);

// Runs a shell command line on the build machine, the Windows paths in it
// turned into that machine's; its exit status, or -1 without the relay.
int Run(const std::string& command);

// One HTTP/1.0 exchange with a listener on 127.0.0.1:`port`.
bool Exchange(int port, const std::string& request, std::string& answer);
}  // namespace HostRelay
