#pragma once
// The folder the program runs in. It must hold the data files and takes the
// files the program writes (log, schedules, pages). Run from the build
// tree, that is the program's own folder. Installed, the data files sit in
// a shared folder no user may write, so each user gets a folder of their
// own, "vesk" in $XDG_DATA_HOME, filled from the shared one.
//
// Whoever may write in that folder may plant links and files the program
// then writes through or reads: it must be the user's own.

#include <string>

// Where the installed layout keeps the data files, relative to the
// program's folder.
extern const char* const kDataFromProgram;

// The start-up step before the check of the working directory. The
// program in programDir is installed when that folder lacks the world time
// table and the installed layout's data folder holds it; then "vesk" in
// DataHome() is made (mode 0700, with its parents) and checked as
// CheckWorkingFolder does, except that a folder of the user's that others
// may write is made 0700; only then does the program change into it and
// copy in every data file it lacks (files it holds, changed or not, stay).
// Empty when done or when there was nothing to do; otherwise the message
// for the user, and nothing was written.
std::string EnterUserFolder(const std::string& programDir);

// Whether the working folder is the user's own: a folder owned by the
// effective user that neither group nor others may write. Empty when it
// is; otherwise the message for the user.
std::string CheckWorkingFolder();

// Installed, a world time table in the working folder that yields no
// region at all is renamed with "_" appended and replaced by the shared
// copy, when that one has regions. The message telling the user so; empty
// when nothing was replaced.
std::string RepairWorldTimeTable(const std::string& programDir);
