#pragma once

// Runs `helper` (folioharvester-fetch or -ocr) from this program's folder
// with the arguments after argv[1] (the subcommand), after `mode` when one is
// given, in place of this process where the system can, so signals and the
// exit code are the helper's own. Returns only when the helper could not be
// started (1), or on Windows with the helper's exit code.
int ExecHelper(int argc, char** argv, const char* helper, const char* mode = nullptr);
