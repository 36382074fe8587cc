// folioharvester-ocr FILE.pdf...: the OCR front end, reached as
// `folioharvester-cli ocr`.
#include "cli/Commands.h"

int main(int argc, char** argv)
{
    return RunOcr(std::vector<std::string>(argv + 1, argv + argc));
}
