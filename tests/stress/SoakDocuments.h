#pragma once

#include <string>
#include <vector>

// The documents of the soak runs, as typed: granted US patents of several
// series, application publications, application serial numbers and other
// offices' numbers, spread over both mirrors of each US image service.
std::vector<std::string> SoakDocuments();

// A simulator catalog that knows every soak document: serials and OPS
// entries are listed; granted patents and applications get the
// simulator's page counts derived from their digits.
std::string SoakCatalogJson();

// The kinds of request a soak run makes, each with the fault actions after
// which the jobs retry it: a status or an HTML page in place of a page list,
// a search result or an OPS image list ends a job by design, and so does a
// status on an OPS page.
struct RequestKind
{
    std::string name;
    std::string service;  // empty: any
    std::string path;     // a fragment of the request path
    std::vector<std::string> actions;
    // Nonzero: each action is also given once for sure, on the matching
    // requests 3, 3 + spacing, 3 + 2 * spacing, ...
    size_t spacing;
};
const std::vector<RequestKind>& SoakRequestKinds();

// Fault rules: the sure ones above, then about `percent` % of every kind
// failing with its actions, chosen by fixed seeds.
std::string SoakFaultsJson(int percent);
