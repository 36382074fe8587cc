#pragma once

#include "pdf/PdfWriter.h"

#include <wx/mstream.h>

#ifdef _WIN32
#include "HostRelay.h"
#else
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <string>
#include <vector>

// The fax-page fixtures and the scripts that compare a PDF page with its TIFF.
inline const std::string fixtures = FH_TEST_DATA "/pdf/";
inline const std::string pdfChecks = FH_SOURCE_DIR "/tests/pdf/tools/";

inline bool AddBytes(PdfWriter& writer, const std::string& bytes)
{
    wxMemoryInputStream input(bytes.data(), bytes.size());
    return writer.AddPage(input);
}

// Byte offset of "N 0 obj" at the start of a line, or npos.
inline size_t ObjectPosition(const std::string& pdf, int number)
{
    const std::string head = std::to_string(number) + " 0 obj\r\n";
    size_t at = pdf.find(head);
    while (at != std::string::npos && at != 0 && pdf[at - 1] != '\n')
        at = pdf.find(head, at + 1);
    return at;
}

// The xref entries after "xref\r\n0 N\r\n", each as its 20 bytes.
inline std::vector<std::string> XrefEntries(const std::string& pdf)
{
    std::vector<std::string> entries;
    const size_t xref = pdf.rfind("xref\r\n0 ");
    if (xref == std::string::npos)
        return entries;
    const size_t countStart = xref + 8;
    const size_t countEnd = pdf.find("\r\n", countStart);
    const int count = std::atoi(pdf.substr(countStart, countEnd - countStart).c_str());
    for (int i = 0; i < count; ++i)
        entries.push_back(pdf.substr(countEnd + 2 + 20 * i, 20));
    return entries;
}

// Under Wine the checking tools are the build machine's own, run through
// the test runner's relay.
inline int RunShell(const std::string& command)
{
#ifdef _WIN32
    return HostRelay::Run(command);
#else
    const int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
}

inline bool ToolExists(const std::string& tool)
{
    return RunShell("command -v " + tool + " >/dev/null 2>&1") == 0;
}

// Runs a shell command with its output sent to `log`; the exit status.
inline int RunTool(const std::string& command, const std::string& log)
{
    return RunShell(command + " >'" + log + "' 2>&1");
}
