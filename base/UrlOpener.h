#pragma once
// Every web page and HTML file the program shows goes through OpenUrl, so
// tests can see what would open without starting a browser.

#include <functional>

class QUrl;

// Shown when no web browser could be started for a page.
inline constexpr const char* kNoBrowserMessage = "웹브라우저를 실행할 수 없습니다";

// Opens url in the desktop's default handler; false when none could be started.
using UrlOpener = std::function<bool(const QUrl& url)>;

// Makes opener open every page from now on and returns the one it replaces;
// an empty opener brings back QDesktopServices::openUrl.
UrlOpener SetUrlOpener(UrlOpener opener);

// Opens url with the current opener; false when it could not be started.
bool OpenUrl(const QUrl& url);
