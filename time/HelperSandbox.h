#pragma once
// What the helper vesk-sync does to itself before it may act on the clock:
// nothing of its caller's stays open, and once its servers are looked up
// it can make no system call but those of the exchanges and the step.

// Closes every descriptor above standard error. False with errno when the
// kernel refuses.
bool CloseInheritedDescriptors();

// From here on, allows this process only the calls that sockets to known
// addresses, the exchanges, the step of the clock, writing the result and
// exiting need; any other call ends the process at once (SIGSYS). False
// with errno when the filter cannot be installed.
bool RestrictSystemCalls();
