#pragma once

#include <map>
#include <string>

#include <sys/types.h>

// The local office simulator (tools/office-sim) as a child process for one
// test: started on free loopback ports, stopped when this object goes.
class OfficeSim
{
public:
    // Extra command-line arguments are passed to the simulator.
    explicit OfficeSim(const std::string& extraArgs = "");
    ~OfficeSim();
    OfficeSim(const OfficeSim&) = delete;
    OfficeSim& operator=(const OfficeSim&) = delete;

    bool Running() const { return pid > 0 && !hosts.empty(); }
    // "127.0.0.1:PORT" of a service: patentImages1, patentImages2,
    // applicationImages1, applicationImages2, applicationSearch, ops, maker.
    std::string Host(const std::string& service) const;
    int Port(const std::string& service) const;
    const std::map<std::string, std::string>& AllHosts() const { return hosts; }

    // Writes a settings file whose "hosts" group points every service here,
    // keeping the other lines of an existing file.
    void WriteSettings(const std::string& settingsFile) const;

    // Control requests (see tools/office-sim/README.md); each returns the body.
    // A control request that gets no answer or a status other than 200 fails
    // the running test.
    std::string Control(const std::string& method, const std::string& path,
                        const std::string& body = "") const;
    std::string Log() const { return Control("GET", "/_sim/log"); }
    void Faults(const std::string& json) const { Control("POST", "/_sim/faults", json); }
    void Reset() const { Control("POST", "/_sim/reset"); }

private:
    bool ReadServiceLines(int timeoutMs);
    void Stop();

    pid_t pid = -1;
    int toChild = -1;    // the simulator's stdin: closing it ends the simulator
    int fromChild = -1;  // the simulator's stdout
    std::map<std::string, std::string> hosts;
};
