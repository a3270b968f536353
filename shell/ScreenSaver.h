#pragma once
// The companion screen saver: where it is looked for, its entry in the
// "system.ini" of the user's configuration folder, and the desktop's
// screen-saver switch.

#include <functional>
#include <string>
#include <string_view>

// The companion screen saver, a separate program kept in the program
// directory (the working directory).
inline constexpr const char* kScreenSaverFileName = "Vesk3SCR.scr";

// The entry that names the screen saver: key SCRNSAVE.EXE of section [boot].
inline constexpr const char* kScreenSaverIniSection = "boot";
inline constexpr const char* kScreenSaverIniKey = "SCRNSAVE.EXE";

// The companion screen saver's absolute path in the working directory, or
// just its file name when the working directory cannot be found.
std::string ScreenSaverPath();

// Whether path names a regular file this process can open for reading.
bool CanOpenForReading(const std::string& path);

// The settings page's text when the screen saver is missing, with "\r\n"
// line breaks; it names the time service's home page.
std::string ScreenSaverMissingMessage();

// "system.ini" in the folder "Vesk Client V3.3" of $XDG_CONFIG_HOME, or of
// ~/.config when that is unset or not absolute; empty without a home.
std::string SystemIniPath();

// The ini text with key of section set to value: the first matching key of
// the first matching section (names compared without regard to ASCII case)
// is replaced; otherwise the key is added after the section's last non-blank
// line, or a new section with the key is added at the end. Every other line,
// comment and line ending stays as it was.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// Sets key of section in the ini file at path, creating the file and its
// folder when missing. The new text is written beside the file and renamed
// over it, so a failure leaves the old file whole. False, with errno set, when
// the file cannot be read or written, or when value holds a line break.
bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);

// Turns the desktop's screen saving on or off; false when it could not be
// asked. The default runs "xset s on" or "xset s off" on the X display in
// the background, and does nothing without one.
using ScreenSaverSwitch = std::function<bool(bool on)>;

// Makes sw the screen-saver switch and returns the one it replaces; an empty
// sw brings back the default. Tests replace it: the default changes the
// user's desktop.
ScreenSaverSwitch SetScreenSaverSwitch(ScreenSaverSwitch sw);

// SCRNSAVE.EXE of [boot] in SystemIniPath() becomes ScreenSaverPath() when
// scr, empty otherwise. False when system.ini could not be written.
bool WriteScreenSaverEntry(bool scr);

// The screen saver step of apply settings when the user changed SCR:
// WriteScreenSaverEntry, then screen saving is switched on (scr) or off, as
// far as the desktop allows. False when system.ini could not be written;
// the switch is always tried. Apply settings with SCR unchanged writes the
// entry alone: the desktop's own screen saver and lock are the user's.
bool ApplyScreenSaverSetting(bool scr);
