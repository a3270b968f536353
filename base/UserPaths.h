#pragma once
// Where the running program and the user's own folders are.

#include <string>

// The user's home folder: $HOME when it is absolute, else the password
// database's entry when absolute; empty when the user has none.
std::string HomeDirectory();

// The user's configuration folder: $XDG_CONFIG_HOME when it is absolute,
// else ~/.config; empty without either.
std::string ConfigHome();

// The user's data folder: $XDG_DATA_HOME when it is absolute, else
// ~/.local/share; empty without either.
std::string DataHome();

// The running program's executable (/proc/self/exe); empty when it cannot
// be read.
std::string ProgramPath();

// The folder of ProgramPath(), without a trailing slash; empty when unknown.
std::string ProgramDirectory();
