#pragma once

#include "services/ops/OpsClock.h"

#include <mutex>
#include <optional>
#include <string>

struct OpsToken;

// The one OPS access token of the process, shared by every job. A token is
// handed out only while it has some life left, so a request never leaves
// with a token that runs out on the way; a token the service refused is
// dropped at once.
class OpsTokenCache
{
public:
    explicit OpsTokenCache(OpsClock clock = std::chrono::steady_clock::now);

    // The token to send, or nullopt when a new one must be fetched first.
    std::optional<std::string> Usable() const;
    // Keeps a freshly fetched token, replacing any other.
    void Store(const OpsToken& token);
    // After a 400 invalid_access_token for `refused`: drops it, unless
    // another job has stored a newer token meanwhile.
    void Invalidate(const std::string& refused);

    // How long before its end a token of that lifetime stops being handed
    // out: a minute, less for tokens that live under two minutes.
    static std::chrono::seconds RenewAhead(std::chrono::seconds lifetime);

private:
    OpsClock clock;
    mutable std::mutex mutex;
    std::string token;
    OpsTime renewAt;
};
