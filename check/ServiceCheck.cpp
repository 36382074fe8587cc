#include "check/ServiceCheck.h"

#include "check/EpsCheck.h"
#include "check/OpsCheck.h"
#include "check/PpubsCheck.h"
#include "net/HttpsClient.h"

#include <algorithm>

namespace {

using Kind = ServiceCheck::Target::Kind;
using Route = ServiceSettings::Route;

// A classic host's front page or the proxy test page is small; a larger
// answer still shows the way to the host works.
const size_t classicBodyCap = 1024 * 1024;

std::vector<ServiceCheck::Target> TargetsOf(const FetchSettings& settings, bool withOps)
{
    const Hosts& hosts = settings.hosts;
    const ServiceSettings& services = settings.services;
    std::vector<ServiceCheck::Target> all;
    if (services.us == Route::classic) {
        all.insert(all.end(), {{Kind::classic, "US patent images", hosts.patentImages1},
                               {Kind::classic, "US patent images", hosts.patentImages2},
                               {Kind::classic, "US application images", hosts.applicationImages1},
                               {Kind::classic, "US application images", hosts.applicationImages2},
                               {Kind::classic, "US application search", hosts.applicationSearch}});
    }
    if (services.us == Route::ppubs) {
        all.insert(all.end(), {{Kind::ppubs, "USPTO Patent Public Search", services.ppubsUrl},
                               {Kind::ppubsImages, "USPTO Patent Public Search images", services.ppubsImageUrl}});
    }
    if (services.EpRoute() == Route::eps)
        all.push_back({Kind::eps, "EPO publication server", services.epsUrl});
    if (withOps || services.us == Route::ops || services.EpRoute() == Route::ops || services.other == Route::ops)
        all.push_back({Kind::ops, "EPO Open Patent Services", services.opsUrl});
    if (services.other == Route::classic)
        all.push_back({Kind::classic, "European Patent Office", hosts.ops});
    if (hosts.HasUpdateServer())
        all.push_back({Kind::updateServer, "Update server", hosts.maker});
    // A classic host that serves two services is asked once.
    std::vector<ServiceCheck::Target> targets;
    for (const ServiceCheck::Target& target : all) {
        const bool known = target.kind == Kind::classic &&
                           std::any_of(targets.begin(), targets.end(), [&](const ServiceCheck::Target& t) {
                               return t.kind == Kind::classic && t.where == target.where;
                           });
        if (!known)
            targets.push_back(target);
    }
    return targets;
}

// Any answer, an error page too, shows that the way to the host works and,
// over HTTPS, that its certificate is trusted; a proxy's refusal does not.
bool Reached(const HttpAnswer& answer)
{
    const RequestFailure& failure = answer.failure;
    return answer.status != 0 && !(failure.kind == FailureKind::Auth && failure.httpStatus == 407);
}

bool Reach(HttpsClient& client, const wxString& url, wxString& detail)
{
    const HttpAnswer answer = client.Get(url);
    if (!Reached(answer)) {
        detail = answer.failure.text;
        return false;
    }
    detail = url.StartsWith("https://") ? "reachable, TLS trusted" : "reachable";
    return true;
}

}  // namespace

ServiceCheck::ServiceCheck(const FetchSettings& settings, bool withOps, StopTest stopTest)
    : services(settings.services)
    , targets(TargetsOf(settings, withOps))
    , today(std::make_unique<HttpsClient>(settings.network, settings.services.caFile))
    , classic(std::make_unique<HttpsClient>(settings.network))
    , stopTest(stopTest)
{
    today->SetStopTest(stopTest);
    classic->SetStopTest(stopTest);
    classic->SetBodyCap(classicBodyCap);
    ppubs = std::make_unique<PpubsCheck>(*today, services, stopTest);
}

ServiceCheck::~ServiceCheck() = default;

CheckLine ServiceCheck::Ask(const Target& target)
{
    CheckLine line{false, target.service, target.where, wxString()};
    if (target.kind == Kind::updateServer) {
        line.ok = AskUpdateServer(target.where, line.detail);
        return line;
    }
    const bool isClassic = target.kind == Kind::classic;
    if (!Reach(isClassic ? *classic : *today, isClassic ? "http://" + target.where + "/" : target.where,
               line.detail))
        return line;
    wxString more;
    switch (target.kind) {
    case Kind::ppubs:
        line.ok = ppubs->Search(more);
        break;
    case Kind::ppubsImages:
        line.ok = ppubs->DirectPdf(more);
        break;
    case Kind::ops:
        line.ok = CheckOpsKey(*today, services, more);
        break;
    case Kind::eps:
        line.ok = CheckEpsDocument(*today, services, stopTest, more);
        break;
    default:
        line.ok = true;
        break;
    }
    if (!more.empty())
        line.detail += "; " + more;
    return line;
}

bool ServiceCheck::AskUpdateServer(const wxString& host, wxString& detail)
{
    const HttpAnswer answer = classic->Get("http://" + host + "/proxyTest.htm");
    if (!Reached(answer)) {
        detail = answer.failure.text;
        return false;
    }
    proxyTestPage = answer.body;
    if (!answer.Ok()) {
        detail = wxString::Format("reachable, but it answered %u to /proxyTest.htm", answer.status);
        return false;
    }
    detail = wxString::Format("reachable; its proxy test page came (%zu bytes)", answer.body.size());
    return true;
}
