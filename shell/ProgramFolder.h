#pragma once
// The folder the program runs in. It must hold the data files and takes the
// files the program writes (log, schedules, pages). Run from the build
// tree, that is the program's own folder. Installed, the data files sit in
// a shared folder no user may write, so each user gets a folder of their
// own, "vesk" in $XDG_DATA_HOME, filled from the shared one.

#include <string>

// Where the installed layout keeps the data files, relative to the
// program's folder.
extern const char* const kDataFromProgram;

// The start-up step before the check of the working directory. The
// program in programDir is installed when that folder lacks the world time
// table and the installed layout's data folder holds it; then "vesk" in
// DataHome() is made (mode 0700, with its parents), every data file it
// lacks is copied in (files it holds, changed or not, stay) and the
// program changes into it. Empty when done or when there was nothing to
// do; otherwise the message for the user.
std::string EnterUserFolder(const std::string& programDir);
