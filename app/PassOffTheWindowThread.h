// Runs a pass over the watch folder on a thread of its own while the window's thread
// keeps painting and answering the window manager. User input waits until the pass is
// done and then takes effect in the order it came, as if the window had been busy.
#pragma once

#include <functional>

// Returns when work has returned. work must not touch the window.
void RunPassOffTheWindowThread(const std::function<void()>& work);
