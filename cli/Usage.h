#pragma once

#include <string>

// The usage texts of folioharvester-cli and its subcommands, as --help
// prints them; the man page says the same.
std::string CliUsage();
std::string ClassifyUsage();
std::string AssembleUsage();
std::string FetchUsage();
std::string CheckUsage();
// The lines of --trace FILE in a command's options.
std::string TraceOptionUsage();
std::string OcrUsage();
