#include "services/ppubs/PpubsContext.h"

std::optional<PpubsSession> PpubsContext::Session() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return session;
}

void PpubsContext::Store(const PpubsSession& opened)
{
    std::lock_guard<std::mutex> lock(mutex);
    session = opened;
}

void PpubsContext::Forget(const std::string& token)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (session && session->token == token)
        session.reset();
}
