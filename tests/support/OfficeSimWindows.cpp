#include "OfficeSim.h"

#include "HostRelay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

const int startTimeoutMs = 10000;

}  // namespace

OfficeSim::OfficeSim(const std::string& extraArgs)
{
    const std::string request = "office-sim --quiet --exit-on-stdin-eof " + extraArgs;
    relay = HostRelay::Start(request);
    if (relay == HostRelay::none || !ReadServiceLines(startTimeoutMs)) {
        const char* address = std::getenv("FH_HOST_RELAY");
        ADD_FAILURE() << "office-sim did not start through the relay at "
                      << (address ? address : "(FH_HOST_RELAY not set)") << ": " << request;
        Stop();
    }
}

long OfficeSim::ReadFromChild(char* buffer, size_t size, int timeoutMs)
{
    return HostRelay::Read(relay, buffer, size, timeoutMs);
}

void OfficeSim::Stop()
{
    HostRelay::Stop(relay);
    relay = HostRelay::none;
    hosts.clear();
    urls.clear();
    caFile.clear();
}

bool OfficeSim::Exchange(int port, const std::string& request, std::string& answer)
{
    return HostRelay::Exchange(port, request, answer);
}

// The user's profile, where the tests' files live, is the user's alone.
bool OfficeSim::WriteOwnerOnly(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out.flush());
}
