#pragma once

#include <memory>

class EpsContext;
class OpsContext;
class PpubsContext;
class pat2pdf;
class wxEvtHandler;
struct Classification;
struct FetchSettings;

// The one place that decides how a document is fetched: by the entry's kind
// (US or another office) and the route the settings choose for that kind.
// EP numbers go by the EP documents' route, every other office's by the
// other offices' one. Returns the job, not yet created or run, that will
// post to `sink` under `row`; null for an invalid entry. With `ocr` set the
// job makes its PDF searchable when it is complete. The job copies what it
// keeps of `settings`; `ops` is handed to OPS jobs, `eps` to publication
// server jobs, `ppubs` to Patent Public Search jobs, and each must outlive them.
std::unique_ptr<pat2pdf> MakeJob(const Classification& entry, int row, wxEvtHandler* sink,
                                 const FetchSettings& settings, OpsContext* ops, EpsContext* eps,
                                 PpubsContext* ppubs);

// The state every OPS job of one window or command-line run shares (the
// access token and the pacers); made once by the run's owner.
std::shared_ptr<OpsContext> NewOpsContext();
// The same for the publication server's jobs (one request at a time, the block).
std::shared_ptr<EpsContext> NewEpsContext();
// Likewise for Patent Public Search jobs (the session and the budgets).
std::shared_ptr<PpubsContext> NewPpubsContext();
