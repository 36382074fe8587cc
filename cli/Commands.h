#pragma once

#include <string>
#include <vector>

// What folioharvester-fetch takes first to run `check` instead of `fetch`.
inline constexpr const char* checkOption = "--check";

// The subcommands of folioharvester-cli (fetch and check run as
// folioharvester-fetch, ocr as folioharvester-ocr);
// each returns the process exit code.
int RunClassify(const std::vector<std::string>& args);
int RunAssemble(const std::vector<std::string>& args);
int RunFetch(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunOcr(const std::vector<std::string>& args);
