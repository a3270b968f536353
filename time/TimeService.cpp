#include "time/TimeService.h"

#include "base/DateText.h"
#include "base/Options.h"
#include "time/Compare.h"

#include <cstdio>
#include <ctime>

std::string LastServerText(std::int32_t serverId)
{
    const char* host = nullptr;
    switch (serverId) {
    case kServerNone:
        return "접속된 서버가 없습니다";
    case kServerPrimary:
        host = kPrimaryTimeServer;
        break;
    case kServerSecondary:
        host = kSecondaryTimeServer;
        break;
    default:  // kServerNeither and values that mean nothing
        return "표준시 서버에 접속할 수 없습니다";
    }
    return std::string("가람누리 표준시 서버\n") + host;
}

std::string LastOffsetText(double lastDiff)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f 초", lastDiff);
    return text;
}

std::string LastSyncTimeText(std::uint32_t lastCon)
{
    if (lastCon == 0)
        return "표준시 서버와 동기한적이 없습니다";
    const std::time_t t = lastCon;
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return "표준시 서버와 동기한적이 없습니다";
    char text[128];
    std::snprintf(text, sizeof text, "%04d년 %02d월 %02d일 %s요일 %02d시 %02d분 %02d초",
                  tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, WeekdayName(tm.tm_wday),
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}
