#pragma once
// Waking on whole seconds of the system clock, for the clock faces and the
// alarm thread, whose work changes only when the second does.

#include <chrono>
#include <ctime>

// The system clock's time in whole seconds, read precisely. std::time reads
// a coarse clock that still shows the old second for a few milliseconds
// after the boundary, just when a wait of UntilNextSecond ends.
std::time_t SecondsNow();

// Time from now until just after the next whole second of the system clock:
// the next boundary plus a margin of 1 ms, so a wait of this long finds the
// new second already there. In (1 ms, 1001 ms].
std::chrono::milliseconds UntilNextSecond(std::chrono::system_clock::time_point now);
