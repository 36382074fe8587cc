// The assemble subcommand in a process that loads only what the PDF writer
// needs (wxBase, libcurl), so the benchmark can tell the writer's own cost
// from the start-up cost of the full command-line program.
#include "cli/Commands.h"

int main(int argc, char** argv)
{
    return RunAssemble(std::vector<std::string>(argv + 1, argv + argc));
}
