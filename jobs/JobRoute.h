#pragma once

#include <memory>

class OpsContext;
class PpubsContext;
class pat2pdf;
class wxEvtHandler;
struct Classification;
struct FetchSettings;

// The one place that decides how a document is fetched: by the entry's kind
// (US or another office) and the route the settings choose for that kind.
// Returns the job, not yet created or run, that will post to `sink` under
// `row`; null for an invalid entry. The job copies what it keeps of
// `settings`; `ops` is handed to OPS jobs, `ppubs` to Patent Public Search
// jobs, and each must outlive them.
pat2pdf* MakeJob(const Classification& entry, int row, wxEvtHandler* sink,
                 const FetchSettings& settings, OpsContext* ops, PpubsContext* ppubs);

// The state every OPS job of one window or command-line run shares (the
// access token and the pacers); made once by the run's owner.
std::shared_ptr<OpsContext> NewOpsContext();
// Likewise for Patent Public Search jobs (the session and the budgets).
std::shared_ptr<PpubsContext> NewPpubsContext();
