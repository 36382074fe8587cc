#include "cli/Commands.h"
#include "numbers/FormatHelp.h"

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int code;
    std::string out;
    std::string err;
};

CliRun Classify(const std::vector<std::string>& args)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    CliRun run;
    run.code = RunClassify(args);
    run.out = testing::internal::GetCapturedStdout();
    run.err = testing::internal::GetCapturedStderr();
    return run;
}

TEST(RunClassify, ValidEntriesPrintOneLineAndSucceed)
{
    const CliRun us = Classify({"5,123,456"});
    EXPECT_EQ(0, us.code);
    EXPECT_EQ("kind=us number=5123456 docid=5123456 file=5123456.pdf query=\n", us.out);
    EXPECT_EQ("", us.err);

    const CliRun cited = Classify({"US 6,103,599 B1"});
    EXPECT_EQ(0, cited.code);
    EXPECT_EQ("kind=us number=6103599 docid=6103599 file=6103599.pdf query=\n", cited.out);
}

TEST(RunClassify, InvalidEntryPrintsTheWindowsErrorAndExitsTwo)
{
    for (const std::string entry : {"ABC", "000", " , ", "%s", "HELLO", "xyz"}) {
        SCOPED_TRACE(entry);
        const CliRun run = Classify({entry});
        EXPECT_EQ(2, run.code);
        EXPECT_EQ(std::string(UnknownFormatMessage(entry).utf8_str()) + "\n", run.err);
        EXPECT_EQ(0u, run.out.rfind("kind=invalid number=", 0));
    }
}

TEST(RunClassify, NonAsciiArgumentsAreKeptNotDropped)
{
    const CliRun utf8 = Classify({"EP\xc3\xa9" "12"});  // "EPé12"
    EXPECT_EQ(2, utf8.code);
    EXPECT_EQ("kind=invalid number=EP\xc3\xa9" "12 docid= file= query=\n", utf8.out);

    const CliRun latin1 = Classify({"\xe9" "AB"});  // not UTF-8
    EXPECT_EQ(2, latin1.code);
    EXPECT_EQ("kind=invalid number=\xc3\xa9" "AB docid= file= query=\n", latin1.out);
}

TEST(RunClassify, WrongArgumentCountIsAUsageError)
{
    EXPECT_EQ(64, Classify({}).code);
    const CliRun two = Classify({"1", "2"});
    EXPECT_EQ(64, two.code);
    EXPECT_EQ("", two.out);
}

}  // namespace
