#include "HungJobs.h"

#include "OfficeSim.h"

std::vector<std::string> HungDocuments()
{
    return {"5123456", "6000051", "EP1000000"};
}

std::string HungPartialPdf()
{
    return ".5123456.pdf.part";
}

void HangTheirRequests(const OfficeSim& sim)
{
    sim.Faults(R"([{"path": "Docid=5123456&PageNum=2", "action": "hang"},
                   {"path": "/.piw?Docid=6000051", "action": "hang"},
                   {"service": "ops", "path": "/epodoc/EP1000000/images", "action": "hang"}])");
}

int HungRequests(const OfficeSim& sim)
{
    const std::string log = sim.Log();
    const std::string mark = "\"fault\": \"hang\"";
    int count = 0;
    for (size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1))
        ++count;
    return count;
}
