#pragma once

#include <memory>
#include <string>
#include <vector>

class HttpTrace;

// --trace FILE of the commands that talk to the services: every request
// and answer of the run goes to FILE, secrets replaced.
struct TraceOption
{
    std::string path;  // empty: no trace

    // Takes "--trace FILE" at args[i], moving i to FILE. False when args[i]
    // is another argument; `ok` turns false when FILE is missing or empty.
    bool Take(const std::vector<std::string>& args, size_t& i, bool& ok);
    // The trace to hand the run's clients: null when none is asked for, or,
    // with its one-line error printed, when FILE cannot be written
    // (`opened` false).
    std::shared_ptr<HttpTrace> Open(bool& opened) const;
};
