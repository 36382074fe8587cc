#include "SoakDocuments.h"

#include <cstdio>

namespace {

const int grantedCount = 14;
const int applicationCount = 12;
const int serialCount = 6;
const int opsCount = 14;

std::string Format(const char* pattern, int value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Steps of 37 walk the last two digits over both halves, so both mirrors
// of each service are used.
int Spread(int base, int k)
{
    return base + 37 * k;
}

std::string SerialOf(int k)
{
    return Format("10/5%05d", Spread(11, k));
}

std::string PublishedOf(int k)
{
    return Format("2004050%04d", Spread(11, k));
}

std::string OpsNumberOf(int k)
{
    return k % 3 == 2 ? Format("GB24%05d", Spread(17, k)) : Format("EP30%05d", Spread(17, k));
}

int OpsPagesOf(int k)
{
    return 1 + k % 4;
}

}  // namespace

std::vector<std::string> SoakDocuments()
{
    std::vector<std::string> documents;
    for (int k = 0; k < grantedCount; ++k)
        documents.push_back(Format("62%05d", Spread(3, k)));
    documents.push_back("D400017");
    documents.push_back("D400068");
    documents.push_back("RE037051");
    documents.push_back("PP013001");
    for (int k = 0; k < applicationCount; ++k)
        documents.push_back(Format("2004000%04d", Spread(100, k)));
    for (int k = 0; k < serialCount; ++k)
        documents.push_back(SerialOf(k));
    for (int k = 0; k < opsCount; ++k)
        documents.push_back(OpsNumberOf(k));

    // Mixed, so jobs of every kind run side by side.
    std::vector<std::string> mixed;
    for (size_t stride = 0; stride < 5; ++stride)
        for (size_t i = stride; i < documents.size(); i += 5)
            mixed.push_back(documents[i]);
    return mixed;
}

std::string SoakCatalogJson()
{
    std::string serials;
    for (int k = 0; k < serialCount; ++k)
        serials += (k ? ", \"" : "\"") + SerialOf(k) + "\": \"" + PublishedOf(k) + "\"";
    std::string ops;
    for (int k = 0; k < opsCount; ++k) {
        const std::string number = OpsNumberOf(k);
        const std::string base = "published-data/images/" + number.substr(0, 2) + "/" +
                                 number.substr(2) + "/A1/";
        ops += (k ? ", \"" : "\"") + number + "\": [" +
               "{\"desc\": \"Drawing\", \"link\": \"" + base + "thumbnail\", \"pages\": 1}, " +
               "{\"desc\": \"FullDocument\", \"link\": \"" + base + "fullimage\", \"pages\": " +
               std::to_string(OpsPagesOf(k)) + "}]";
    }
    return "{\"granted\": {}, \"applications\": {}, \"serials\": {" + serials + "}, \"ops\": {" +
           ops + "}}";
}

const std::vector<RequestKind>& SoakRequestKinds()
{
    static const std::vector<RequestKind> kinds = {
        {"US page", "", "/.DImg?",
         {"reset", "refuse", "delay", "truncate", "empty", "status", "html"}, 9},
        {"OPS page", "ops", "fullimage.tiff",
         {"reset", "refuse", "delay", "truncate", "empty", "html"}, 5},
        {"US page list", "", "&idkey=NONE", {"reset", "refuse", "delay", "truncate", "empty"}, 0},
        {"application search", "applicationSearch", "nph-Parser",
         {"reset", "refuse", "delay", "truncate", "empty"}, 0},
        {"OPS image list", "ops", "/epodoc/", {"reset", "refuse", "delay", "truncate", "empty"}, 0},
    };
    return kinds;
}

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Selector(const RequestKind& kind)
{
    std::string selector = kind.service.empty() ? "" : "\"service\": " + Quoted(kind.service) + ", ";
    return selector + "\"path\": " + Quoted(kind.path) + ", \"ms\": 150, \"status\": 500";
}

}  // namespace

std::string SoakFaultsJson(int percent)
{
    std::vector<std::string> rules;
    for (const RequestKind& kind : SoakRequestKinds()) {
        if (kind.spacing == 0)
            continue;
        for (size_t i = 0; i < kind.actions.size(); ++i)
            rules.push_back("{" + Selector(kind) + ", \"nth\": [" +
                            std::to_string(3 + i * kind.spacing) + "], \"action\": " +
                            Quoted(kind.actions[i]) + "}");
    }
    int seed = 1;
    for (const RequestKind& kind : SoakRequestKinds()) {
        std::string actions;
        for (const std::string& action : kind.actions)
            actions += (actions.empty() ? "" : ", ") + Quoted(action);
        rules.push_back("{" + Selector(kind) + ", \"percent\": " + std::to_string(percent) +
                        ", \"seed\": " + std::to_string(seed++) + ", \"action\": [" + actions + "]}");
    }
    std::string json;
    for (const std::string& rule : rules)
        json += (json.empty() ? "[" : ", ") + rule;
    return json + "]";
}
