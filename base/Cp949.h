#pragma once
// Conversion between CP949, the Korean code page of the files the program
// shares with its users (world time table, schedules, help text, HTML pages),
// and UTF-8, the encoding of every string inside the program. CP949 here is
// the full unified Hangul code, extension syllables such as 똠 (0x8C63)
// included. Both directions are thread-safe and never fail: what cannot be
// converted is replaced, so a damaged file still shows what it can. On a
// system without glibc's CP949 converter (gconv modules missing) only ASCII
// passes and every other character is replaced.

#include <optional>
#include <string>
#include <string_view>

// UTF-8 text of cp949. A byte that does not begin a valid character becomes
// U+FFFD; a refused lead byte followed by a non-ASCII byte counts as one
// unknown character (one U+FFFD for both), otherwise only the lead byte is
// replaced and the next byte is read afresh, so ASCII after a damaged lead
// byte survives. A lead byte at the very end also becomes U+FFFD.
std::string Cp949ToUtf8(std::string_view cp949);

// CP949 bytes of utf8. A character that CP949 cannot hold, and each byte
// that is not part of well-formed UTF-8, becomes '?'.
std::string Utf8ToCp949(std::string_view utf8);

// The first character of utf8 that CP949 cannot hold, so that a text about
// to be stored can be refused rather than come back with "?"; U+FFFD for
// bytes that are not well-formed UTF-8. Nothing when all of utf8 can be
// stored and read back unchanged.
std::optional<std::string> FirstCharNotInCp949(std::string_view utf8);
