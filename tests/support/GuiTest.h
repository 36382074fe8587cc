#pragma once

#include <functional>
#include <string>

class wxWindow;

// Runs the event loop until `done` holds or `timeoutMs` passes; returns
// whether it holds. GUI tests run inside the real main loop, so posted job
// events are delivered while this pumps.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Runs the event loop for a while, delivering whatever is pending.
void PumpFor(int ms);

// With FH_SCREENSHOT_DIR set, saves what the screen shows of `window` there
// as NAME.png, for the documentation; otherwise does nothing.
void SaveScreenshot(wxWindow* window, const std::string& name);
