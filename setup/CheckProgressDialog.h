#pragma once

#include "check/CheckLine.h"
#include "settings/FetchSettings.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class wxStaticText;

// A small modal window that runs the network check on a thread of its own
// and says which service it is asking, so the window stays responsive while
// a service is slow. It ends by itself with wxID_OK once every service has
// been asked; Cancel ends it with wxID_CANCEL, and the check's requests stop
// within about 100 ms, by the time this object is gone.
class CheckProgressDialog : public wxDialog
{
public:
    // `withOps` as for ServiceCheck.
    CheckProgressDialog(wxWindow* parent, const FetchSettings& settings, bool withOps);
    ~CheckProgressDialog() override;

    bool Finished() const { return finished; }
    // Once Finished(): a line per service, and the update server's proxy test page.
    std::vector<CheckLine> Lines() const;
    std::string ProxyTestPage() const;

private:
    void Run(const FetchSettings& settings, bool withOps);
    void OnTimer(wxTimerEvent& event);

    wxStaticText* label = nullptr;
    wxTimer timer;
    std::atomic<bool> stopping{false};
    std::atomic<bool> finished{false};
    mutable std::mutex mutex;
    wxString asking;  // what the label says
    std::vector<CheckLine> lines;
    std::string proxyTestPage;
    std::thread worker;  // last, so it starts when the rest is there
};
