#pragma once
// Runs a stretch of a test in another time zone.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

// Sets TZ for the life of the object and puts the previous value back, so
// the rest of the suite runs in Asia/Seoul again. Single-threaded use only.
class TzScope
{
public:
    explicit TzScope(const std::string& zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone.c_str(), 1);
        tzset();
    }
    ~TzScope()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TzScope(const TzScope&) = delete;
    TzScope& operator=(const TzScope&) = delete;

private:
    std::optional<std::string> m_old;
};
