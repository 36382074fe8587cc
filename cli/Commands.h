#pragma once

#include <string>
#include <vector>

// The subcommands of folioharvester-cli (fetch runs as folioharvester-fetch,
// ocr as folioharvester-ocr);
// each returns the process exit code.
int RunClassify(const std::vector<std::string>& args);
int RunAssemble(const std::vector<std::string>& args);
int RunFetch(const std::vector<std::string>& args);
int RunOcr(const std::vector<std::string>& args);
