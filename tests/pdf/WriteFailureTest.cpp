// Write failures made real: a child process with a file-size limit
// (RLIMIT_FSIZE) gets EFBIG from the kernel once the PDF reaches that size.
#include "pdf/PdfWriter.h"
#include "tests/support/TempHome.h"
#include "tests/pdf/PdfTestSupport.h"
#include "tests/pdf/TiffBytes.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

struct Outcome
{
    bool opened = false;
    int pagesAdded = 0;
    bool okAtEnd = false;
    bool closed = false;
};

Outcome WriteDocument(const std::string& path, const std::vector<std::string>& pages)
{
    Outcome outcome;
    PdfWriter writer(path, static_cast<int>(pages.size()));
    outcome.opened = writer.IsOk();
    for (const std::string& page : pages)
        if (AddBytes(writer, page))
            ++outcome.pagesAdded;
    outcome.okAtEnd = writer.IsOk();
    outcome.closed = writer.Close();
    return outcome;
}

// Runs WriteDocument in a child whose files may not grow past `limit` bytes.
Outcome WriteWithLimit(const std::string& path, const std::vector<std::string>& pages, rlim_t limit)
{
    const pid_t child = fork();
    if (child == 0)
    {
        std::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of death
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        const Outcome o = WriteDocument(path, pages);
        _exit((o.opened ? 1 : 0) | (o.okAtEnd ? 2 : 0) | (o.closed ? 4 : 0) | (o.pagesAdded << 3));
    }
    int status = 0;
    waitpid(child, &status, 0);
    Outcome outcome;
    if (!WIFEXITED(status))
        return outcome;
    const int code = WEXITSTATUS(status);
    outcome.opened = code & 1;
    outcome.okAtEnd = code & 2;
    outcome.closed = code & 4;
    outcome.pagesAdded = code >> 3;
    return outcome;
}

TEST(PdfWriterWriteFailure, NoFailedWriteLeavesAFileThatLooksComplete)
{
    TempHome home;
    const std::string path = home.Dir("out") + "/doc.pdf";
    // Three pages of 200 kB: larger together than the writer's buffer, so
    // data reaches the disk while pages are still being added.
    const std::vector<std::string> pages(3, PageFile(2550, 3300, 4, std::string(200000, 'g')));

    const Outcome whole = WriteWithLimit(path, pages, RLIM_INFINITY);
    ASSERT_TRUE(whole.closed);
    const std::string pdf = ReadFile(path);
    const size_t xref = pdf.rfind("\r\nxref\r\n") + 2;
    ASSERT_GT(xref, 2u);
    std::remove(path.c_str());

    const struct
    {
        const char* name;
        rlim_t limit;
        int pagesAdded;
    } cases[] = {
        {"the first write to the file fails", 10, 1},
        {"fails inside page 2", 200000, 1},
        {"all pages fit, the trailer does not", xref + 40, 3},
        {"one byte short of complete", pdf.size() - 1, 3},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Outcome o = WriteWithLimit(path, pages, c.limit);
        EXPECT_TRUE(o.opened);
        EXPECT_EQ(o.pagesAdded, c.pagesAdded);
        EXPECT_EQ(o.okAtEnd, c.pagesAdded == 3);
        EXPECT_FALSE(o.closed);
        EXPECT_FALSE(FileExists(path));
    }

    const Outcome exact = WriteWithLimit(path, pages, pdf.size());
    EXPECT_TRUE(exact.closed);
    EXPECT_EQ(ReadFile(path), pdf);
}

}  // namespace
