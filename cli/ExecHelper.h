#pragma once

#include <vector>

// Runs `helper` (folioharvester-fetch or -ocr) from this program's folder
// with the arguments of argv that `passOn` lists by their index, in its
// order, after `mode` when one is given, in place of this process where the
// system can, so signals and the exit code are the helper's own. Returns
// only when the helper could not be started (1), or on Windows with the
// helper's exit code.
int ExecHelper(char** argv, const std::vector<int>& passOn, const char* helper, const char* mode = nullptr);
