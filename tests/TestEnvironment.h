#pragma once
// Every test program runs in a world of its own: a home, configuration and
// runtime folders made for the run and removed after it, and no real
// display, so no test can read or change the settings, files or desktop of
// the person who runs it.

// Points HOME and the XDG folders at a new temporary folder and the session
// bus at nothing and, unless a real Qt platform was asked for, forgets the
// display. Call first in main.
void IsolateTestEnvironment();
