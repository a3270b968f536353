#pragma once
// Starting the program when the user logs in: an entry in the autostart
// folder of the user's configuration ($XDG_CONFIG_HOME/autostart), which
// desktops that follow the XDG autostart rules run at login.

#include <optional>
#include <string>

// The entry's path: "<desktop id>.desktop" in the autostart folder; empty
// without a home.
std::string AutostartEntryPath();

// Whether the entry exists and is not switched off (Hidden=true, or
// X-GNOME-Autostart-enabled=false, as other tools write it).
bool AutostartEnabled();

// The entry's text: program runs in folder, both quoted as desktop entries
// need. Nothing when either holds a control character, which an entry
// cannot carry.
std::optional<std::string> AutostartEntryText(const std::string& program,
                                              const std::string& folder);

// Writes the entry for the running program in the working folder (on), or
// removes it. False with errno set.
bool SetAutostart(bool on);
