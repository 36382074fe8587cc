#include "net/ProxyTestTargets.h"

#include "net/HttpSession.h"
#include "net/HttpsClient.h"

#include <algorithm>
#include <memory>

namespace {

wxString EscapedHtml(const wxString& text)
{
    wxString escaped = text;
    escaped.Replace("&", "&amp;");
    escaped.Replace("<", "&lt;");
    escaped.Replace(">", "&gt;");
    return escaped;
}

// Any answer, an error page too, shows that the way to the service works.
wxString AskClassicHost(HttpSession& session, const wxString& host, bool& answered)
{
    std::unique_ptr<wxInputStream> body;
    if (session.Connect(host))
        body = session.Request("/");
    answered = body != nullptr;
    if (answered)
        return wxString::Format("answered (HTTP %u)", session.GetStatusCode());
    return "no answer: " + session.GetError();
}

wxString AskUrl(HttpsClient& client, const wxString& url, bool& answered)
{
    const HttpAnswer answer = client.Get(url);
    answered = answer.status != 0;
    if (answered)
        return wxString::Format("answered (HTTP %u)", answer.status);
    return "no answer: " + answer.failure.text;
}

}  // namespace

bool ProxyTestTarget::IsUrl() const
{
    return host.StartsWith("http://") || host.StartsWith("https://");
}

std::vector<ProxyTestTarget> ProxyTestTargets(const Hosts& hosts, const ServiceSettings& services)
{
    using Route = ServiceSettings::Route;
    std::vector<ProxyTestTarget> all;
    if (services.us == Route::classic) {
        all.insert(all.end(), {{"US patent images", hosts.patentImages1},
                               {"US patent images", hosts.patentImages2},
                               {"US application images", hosts.applicationImages1},
                               {"US application images", hosts.applicationImages2},
                               {"US application search", hosts.applicationSearch}});
    }
    if (services.us == Route::ppubs) {
        all.insert(all.end(), {{"USPTO Patent Public Search", services.ppubsUrl},
                               {"USPTO Patent Public Search images", services.ppubsImageUrl}});
    }
    if (services.us == Route::ops || services.other == Route::ops)
        all.push_back({"EPO Open Patent Services", services.opsUrl});
    if (services.other == Route::classic)
        all.push_back({"European Patent Office", hosts.ops});
    std::vector<ProxyTestTarget> targets;
    for (const ProxyTestTarget& target : all) {
        const bool known = std::any_of(targets.begin(), targets.end(), [&](const ProxyTestTarget& t) {
            return t.host == target.host;
        });
        if (!known)
            targets.push_back(target);
    }
    return targets;
}

wxString CheckProxyTestTargets(HttpSession& session, HttpsClient& client,
                               const std::vector<ProxyTestTarget>& targets)
{
    wxString rows;
    bool anyAnswered = false;
    for (const ProxyTestTarget& target : targets) {
        bool answered = false;
        const wxString outcome = target.IsUrl() ? AskUrl(client, target.host, answered)
                                                : AskClassicHost(session, target.host, answered);
        anyAnswered = anyAnswered || answered;
        rows += "<tr><td>" + EscapedHtml(target.service) + "</td><td>" + EscapedHtml(target.host) +
                "</td><td>" + EscapedHtml(outcome) + "</td></tr>\n";
    }
    if (!anyAnswered)
        return wxString();
    return "<html><head><title>Proxy Test</title></head>\n<body>\n"
           "<h3>The download services through these network settings</h3>\n<table>\n" +
           rows + "</table>\n</body></html>\n";
}
