#include "base/NextSecond.h"

using namespace std::chrono;

milliseconds UntilNextSecond(system_clock::time_point now)
{
    const auto intoSecond = now - floor<seconds>(now);   // [0, 1 s)
    return ceil<milliseconds>(seconds{1} - intoSecond) + milliseconds{1};
}

std::time_t SecondsNow()
{
    return system_clock::to_time_t(floor<seconds>(system_clock::now()));
}
