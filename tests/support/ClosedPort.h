#pragma once

// A loopback port that nothing listens on: bound once to let the kernel
// pick a free one, then released.
int ClosedLoopbackPort();
