#include "cli/TerminalSize.h"

#include <windows.h>

TerminalSize SizeOfTerminal()
{
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    // The console takes the display's escape sequences once asked to.
    static const bool readied = [console] {
        DWORD mode = 0;
        if (GetConsoleMode(console, &mode))
            SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        return true;
    }();
    (void)readied;
    TerminalSize size;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(console, &info)) {
        size.columns = info.srWindow.Right - info.srWindow.Left + 1;
        size.rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    }
    return size;
}
