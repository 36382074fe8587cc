#pragma once

#include <atomic>

class Recogniser;

// One page's recognition as the pool runs it: exactly one of Run and Drop
// is called, once.
class OcrTask
{
public:
    virtual ~OcrTask() = default;
    // On a worker thread, with that worker's engine; `poolStopping` is set
    // when the pool stops meanwhile.
    virtual void Run(Recogniser& engine, const std::atomic<bool>& poolStopping) = 0;
    // Instead of Run, when the pool stopped before the task's turn.
    virtual void Drop() = 0;
};
