#pragma once

class wxThread;

// Asks a joinable thread to stop, waits for it and reaps it, whatever state
// it is in. wxThread::Delete alone leaves a thread that had already ended
// unjoined, so its system resources would stay behind.
void StopThread(wxThread& thread);
