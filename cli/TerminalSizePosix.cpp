#include "cli/TerminalSize.h"

#include <sys/ioctl.h>
#include <unistd.h>

TerminalSize SizeOfTerminal()
{
    TerminalSize size;
    winsize window{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) == 0 && window.ws_col > 0 && window.ws_row > 0) {
        size.columns = window.ws_col;
        size.rows = window.ws_row;
    }
    return size;
}
