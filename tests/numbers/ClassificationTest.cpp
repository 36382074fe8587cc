#include "numbers/Classification.h"

#include <wx/filefn.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#ifdef _WIN32
// There the program is folioharvester-cli.exe, which the test does not
// look for: it skips. pclose gives the exit code itself.
#define WIFEXITED(status) ((status) >= 0)
#define WEXITSTATUS(status) (status)
#else
#include <sys/wait.h>
#endif

namespace {

using LineCase = std::pair<const char*, const char*>;

// Every example of the classification table, with the line the program prints.
const std::vector<LineCase>& TableExamples()
{
    static const std::vector<LineCase> cases = {
        {"5,123,456", "kind=us number=5123456 docid=5123456 file=5123456.pdf query="},
        {"0005123456", "kind=us number=5123456 docid=5123456 file=5123456.pdf query="},
        {"20020000001", "kind=us number=20020000001 docid=20020000001 file=20020000001.pdf query="},
        {"9/836917", "kind=us number=9-836917 docid= file=9-836917.pdf query=9/836917"},
        {"09/836917", "kind=us number=9-836917 docid= file=9-836917.pdf query=9/836917"},
        {"09/836,917", "kind=us number=9-836917 docid= file=9-836917.pdf query=9/836917"},
        {"10/012345", "kind=us number=10-12345 docid= file=10-12345.pdf query=10/12345"},
        {"10\\123456", "kind=us number=10-123456 docid= file=10-123456.pdf query=10/123456"},
        {"2004/0123456", "kind=us number=2004-123456 docid= file=2004-123456.pdf query=2004/123456"},
        {"D0365123", "kind=us number=D365123 docid=D0365123 file=D365123.pdf query="},
        {"d365123", "kind=us number=D365123 docid=D0365123 file=D365123.pdf query="},
        {"PP012835", "kind=us number=PP12835 docid=PP012835 file=PP12835.pdf query="},
        {"RE035136", "kind=us number=RE35136 docid=RE035136 file=RE35136.pdf query="},
        {"AI000318", "kind=us number=AI318 docid=AI000318 file=AI318.pdf query="},
        {"X0000001", "kind=us number=X1 docid=X0000001 file=X1.pdf query="},
        {"T0106201", "kind=us number=T106201 docid=T0106201 file=T106201.pdf query="},
        {"H0001520", "kind=us number=H1520 docid=H0001520 file=H1520.pdf query="},
        {"EP2219563", "kind=other number=EP2219563 docid= file=EP2219563.pdf query="},
        {"ep 2 219 563", "kind=other number=ep2219563 docid= file=ep2219563.pdf query="},
        {"EP2219563.B1", "kind=other number=EP2219563.B1 docid= file=EP2219563.B1.pdf query="},
        {"EP2219563B1", "kind=other number=EP2219563B1 docid= file=EP2219563B1.pdf query="},
        {"EP 1 000 000", "kind=other number=EP1000000 docid= file=EP1000000.pdf query="},
        // US numbers as citations write them.
        {"US6123456", "kind=us number=6123456 docid=6123456 file=6123456.pdf query="},
        {"US 6,103,599 B1", "kind=us number=6103599 docid=6103599 file=6103599.pdf query="},
        {"USD645062", "kind=us number=D645062 docid=D0645062 file=D645062.pdf query="},
        {"US2002/0123456 A1", "kind=us number=20020123456 docid=20020123456 file=20020123456.pdf query="},
        {"DE102004012345", "kind=other number=DE102004012345 docid= file=DE102004012345.pdf query="},
        // Other offices' numbers the US tests accept, but that give no US id.
        {"DE10100001", "kind=other number=DE10100001 docid= file=DE10100001.pdf query="},
        {"DK123456", "kind=other number=DK123456 docid= file=DK123456.pdf query="},
        {"HU0123456", "kind=other number=HU0123456 docid= file=HU0123456.pdf query="},
        {"tw200512345", "kind=other number=tw200512345 docid= file=tw200512345.pdf query="},
        {"TR200012345", "kind=other number=TR200012345 docid= file=TR200012345.pdf query="},
        {"WO2004/012345", "kind=other number=WO2004/012345 docid= file=WO2004-012345.pdf query="},
        {"WO02/051231", "kind=other number=WO02/051231 docid= file=WO02-051231.pdf query="},
        {"~aEP12", "kind=other number=~aEP12 docid= file=-aEP12.pdf query="},
        // US by their first letters or digits, but the US rules make no
        // document of them, and no country code and digit begins them.
        {"EP/1", "kind=invalid number=EP/1 docid= file= query="},
        {"D0", "kind=invalid number=D0 docid= file= query="},
        {"HELLO", "kind=invalid number=HELLO docid= file= query="},
        {"hello", "kind=invalid number=hello docid= file= query="},
        {"xyz", "kind=invalid number=xyz docid= file= query="},
        {"12a", "kind=invalid number=12a docid= file= query="},
        {"US-5123456", "kind=invalid number=US-5123456 docid= file= query="},
        {"ABC", "kind=invalid number=ABC docid= file= query="},
        {"0", "kind=invalid number=0 docid= file= query="},
        {"000", "kind=invalid number=000 docid= file= query="},
        {", , ,", "kind=invalid number= docid= file= query="},
    };
    return cases;
}

TEST(Classify, LineForEveryTableExample)
{
    for (const LineCase& c : TableExamples()) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(wxString(c.second), Classify(c.first).Line());
    }
}

// A citation's country and kind codes go: it is the number typed bare,
// given to the job, named and routed as that.
TEST(Classify, UsCitationsAreTheBareNumber)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"US 6,103,599 B1", "6103599"},
        {"us6103599b1", "6103599"},
        {"US 06,103,599 A", "6103599"},
        {"US6103599.B1", "6103599"},
        {"US D645,062 S", "D645062"},
        {"USRE43633E", "RE43633"},
        {"US RE43,633 E1", "RE43633"},
        {"US PP12,835 P2", "PP12835"},
        {"usPP12835p3", "PP12835"},
        {"USH1520H", "H1520"},
        {"UST106201I4", "T106201"},
        {"USX1", "X1"},
        {"USAI318", "AI318"},
        {"US2002/0123456 A1", "20020123456"},
        {"US 2002/0123456", "20020123456"},
        {"US20020123456A1", "20020123456"},
        {"US 2002/123456 A9", "20020123456"},  // six digits after the year, as search reports write
        {"US2002123456A1", "20020123456"},     // the epodoc form
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const Classification cited = Classify(c.first);
        const Classification bare = Classify(c.second);
        EXPECT_EQ(Classification::us, cited.kind);
        EXPECT_EQ(wxString(c.second), cited.typed);
        EXPECT_EQ(bare.Line(), cited.Line());
    }
}

// "US" and no number the US rules take: no other office's number either.
TEST(Classify, UsCodeWithoutUsNumberIsUnknownFormat)
{
    for (const char* text : {"US", "USB1", "US0000000B1", "USD0", "US09/836917", "US2002/12345678",
                             "US1999/0123456", "USD645062/1", "US6103599B12", "USQ123", "US6103599 B1 C1"}) {
        SCOPED_TRACE(text);
        const Classification c = Classify(text);
        EXPECT_EQ(Classification::invalid, c.kind);
        EXPECT_TRUE(c.file.empty());
    }
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The real executable, when the whole command-line program is built.
TEST(ClassifyCli, PrintsTheLineForEveryTableExample)
{
    const std::string cli = FH_BINARY_DIR "/folioharvester-cli";
    if (!wxFileExists(cli))
        GTEST_SKIP() << cli << " is not built";
    for (const LineCase& c : TableExamples()) {
        SCOPED_TRACE(c.first);
        const std::string command = cli + " classify " + ShellQuoted(c.first) + " 2>/dev/null";
        std::FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(nullptr, pipe);
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        const int status = pclose(pipe);
        EXPECT_EQ(std::string(c.second) + "\n", output);
        const bool invalid = std::string(c.second).rfind("kind=invalid", 0) == 0;
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(invalid ? 2 : 0, WEXITSTATUS(status));
    }
}

}  // namespace
