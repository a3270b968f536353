#pragma once
// The folder the program runs in. It must hold the data files and takes the
// files the program writes (log, schedules, pages). Run from the build
// tree, that is the program's own folder. Installed, the data files sit in
// a shared folder no user may write, so each user gets a folder of their
// own, "vesk" in $XDG_DATA_HOME, filled from the shared one.

#include <optional>
#include <string>

// Where the installed layout keeps the data files, relative to the
// program's folder.
extern const char* const kDataFromProgram;

// The shared data folder of the program in programDir: nothing when
// programDir holds the world time table itself (the program runs where it
// lies) or when the installed layout has no table either.
std::optional<std::string> InstalledDataFolder(const std::string& programDir);

// The user's own program folder: "vesk" in DataHome().
std::string UserProgramFolder();

// Creates folder (and its parents, mode 0700) and copies into it every
// regular file of dataFolder it lacks; files it holds, changed or not, stay
// as they are. False with errno set and failedPath naming the file or
// folder at fault.
bool FillUserFolder(const std::string& dataFolder, const std::string& folder,
                    std::string& failedPath);

// The start-up step before the check of the working directory: when the
// program in programDir is installed, fills the user's folder and changes
// into it. Empty when done or when there was nothing to do; otherwise the
// message for the user.
std::string EnterUserFolder(const std::string& programDir);
