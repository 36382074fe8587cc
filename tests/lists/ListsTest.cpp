#include "CliProcess.h"
#include "TempHome.h"

#include "lists/ListFile.h"
#include "lists/ListImport.h"
#include "lists/ListReport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Entries = std::vector<std::pair<int, std::string>>;

Entries Of(const std::vector<ListLine>& lines)
{
    Entries result;
    for (const ListLine& line : lines)
        result.emplace_back(line.line, line.text.utf8_string());
    return result;
}

TEST(ListFile, EachLineIsOneEntryAsTyped)
{
    const std::string longLine(201, '1');
    struct Case
    {
        const char* name;
        std::string bytes;
        Entries entries;
        Entries tooLong;
        Entries withNul = {};
    };
    const Case cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF" "5123456\nEP1000000", {{1, "5123456"}, {2, "EP1000000"}}, {}},
        {"CR LF", "5123456\r\nD365123\r\n", {{1, "5123456"}, {2, "D365123"}}, {}},
        {"blank lines", "\n  \n\t\n5123456\n\n", {{4, "5123456"}}, {}},
        {"comments", "# cited\n  # also\n5123456 # not a comment\n", {{3, "5123456 # not a comment"}}, {}},
        {"commas and blanks kept", " 5,123,456 \nEP 1000000\n", {{1, "5,123,456"}, {2, "EP 1000000"}}, {}},
        {"too long", "5123456\n" + longLine + "\n" + std::string(200, '2'),
         {{1, "5123456"}, {3, std::string(200, '2')}}, {{2, std::string(200, '1')}}},
        {"not UTF-8", "EP\xE9" "1\n", {{1, "EP\xC3\xA9" "1"}}, {}},
        {"empty", "", {}, {}},
        {"NUL bytes", std::string("5123456\n51234\0" "56\n\0\n", 18), {{1, "5123456"}}, {},
         {{2, "51234\xEF\xBF\xBD" "56"}, {3, "\xEF\xBF\xBD"}}},
        {"far too long", std::string(5000, ' ') + "5123456" + std::string(5000, ' ') + "\n" + std::string(1000000, '7'),
         {{1, "5123456"}}, {{2, std::string(200, '7')}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ListFile list = ParseList(c.bytes);
        EXPECT_EQ(Of(list.entries), c.entries);
        EXPECT_EQ(Of(list.tooLong), c.tooLong);
        EXPECT_EQ(Of(list.withNul), c.withNul);
        EXPECT_EQ(list.leftOut, 0u);
    }
}

// A list of millions of short lines keeps its first entries only, and says
// in one line how many more there were.
TEST(ListFile, EntriesPastTheLimitAreOnlyCounted)
{
    const std::string nul("\0\n\n", 3);
    std::string bytes;
    for (size_t i = 0; i < ListFile::maxEntries + 5; ++i)
        bytes += i % 2 ? "?\n# comment\n" : nul;
    const ListFile list = ParseList(bytes);
    EXPECT_EQ(list.entries.size() + list.withNul.size(), ListFile::maxEntries);
    EXPECT_EQ(list.leftOut, 5u);
    EXPECT_EQ(LeftOutLine("list.txt", list).utf8_string(),
              "list.txt: only the first 100000 entries are taken, 5 more left out");
}

TEST(ListFile, AnUnreadableFileIsAOneLineError)
{
    TempHome home;
    ListFile list;
    wxString error;
    EXPECT_FALSE(ReadListFile(home.Path() + "/missing.txt", list, error));
    EXPECT_EQ(error, home.Path() + "/missing.txt: No such file or directory");
    EXPECT_FALSE(ReadListFile(home.Path(), list, error));
    EXPECT_EQ(error, home.Path() + ": Is a directory");

    WriteFile(home.Path() + "/list.txt", "5123456\r\n");
    ASSERT_TRUE(ReadListFile(home.Path() + "/list.txt", list, error)) << error;
    EXPECT_EQ(Of(list.entries), (Entries{{1, "5123456"}}));
}

TEST(ListImport, EachDocumentIsAddedOnceAndInvalidEntriesAreKept)
{
    std::set<wxString> listed{DocumentKey(Classify("EP1000000"))};
    const ListFile list = ParseList("5,123,456\nABC\n5123456\nep1000000\nD365123\n" + std::string(300, '9')
                                    + "\nD0365123\n?\n5123457\nHELLO\nHELLO\nUS 5,123,457 B1\nUSD645062S\n"
                                    + std::string("51\0", 3));
    const ListImport import = SortList(list, listed);
    EXPECT_EQ(Of(import.add),
              (Entries{{1, "5,123,456"}, {5, "D365123"}, {9, "5123457"}, {13, "USD645062S"}}));
    EXPECT_EQ(Of(import.invalid), (Entries{{2, "ABC"},
                                           {6, std::string(200, '9')},
                                           {8, "?"},
                                           {10, "HELLO"},
                                           {11, "HELLO"},
                                           {14, "51\xEF\xBF\xBD"}}));
    EXPECT_EQ(import.duplicates, 4u);
    EXPECT_EQ(listed.size(), 5u);
    // A citation is the US document of its bare number.
    EXPECT_EQ(listed.count(DocumentKey(Classify("D645062"))), 1u);
}

TEST(ListReport, WritesQuotedCsvThatReplacesTheFileWhole)
{
    TempHome home;
    const std::string path = home.Path() + "/report.csv";
    WriteFile(path, "old report");
    const std::vector<ReportRow> rows = {
        {"5,123,456", "5123456", "Finished!", "/tmp/a b/5123456.pdf"},
        {"=HYPERLINK(\"x\")", "", "\"ABC\" -- Unknown Format", ""},
        {"-1", "+1", "@x", "multi\nline"},
        {"\t=1+2", "\r=1+2", "", ""},
    };
    wxString error;
    ASSERT_TRUE(WriteReport(path, rows, error)) << error;
    EXPECT_EQ(ReadFile(path), "entry,number,status,file\r\n"
                              "\"5,123,456\",5123456,Finished!,/tmp/a b/5123456.pdf\r\n"
                              "\"'=HYPERLINK(\"\"x\"\")\",,\"\"\"ABC\"\" -- Unknown Format\",\r\n"
                              "'-1,'+1,'@x,\"multi\nline\"\r\n"
                              "'\t=1+2,\"'\r=1+2\",,\r\n");
    EXPECT_EQ(FilesIn(home.Path()), std::vector<std::string>{"report.csv"});

    // A report that cannot take the place of PATH leaves nothing behind.
    const std::string folder = home.Dir("folder");
    EXPECT_FALSE(WriteReport(folder, rows, error));
    EXPECT_EQ(error, folder + ": Is a directory");
    EXPECT_EQ(FilesIn(home.Path()), std::vector<std::string>{"report.csv"});

    const std::string missing = home.Path() + "/no/report.csv";
    EXPECT_FALSE(WriteReport(missing, rows, error));
    EXPECT_EQ(error, missing + ": No such file or directory");
}

}  // namespace
