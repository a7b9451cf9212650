// Ending on SIGINT, SIGTERM or SIGHUP: the temporary files removed, the status 128 + the
// signal.
#pragma once

#include <functional>

// Blocks the three signals in this thread and every thread it starts from now on, and
// takes them on a thread of its own: there Before runs, every temporary file of the file
// layer is removed, and the process ends. Call before any other thread starts.
void EndOnInterrupt(std::function<void()> Before);
