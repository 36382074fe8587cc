#pragma once

// wxWidgets builds some of its locks on first use, as function-local statics,
// on whichever thread gets there first: with jobs, the first job thread to log
// or to end. Built by one short thread that the caller joins before any job
// starts, they are ordered before every job thread in a way ThreadSanitizer
// sees; the static's guard inside the library, which orders them otherwise,
// it cannot see. Called on the main thread.
void BuildWxLocksEarly();
