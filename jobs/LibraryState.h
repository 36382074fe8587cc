#pragma once

// wxWidgets and libqpdf build some of their shared state on first use (wx's
// locks as function-local statics, qpdf's default logger), on whichever
// thread gets there first: with jobs, the first job thread to log, to read a
// PDF or to end. Built by one short thread that the caller joins before any
// job starts, it is ordered before every job thread in a way ThreadSanitizer
// sees; the guards inside the libraries, which order it otherwise, it cannot
// see. Called on the main thread.
void BuildLibraryStateEarly();
