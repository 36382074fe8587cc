#pragma once

#include <memory>

class OpsContext;
class pat2pdf;
class wxEvtHandler;
struct Classification;
struct FetchSettings;

// The one place that decides how a document is fetched: by the entry's kind
// (US or another office) and the route the settings choose for that kind.
// Returns the job, not yet created or run, that will post to `sink` under
// `row`; null for an invalid entry. With `ocr` set the job makes its PDF
// searchable when it is complete. The job copies what it keeps of
// `settings`; `ops` is handed to OPS jobs and must outlive them.
std::unique_ptr<pat2pdf> MakeJob(const Classification& entry, int row, wxEvtHandler* sink,
                                 const FetchSettings& settings, OpsContext* ops);

// The state every OPS job of one window or command-line run shares (the
// access token and the pacers); made once by the run's owner.
std::shared_ptr<OpsContext> NewOpsContext();
