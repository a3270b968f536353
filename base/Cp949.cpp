#include "base/Cp949.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kReplacementCp949 = '?';

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One iconv descriptor per direction and thread: a descriptor carries shift
// state, so it must never be shared between threads.
class Converter
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != kNoConverter)
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

Converter& toUtf8()
{
    thread_local Converter c("UTF-8", "CP949");
    return c;
}

Converter& toCp949()
{
    thread_local Converter c("CP949", "UTF-8");
    return c;
}

std::uint8_t byteAt(std::string_view s, std::size_t i)
{
    return static_cast<std::uint8_t>(s[i]);
}

// Bytes of the CP949 character that iconv refused at the front of rest, and
// its replacement appended to out. A non-ASCII byte after a lead byte is
// taken as that character's second half; an ASCII byte never is, so text
// after a damaged lead byte stays readable.
std::size_t skipBadCp949(std::string_view rest, std::string& out)
{
    out += kReplacementUtf8;
    const std::uint8_t lead = byteAt(rest, 0);
    const bool isLead = lead >= 0x81 && lead <= 0xFE;
    if (isLead && rest.size() >= 2 && byteAt(rest, 1) >= 0x81 && byteAt(rest, 1) <= 0xFE)
        return 2;
    return 1;
}

// Length of the well-formed UTF-8 sequence at the front of s (Unicode 15,
// table 3-7), or 0 when it is not one.
std::size_t wellFormedUtf8Length(std::string_view s)
{
    const std::uint8_t b0 = byteAt(s, 0);
    std::size_t n = 0;
    std::uint8_t lo = 0x80, hi = 0xBF;  // range of the second byte
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0)
            lo = 0xA0;  // no overlong forms
        if (b0 == 0xED)
            hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0)
            lo = 0x90;
        if (b0 == 0xF4)
            hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < n)
        return 0;
    if (byteAt(s, 1) < lo || byteAt(s, 1) > hi)
        return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if (byteAt(s, i) < 0x80 || byteAt(s, i) > 0xBF)
            return 0;
    }
    return n;
}

// Bytes of the UTF-8 input that iconv refused at the front of rest, with '?'
// appended to out: a whole character that CP949 lacks, or one stray byte.
std::size_t skipBadUtf8(std::string_view rest, std::string& out)
{
    out += kReplacementCp949;
    const std::size_t n = wellFormedUtf8Length(rest);
    return n ? n : 1;
}

// Runs cd over in; at every sequence that iconv refuses (or at every
// non-ASCII byte when no converter could be opened) skipBad appends a
// replacement and says how many bytes to pass over.
std::string convert(iconv_t cd, std::string_view in,
                    std::size_t (*skipBad)(std::string_view, std::string&))
{
    std::string out;
    out.reserve(in.size() + in.size() / 2);
    if (cd != kNoConverter)
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // initial state

    char chunk[1024];
    std::size_t pos = 0;
    while (pos < in.size()) {
        if (cd == kNoConverter) {
            if (byteAt(in, pos) < 0x80)
                out += in[pos++];
            else
                pos += skipBad(in.substr(pos), out);
            continue;
        }
        // iconv's input is not const in its signature but is only read.
        char* inPtr = const_cast<char*>(in.data() + pos);
        std::size_t inLeft = in.size() - pos;
        char* outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
        pos = static_cast<std::size_t>(inPtr - in.data());
        if (r != static_cast<std::size_t>(-1) || pos >= in.size())
            continue;
        if (err == E2BIG && outPtr != chunk)
            continue;  // chunk full; go on from where it stopped
        // EILSEQ (invalid or unconvertible) or EINVAL (cut short at the end).
        pos += skipBad(in.substr(pos), out);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

} // namespace

std::string Cp949ToUtf8(std::string_view cp949)
{
    return convert(toUtf8().get(), cp949, &skipBadCp949);
}

std::string Utf8ToCp949(std::string_view utf8)
{
    return convert(toCp949().get(), utf8, &skipBadUtf8);
}

std::optional<std::string> FirstCharNotInCp949(std::string_view utf8)
{
    // Most texts go through whole; only a refused one is taken apart.
    if (Cp949ToUtf8(Utf8ToCp949(utf8)) == utf8)
        return std::nullopt;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t n = wellFormedUtf8Length(utf8.substr(pos));
        if (n == 0)
            return std::string(kReplacementUtf8);
        const std::string_view c = utf8.substr(pos, n);
        if (Cp949ToUtf8(Utf8ToCp949(c)) != c)
            return std::string(c);
        pos += n;
    }
    return std::nullopt;  // not reached: CP949 keeps no state between characters
}
