#include "numbers/Classification.h"

#include <wx/filefn.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>
#include <utility>
#include <vector>

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
        {"US6123456", "kind=other number=US6123456 docid= file=US6123456.pdf query="},
        {"DE102004012345", "kind=other number=DE102004012345 docid= file=DE102004012345.pdf query="},
        // Other offices' numbers the US tests accept, but that give no US id.
        {"DE10100001", "kind=other number=DE10100001 docid= file=DE10100001.pdf query="},
        {"DK123456", "kind=other number=DK123456 docid= file=DK123456.pdf query="},
        {"HU0123456", "kind=other number=HU0123456 docid= file=HU0123456.pdf query="},
        {"tw200512345", "kind=other number=tw200512345 docid= file=tw200512345.pdf query="},
        {"TR200012345", "kind=other number=TR200012345 docid= file=TR200012345.pdf query="},
        {"WO2004/012345", "kind=other number=WO2004/012345 docid= file=WO2004-012345.pdf query="},
        {"~aEP12", "kind=other number=~aEP12 docid= file=-aEP12.pdf query="},
        // Not a country code and a digit: the US route reports the unknown format.
        {"EP/1", "kind=us number=EP/1 docid= file= query="},
        {"D0", "kind=us number=D0 docid= file= query="},
        {"HELLO", "kind=us number=HELLO docid= file= query="},
        {"12a", "kind=us number=12a docid= file= query="},
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
