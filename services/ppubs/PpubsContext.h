#pragma once

#include "services/ppubs/PpubsBudget.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

// A session of Patent Public Search: its X-Access-Token and its case.
struct PpubsSession
{
    std::string token;
    std::int64_t caseId = 0;
};

// What every Patent Public Search job of one run shares: the session, made
// on first need and renewed by one job when the service ends it, and the
// budget of each kind of call. The window or the command-line run owns one
// and hands it to each job; every member is safe to use from any job thread.
class PpubsContext
{
public:
    // The kinds of call the service counts apart; a spent budget holds the
    // calls of its own kind only.
    enum class Kind { session, search, print, printStatus, imagePdf, apiPdf, count };

    PpubsContext() = default;
    PpubsContext(const PpubsContext&) = delete;
    PpubsContext& operator=(const PpubsContext&) = delete;

    // The session to use; nullopt when none is open.
    std::optional<PpubsSession> Session() const;
    void Store(const PpubsSession& session);
    // The session of `token` has ended; a newer one is kept.
    void Forget(const std::string& token);
    // Held by the one job that opens a session, so the others wait for its
    // session instead of each opening one.
    std::mutex& Opening() { return opening; }

    PpubsBudget& Budget(Kind kind) { return budgets[static_cast<size_t>(kind)]; }

private:
    mutable std::mutex mutex;
    std::optional<PpubsSession> session;
    std::mutex opening;
    std::array<PpubsBudget, static_cast<size_t>(Kind::count)> budgets;
};
