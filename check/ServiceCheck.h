#pragma once

#include "check/CheckLine.h"
#include "settings/FetchSettings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class HttpsClient;
class PpubsCheck;

// Asks each service the chosen routes use, and the update server when one is
// set, whether it works through the network settings given: reachable, its
// certificate trusted, and what a download needs of it — for EPO OPS the key
// accepted (with the service's load and the quota used), for Patent Public
// Search its page, a session, a search and the direct PDF of a known
// document, for the publication server a known document (with the weekly
// quota used), for the classic hosts an answer, for the update server its proxy
// test page. Reads only the settings given. One check serves one thread; its
// stop test ends a request within about 100 ms. Nothing throws.
class ServiceCheck
{
public:
    using StopTest = std::function<bool()>;

    // One line of the check: which service, and where.
    struct Target
    {
        enum class Kind { classic, ppubs, ppubsImages, eps, ops, updateServer };
        Kind kind;
        wxString service;
        wxString where;  // a URL of today's services; "host" or "host:port" otherwise
    };

    // `withOps` adds the OPS line when no route uses OPS, for testing a key
    // before choosing the route.
    explicit ServiceCheck(const FetchSettings& settings, bool withOps = false, StopTest stopTest = {});
    ~ServiceCheck();
    ServiceCheck(const ServiceCheck&) = delete;
    ServiceCheck& operator=(const ServiceCheck&) = delete;

    // In the order they are best shown: US documents' services, EP
    // documents', the other offices', the update server.
    const std::vector<Target>& Targets() const { return targets; }
    CheckLine Ask(const Target& target);
    // The update server's proxy test page as it came (an error page too);
    // empty until asked, or when none came.
    const std::string& ProxyTestPage() const { return proxyTestPage; }

private:
    bool AskUpdateServer(const wxString& host, wxString& detail);

    const ServiceSettings services;
    const std::vector<Target> targets;
    // Today's services with the extra authorities; the classic hosts and
    // the update server, plain HTTP, as their own clients reach them.
    std::unique_ptr<HttpsClient> today;
    std::unique_ptr<HttpsClient> classic;
    std::unique_ptr<PpubsCheck> ppubs;
    StopTest stopTest;
    std::string proxyTestPage;
};
