#include "setup/CheckProgressDialog.h"

#include "check/ServiceCheck.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

const int labelRefreshMs = 100;

}  // namespace

CheckProgressDialog::CheckProgressDialog(wxWindow* parent, const FetchSettings& settings, bool withOps)
    : wxDialog(parent, wxID_ANY, "Checking the Services", wxDefaultPosition, wxDefaultSize, wxCAPTION,
               "Checking the Services")
    , asking("Starting")
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    label = new wxStaticText(this, wxID_ANY, asking, wxDefaultPosition, wxSize(420, -1),
                             wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
    sizer->Add(label, 0, wxEXPAND | wxALL, 15);
    sizer->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 15);
    SetSizerAndFit(sizer);
    timer.SetOwner(this);
    Bind(wxEVT_TIMER, &CheckProgressDialog::OnTimer, this);
    timer.Start(labelRefreshMs);
    worker = std::thread([this, settings, withOps] { Run(settings, withOps); });
}

CheckProgressDialog::~CheckProgressDialog()
{
    timer.Stop();
    stopping = true;
    worker.join();
}

std::vector<CheckLine> CheckProgressDialog::Lines() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return lines;
}

std::string CheckProgressDialog::ProxyTestPage() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return proxyTestPage;
}

void CheckProgressDialog::Run(const FetchSettings& settings, bool withOps)
{
    ServiceCheck check(settings, withOps, [this] { return stopping.load(); });
    const std::vector<ServiceCheck::Target>& targets = check.Targets();
    for (size_t i = 0; i < targets.size() && !stopping; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            asking = wxString::Format("Asking %s (%zu of %zu)", targets[i].service, i + 1, targets.size());
        }
        const CheckLine line = check.Ask(targets[i]);
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        proxyTestPage = check.ProxyTestPage();
    }
    finished = true;
}

void CheckProgressDialog::OnTimer(wxTimerEvent&)
{
    if (finished) {
        timer.Stop();
        if (IsModal())
            EndModal(wxID_OK);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (label->GetLabel() != asking)
        label->SetLabel(asking);
}
