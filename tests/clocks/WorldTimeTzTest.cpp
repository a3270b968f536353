// The shipped world time table against the system's tz database: for every
// region, the clock RegionTimeNow derives from Korean time must read what the
// C library computes for the region's zone, at every hour of 2026 and 2027
// and minute by minute around each change of the zone's offset.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "clocks/WorldTime.h"

#include "RecordingWorldTimeTree.h"
#include "TzScope.h"

using namespace std::chrono;

namespace {

// Each region of the shipped table and the zone whose clock it shows.
const std::map<std::string, std::string> kZones = {
    {"서울", "Asia/Seoul"},
    {"평양", "Asia/Pyongyang"},
    {"도쿄", "Asia/Tokyo"},
    {"베이징", "Asia/Shanghai"},
    {"상하이", "Asia/Shanghai"},
    {"홍콩", "Asia/Hong_Kong"},
    {"마카오", "Asia/Macau"},
    {"타이베이", "Asia/Taipei"},
    {"울란바토르", "Asia/Ulaanbaatar"},
    {"마닐라", "Asia/Manila"},
    {"하노이", "Asia/Bangkok"},
    {"호찌민", "Asia/Ho_Chi_Minh"},
    {"방콕", "Asia/Bangkok"},
    {"프놈펜", "Asia/Bangkok"},
    {"양곤", "Asia/Yangon"},
    {"쿠알라룸푸르", "Asia/Kuala_Lumpur"},
    {"싱가포르", "Asia/Singapore"},
    {"자카르타", "Asia/Jakarta"},
    {"발리", "Asia/Makassar"},
    {"다카", "Asia/Dhaka"},
    {"뉴델리", "Asia/Kolkata"},
    {"뭄바이", "Asia/Kolkata"},
    {"콜롬보", "Asia/Colombo"},
    {"카트만두", "Asia/Kathmandu"},
    {"말레", "Indian/Maldives"},
    {"이슬라마바드", "Asia/Karachi"},
    {"카라치", "Asia/Karachi"},
    {"카불", "Asia/Kabul"},
    {"테헤란", "Asia/Tehran"},
    {"바그다드", "Asia/Baghdad"},
    {"쿠웨이트", "Asia/Riyadh"},
    {"리야드", "Asia/Riyadh"},
    {"도하", "Asia/Qatar"},
    {"마나마", "Asia/Qatar"},
    {"두바이", "Asia/Dubai"},
    {"무스카트", "Asia/Dubai"},
    {"사나", "Asia/Riyadh"},
    {"암만", "Asia/Amman"},
    {"다마스쿠스", "Asia/Damascus"},
    {"베이루트", "Asia/Beirut"},
    {"예루살렘", "Asia/Jerusalem"},
    {"앙카라", "Europe/Istanbul"},
    {"이스탄불", "Europe/Istanbul"},
    {"니코시아", "Asia/Nicosia"},
    {"런던", "Europe/London"},
    {"더블린", "Europe/Dublin"},
    {"리스본", "Europe/Lisbon"},
    {"라스팔마스", "Atlantic/Canary"},
    {"폰타델가다", "Atlantic/Azores"},
    {"레이캬비크", "Atlantic/Reykjavik"},
    {"마드리드", "Europe/Madrid"},
    {"파리", "Europe/Paris"},
    {"브뤼셀", "Europe/Brussels"},
    {"암스테르담", "Europe/Amsterdam"},
    {"베를린", "Europe/Berlin"},
    {"취리히", "Europe/Zurich"},
    {"빈", "Europe/Vienna"},
    {"로마", "Europe/Rome"},
    {"발레타", "Europe/Malta"},
    {"코펜하겐", "Europe/Copenhagen"},
    {"오슬로", "Europe/Oslo"},
    {"스톡홀름", "Europe/Stockholm"},
    {"바르샤바", "Europe/Warsaw"},
    {"프라하", "Europe/Prague"},
    {"브라티슬라바", "Europe/Bratislava"},
    {"부다페스트", "Europe/Budapest"},
    {"자그레브", "Europe/Zagreb"},
    {"베오그라드", "Europe/Belgrade"},
    {"헬싱키", "Europe/Helsinki"},
    {"탈린", "Europe/Tallinn"},
    {"리가", "Europe/Riga"},
    {"빌뉴스", "Europe/Vilnius"},
    {"키이우", "Europe/Kyiv"},
    {"키시너우", "Europe/Chisinau"},
    {"부쿠레슈티", "Europe/Bucharest"},
    {"소피아", "Europe/Sofia"},
    {"아테네", "Europe/Athens"},
    {"민스크", "Europe/Minsk"},
    {"모스크바", "Europe/Moscow"},
    {"상트페테르부르크", "Europe/Moscow"},
    {"칼리닌그라드", "Europe/Kaliningrad"},
    {"사마라", "Europe/Samara"},
    {"예카테린부르크", "Asia/Yekaterinburg"},
    {"노보시비르스크", "Asia/Novosibirsk"},
    {"크라스노야르스크", "Asia/Krasnoyarsk"},
    {"이르쿠츠크", "Asia/Irkutsk"},
    {"야쿠츠크", "Asia/Yakutsk"},
    {"하바롭스크", "Asia/Vladivostok"},
    {"블라디보스토크", "Asia/Vladivostok"},
    {"유즈노사할린스크", "Asia/Sakhalin"},
    {"마가단", "Asia/Magadan"},
    {"페트로파블롭스크캄차츠키", "Asia/Kamchatka"},
    {"알마티", "Asia/Almaty"},
    {"아스타나", "Asia/Almaty"},
    {"타슈켄트", "Asia/Tashkent"},
    {"비슈케크", "Asia/Bishkek"},
    {"두샨베", "Asia/Dushanbe"},
    {"아시가바트", "Asia/Ashgabat"},
    {"바쿠", "Asia/Baku"},
    {"트빌리시", "Asia/Tbilisi"},
    {"예레반", "Asia/Yerevan"},
    {"카이로", "Africa/Cairo"},
    {"트리폴리", "Africa/Tripoli"},
    {"튀니스", "Africa/Tunis"},
    {"알제", "Africa/Algiers"},
    {"하르툼", "Africa/Khartoum"},
    {"아디스아바바", "Africa/Nairobi"},
    {"나이로비", "Africa/Nairobi"},
    {"다르에스살람", "Africa/Nairobi"},
    {"캄팔라", "Africa/Nairobi"},
    {"라고스", "Africa/Lagos"},
    {"아크라", "Africa/Abidjan"},
    {"다카르", "Africa/Abidjan"},
    {"아비장", "Africa/Abidjan"},
    {"킨샤사", "Africa/Lagos"},
    {"요하네스버그", "Africa/Johannesburg"},
    {"케이프타운", "Africa/Johannesburg"},
    {"하라레", "Africa/Maputo"},
    {"루사카", "Africa/Maputo"},
    {"마푸투", "Africa/Maputo"},
    {"빈트후크", "Africa/Windhoek"},
    {"안타나나리보", "Africa/Nairobi"},
    {"포트루이스", "Indian/Mauritius"},
    {"뉴욕", "America/New_York"},
    {"워싱턴", "America/New_York"},
    {"보스턴", "America/New_York"},
    {"애틀랜타", "America/New_York"},
    {"마이애미", "America/New_York"},
    {"시카고", "America/Chicago"},
    {"휴스턴", "America/Chicago"},
    {"댈러스", "America/Chicago"},
    {"덴버", "America/Denver"},
    {"피닉스", "America/Phoenix"},
    {"로스앤젤레스", "America/Los_Angeles"},
    {"샌프란시스코", "America/Los_Angeles"},
    {"시애틀", "America/Los_Angeles"},
    {"라스베이거스", "America/Los_Angeles"},
    {"앵커리지", "America/Anchorage"},
    {"호놀룰루", "Pacific/Honolulu"},
    {"토론토", "America/Toronto"},
    {"몬트리올", "America/Toronto"},
    {"위니펙", "America/Winnipeg"},
    {"리자이나", "America/Regina"},
    {"캘거리", "America/Edmonton"},
    {"밴쿠버", "America/Vancouver"},
    {"화이트호스", "America/Whitehorse"},
    {"핼리팩스", "America/Halifax"},
    {"세인트존스", "America/St_Johns"},
    {"버뮤다", "Atlantic/Bermuda"},
    {"멕시코시티", "America/Mexico_City"},
    {"칸쿤", "America/Cancun"},
    {"티후아나", "America/Tijuana"},
    {"과테말라시티", "America/Guatemala"},
    {"산호세", "America/Costa_Rica"},
    {"파나마시티", "America/Panama"},
    {"아바나", "America/Havana"},
    {"킹스턴", "America/Jamaica"},
    {"나소", "America/Toronto"},
    {"포르토프랭스", "America/Port-au-Prince"},
    {"산토도밍고", "America/Santo_Domingo"},
    {"산후안", "America/Puerto_Rico"},
    {"보고타", "America/Bogota"},
    {"카라카스", "America/Caracas"},
    {"키토", "America/Guayaquil"},
    {"리마", "America/Lima"},
    {"라파스", "America/La_Paz"},
    {"산티아고", "America/Santiago"},
    {"부에노스아이레스", "America/Argentina/Buenos_Aires"},
    {"몬테비데오", "America/Montevideo"},
    {"아순시온", "America/Asuncion"},
    {"상파울루", "America/Sao_Paulo"},
    {"리우데자네이루", "America/Sao_Paulo"},
    {"마나우스", "America/Manaus"},
    {"시드니", "Australia/Sydney"},
    {"멜버른", "Australia/Melbourne"},
    {"호바트", "Australia/Hobart"},
    {"애들레이드", "Australia/Adelaide"},
    {"브리즈번", "Australia/Brisbane"},
    {"다윈", "Australia/Darwin"},
    {"퍼스", "Australia/Perth"},
    {"오클랜드", "Pacific/Auckland"},
    {"웰링턴", "Pacific/Auckland"},
    {"괌", "Pacific/Guam"},
    {"사이판", "Pacific/Guam"},
    {"포트모르즈비", "Pacific/Port_Moresby"},
    {"수바", "Pacific/Fiji"},
    {"아피아", "Pacific/Apia"},
    {"누쿠알로파", "Pacific/Tongatapu"},
    {"코로르", "Pacific/Palau"},
    {"타라와", "Pacific/Tarawa"},
    {"파페에테", "Pacific/Tahiti"},
};

constexpr std::int64_t kKoreaOffset = 9 * 3600;  // s; Korea keeps no summer time

long gmtoffAt(std::time_t u)
{
    std::tm tm{};
    localtime_r(&u, &tm);
    return tm.tm_gmtoff;
}

// A zone's UTC offset over a span: the offset from each change on.
struct ZoneOffsets
{
    std::vector<std::time_t> from;  // ascending; from[0] is the start of the span
    std::vector<long> offset;       // s east of UTC

    long at(std::time_t u) const
    {
        const auto it = std::upper_bound(from.begin(), from.end(), u);
        return offset[static_cast<std::size_t>(it - from.begin()) - 1];
    }
};

// The offsets of zone from first to last, found by stepping a day at a time
// and narrowing each change to its second. No zone changes twice in a day.
ZoneOffsets zoneOffsets(const std::string& zone, std::time_t first, std::time_t last)
{
    TzScope tz(zone);
    ZoneOffsets z;
    long current = gmtoffAt(first);
    z.from.push_back(first);
    z.offset.push_back(current);
    for (std::time_t t = first + 86400; t < last + 86400; t += 86400) {
        const long now = gmtoffAt(t);
        if (now == current)
            continue;
        std::time_t lo = t - 86400, hi = t;  // current at lo, now at hi
        while (hi - lo > 1) {
            const std::time_t mid = lo + (hi - lo) / 2;
            (gmtoffAt(mid) == current ? lo : hi) = mid;
        }
        z.from.push_back(hi);
        z.offset.push_back(now);
        current = now;
    }
    return z;
}

std::string show(WallTime t)
{
    const std::tm tm = WallTimeToTm(t);
    char s[32];
    std::strftime(s, sizeof s, "%Y-%m-%d %H:%M:%S", &tm);
    return s;
}

} // namespace

TEST(WorldTimeTz, ShippedTableMatchesTheTzDatabase)
{
    ASSERT_TRUE(LoadWorldTimeTable(shippedTablePath(), nullptr));
    const std::int32_t rows = WorldTimeRowCount();

    // Korean time 2026-01-01 00:00 to 2028-01-01 00:00, as UTC seconds.
    const std::time_t first = sys_seconds{sys_days{2026y / 1 / 1}}.time_since_epoch().count()
                              - kKoreaOffset;
    const std::time_t last = sys_seconds{sys_days{2028y / 1 / 1}}.time_since_epoch().count()
                             - kKoreaOffset;
    const ZoneOffsets seoul = zoneOffsets("Asia/Seoul", first, last);
    ASSERT_EQ(seoul.offset, std::vector<long>{kKoreaOffset});
    const char* tzdir = std::getenv("TZDIR");
    const std::filesystem::path zoneinfo = tzdir ? tzdir : "/usr/share/zoneinfo";

    std::set<std::string> used;
    std::map<std::string, ZoneOffsets> cache;
    std::vector<std::string> exact, endSecond;
    for (std::int32_t row = 1; row < rows; ++row) {
        const std::string name = WorldTimeName(row);
        const auto zone = kZones.find(name);
        if (zone == kZones.end()) {
            ADD_FAILURE() << name << " has no zone in the test's table";
            continue;
        }
        used.insert(name);
        ASSERT_TRUE(std::filesystem::exists(zoneinfo / zone->second))
            << zone->second << " is missing from " << zoneinfo << "; is tzdata installed?";
        auto cached = cache.find(zone->second);
        if (cached == cache.end())
            cached = cache.emplace(zone->second, zoneOffsets(zone->second, first, last)).first;
        const ZoneOffsets& z = cached->second;

        // Samples: every hour, and each minute of the two hours either side
        // of a change, with the seconds just before and after it.
        std::vector<std::time_t> samples;
        for (std::time_t u = first; u < last; u += 3600)
            samples.push_back(u);
        std::set<std::time_t> fallBacks;  // instants the offset goes down
        for (std::size_t i = 1; i < z.from.size(); ++i) {
            for (std::time_t u = z.from[i] - 7200; u <= z.from[i] + 7200; u += 60)
                samples.push_back(u);
            samples.push_back(z.from[i] - 1);
            samples.push_back(z.from[i] + 1);
            if (z.offset[i] < z.offset[i - 1])
                fallBacks.insert(z.from[i]);
        }

        int atEnd = 0, wrong = 0;
        for (std::time_t u : samples) {
            const WallTime korea{seconds{u + kKoreaOffset}};
            const WallTime expected{seconds{u + z.at(u)}};
            const WallTime shown = RegionTimeNow(row, korea);
            if (shown == expected)
                continue;
            // The one second at which summer time ends still counts as summer.
            if (fallBacks.count(u) && shown - expected == 1h) {
                ++atEnd;
                continue;
            }
            if (++wrong <= 3) {
                ADD_FAILURE() << name << " (" << zone->second << ") at Korean " << show(korea)
                              << ": shows " << show(shown) << ", tz says " << show(expected);
            }
        }
        EXPECT_EQ(wrong, 0) << name << " differs at " << wrong << " samples";
        (atEnd ? endSecond : exact).push_back(name);
    }
    for (const auto& [name, zone] : kZones)
        EXPECT_TRUE(used.count(name)) << name << " (" << zone << ") is not in the shipped table";

    std::cout << "[          ] " << exact.size() << " regions agree with the tz database at every "
              << "sample; " << endSecond.size() << " differ only at the second summer time ends\n";
}
