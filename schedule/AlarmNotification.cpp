#include "schedule/AlarmNotification.h"

#include <string>

namespace {

// The three that notification markup needs escaped, and no more: a
// service need not know the entities of HTML ("&#39;").
std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c; break;
        }
    }
    return out;
}

} // namespace

std::vector<DesktopNotice> AlarmNotifications(const AlarmNotice& notice, bool markup)
{
    std::vector<DesktopNotice> out;
    out.reserve(notice.lines.size());
    for (const AlarmLine& line : notice.lines) {
        // Stored memos break lines with "\r\n"; a notification with "\n".
        std::string memo = line.memo;
        std::erase(memo, '\r');
        out.push_back({line.label, markup ? Escaped(memo) : memo});
    }
    return out;
}
