#include "net/ProxyTestTargets.h"

#include "net/HttpSession.h"

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

}  // namespace

std::vector<ProxyTestTarget> ProxyTestTargets(const Hosts& hosts)
{
    const ProxyTestTarget all[] = {
        {"US patent images", hosts.patentImages1},
        {"US patent images", hosts.patentImages2},
        {"US application images", hosts.applicationImages1},
        {"US application images", hosts.applicationImages2},
        {"US application search", hosts.applicationSearch},
        {"European Patent Office", hosts.ops},
    };
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

wxString CheckProxyTestTargets(HttpSession& session, const std::vector<ProxyTestTarget>& targets)
{
    wxString rows;
    bool anyAnswered = false;
    for (const ProxyTestTarget& target : targets) {
        wxString outcome;
        // Any answer, an error page too, shows that the way to the service works.
        std::unique_ptr<wxInputStream> body;
        if (session.Connect(target.host))
            body = session.Request("/");
        if (body) {
            anyAnswered = true;
            outcome = wxString::Format("answered (HTTP %u)", session.GetStatusCode());
        } else {
            outcome = "no answer: " + session.GetError();
        }
        rows += "<tr><td>" + EscapedHtml(target.service) + "</td><td>" + EscapedHtml(target.host) +
                "</td><td>" + EscapedHtml(outcome) + "</td></tr>\n";
    }
    if (!anyAnswered)
        return wxString();
    return "<html><head><title>Proxy Test</title></head>\n<body>\n"
           "<h3>The download services through these network settings</h3>\n<table>\n" +
           rows + "</table>\n</body></html>\n";
}
