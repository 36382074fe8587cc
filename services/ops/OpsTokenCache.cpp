#include "services/ops/OpsTokenCache.h"

#include "services/ops/OpsToken.h"

#include <algorithm>

OpsTokenCache::OpsTokenCache(OpsClock clock)
    : clock(std::move(clock))
{
}

std::chrono::seconds OpsTokenCache::RenewAhead(std::chrono::seconds lifetime)
{
    return std::min(std::chrono::seconds(60), lifetime / 2);
}

std::optional<std::string> OpsTokenCache::Usable() const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (token.empty() || clock() >= renewAt)
        return std::nullopt;
    return token;
}

void OpsTokenCache::Store(const OpsToken& fresh)
{
    const OpsTime now = clock();
    std::lock_guard<std::mutex> lock(mutex);
    token = fresh.accessToken;
    renewAt = now + fresh.expiresIn - RenewAhead(fresh.expiresIn);
}

void OpsTokenCache::Invalidate(const std::string& refused)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (token == refused)
        token.clear();
}
