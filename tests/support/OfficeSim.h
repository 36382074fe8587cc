#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <sys/types.h>

// The local office simulator (tools/office-sim) as a child process for one
// test: started on free loopback ports, stopped when this object goes.
class OfficeSim
{
public:
    // The routes a settings file chooses ([services] us, ep and other): the
    // original services, OPS 3.2 for every office (ep=ops), the program's defaults
    // (Patent Public Search for US documents, ep=auto, OPS 3.2 for the
    // others), or those defaults on a first run, without an OPS key (EP
    // documents then come from the publication server).
    enum class Routes { classic, ops, defaults, firstRun };

    // The consumer key and secret the simulator's OPS 3.2 accepts by default.
    static constexpr const char* opsKey = "office-sim-demo-key";
    static constexpr const char* opsSecret = "office-sim-demo-secret";

    // Extra command-line arguments are passed to the simulator.
    explicit OfficeSim(const std::string& extraArgs = "");
    ~OfficeSim();
    OfficeSim(const OfficeSim&) = delete;
    OfficeSim& operator=(const OfficeSim&) = delete;

    bool Running() const { return !hosts.empty(); }
    // "127.0.0.1:PORT" of a service: patentImages1, patentImages2,
    // applicationImages1, applicationImages2, applicationSearch, ops, maker,
    // of the OPS 3.2 listeners ops32 (HTTP) and ops32tls (HTTPS), of
    // Patent Public Search's ppubs, ppubsImages, ppubsTls and ppubsImagesTls,
    // and of the publication server's eps and epsTls.
    std::string Host(const std::string& service) const;
    int Port(const std::string& service) const;
    // The services of the "hosts" group.
    const std::map<std::string, std::string>& AllHosts() const { return hosts; }

    // The OPS 3.2 base URL ("http://127.0.0.1:PORT/3.2", the value of [ops] url)
    // of the plain listener, or with tls of the HTTPS one.
    std::string OpsUrl(bool tls = false) const;
    // The base URL of Patent Public Search ("http://127.0.0.1:PORT", [ppubs] url)
    // or with images of its image host ([ppubs] imageUrl), over HTTPS with tls.
    std::string PpubsUrl(bool images = false, bool tls = false) const;
    // The publication server's base URL ("http://127.0.0.1:PORT/publication-server",
    // [eps] url), over HTTPS with tls.
    std::string EpsUrl(bool tls = false) const;
    // The PEM file of the authority that signed the HTTPS listener's certificate.
    const std::string& CaFile() const { return caFile; }

    // Writes a settings file whose "hosts" group points every service here and
    // whose "services" and "ops" groups choose `routes`, trust CaFile() and name
    // the OPS 3.2 service (`opsUrl`, by default the HTTPS one) with the demo key
    // (none for firstRun)
    // and Patent Public Search and the publication server (HTTPS when there
    // is a CaFile());
    // the other lines of an existing file are kept.
    void WriteSettings(const std::string& settingsFile, Routes routes = Routes::classic,
                       const std::string& opsUrl = "") const;

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
    // The platform's part (OfficeSimPosix.cpp, OfficeSimWindows.cpp): the
    // child's output as it comes, at most `size` bytes; <= 0 at its end or
    // when nothing came in time.
    long ReadFromChild(char* buffer, size_t size, int timeoutMs);
    void Stop();
    // One HTTP/1.0 exchange with a listener of the simulator.
    static bool Exchange(int port, const std::string& request, std::string& answer);
    // Writes a file only its owner can read.
    static bool WriteOwnerOnly(const std::string& path, const std::string& text);

#ifdef _WIN32
    // The test runner starts the simulator on the build machine's side (see
    // tests/support/host-relay): this connection stands for its stdin and
    // stdout, and closing it ends the simulator.
    uintptr_t relay = ~uintptr_t(0);
#else
    pid_t pid = -1;
    int toChild = -1;    // the simulator's stdin: closing it ends the simulator
    int fromChild = -1;  // the simulator's stdout
#endif
    std::map<std::string, std::string> hosts;
    std::map<std::string, std::string> urls;  // OPS 3.2 listeners
    std::string caFile;
};
