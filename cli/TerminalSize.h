#pragma once

// The size of the terminal on standard output, 80 x 24 when it gives none.
// The first call also readies it for the cursor movements of the display.
struct TerminalSize
{
    int columns = 80;
    int rows = 24;
};

TerminalSize SizeOfTerminal();
