#include "sound/AlsaSound.h"
#include "sound/Sound.h"

#include "SoundFakeOutput.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const std::string kShippedTick = std::string(VESK_RESOURCES_DIR) + "/tick.wav";
const std::string kShippedAlarm = std::string(VESK_RESOURCES_DIR) + "/emile.wav";
constexpr std::uint32_t kAlarmFileRate = 16000;

void Put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
}

void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// One chunk: id, size (the body's unless given), body and its pad byte.
Bytes Chunk(const char* id, const Bytes& body, std::optional<std::uint32_t> size = std::nullopt)
{
    Bytes b(id, id + 4);
    Put32(b, size.value_or(static_cast<std::uint32_t>(body.size())));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2)
        b.push_back(0);
    return b;
}

struct Format
{
    unsigned tag = 1;
    unsigned channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 16;
    int blockAlign = -1;  // -1: channels x bits / 8
};

Bytes FmtBody(const Format& f)
{
    const unsigned align = f.blockAlign >= 0 ? static_cast<unsigned>(f.blockAlign) : f.channels * f.bits / 8;
    Bytes b;
    Put16(b, f.tag);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.rate * align);
    Put16(b, align);
    Put16(b, f.bits);
    return b;
}

// An extensible format chunk whose sub-format starts with subFormat (1: PCM).
Bytes ExtensibleBody(unsigned channels, unsigned bits, unsigned subFormat)
{
    Bytes b = FmtBody({0xFFFE, channels, 48000, bits});
    Put16(b, 22);
    Put16(b, bits);
    Put32(b, channels == 2 ? 3 : 4);
    const std::uint8_t guid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    b.insert(b.end(), guid, guid + 16);
    b[24] = static_cast<std::uint8_t>(subFormat);
    return b;
}

Bytes Samples(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

// A RIFF/WAVE image of chunks; the RIFF size covers them unless given.
Bytes Riff(const std::vector<Bytes>& chunks, std::optional<std::uint32_t> size = std::nullopt)
{
    Bytes body;
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes b{'R', 'I', 'F', 'F'};
    Put32(b, size.value_or(static_cast<std::uint32_t>(4 + body.size())));
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes SimpleWav(const Format& f, std::size_t dataBytes)
{
    return Riff({Chunk("fmt ", FmtBody(f)), Chunk("data", Samples(dataBytes))});
}

struct GoodRow
{
    const char* name;
    Bytes image;
    std::uint32_t rate;
    unsigned channels;
    unsigned bits;
    std::size_t frames;
};

std::vector<GoodRow> GoodRows()
{
    return {
        {"mono16", SimpleWav({1, 1, 22050, 16}, 200), 22050, 1, 16, 100},
        {"stereo16", SimpleWav({1, 2, 44100, 16}, 400), 44100, 2, 16, 100},
        {"mono8_odd_data", SimpleWav({1, 1, 8000, 8}, 101), 8000, 1, 8, 101},
        {"lowest_rate", SimpleWav({1, 1, 1000, 16}, 4), 1000, 1, 16, 2},
        {"highest_rate", SimpleWav({1, 2, 192000, 16}, 8), 192000, 2, 16, 2},
        {"partial_frame_dropped", SimpleWav({1, 2, 22050, 16}, 10), 22050, 2, 16, 2},
        {"extensible_pcm",
         Riff({Chunk("fmt ", ExtensibleBody(2, 16, 1)), Chunk("data", Samples(40))}), 48000, 2, 16, 10},
        {"list_before_fmt_odd_sized",
         Riff({Chunk("LIST", Samples(7)), Chunk("fmt ", FmtBody({})), Chunk("data", Samples(20))}),
         22050, 1, 16, 10},
        {"chunks_after_data",
         Riff({Chunk("fmt ", FmtBody({})), Chunk("data", Samples(8)), Chunk("LIST", Samples(30))}),
         22050, 1, 16, 4},
        {"junk_after_riff_end",
         [] {
             Bytes b = SimpleWav({}, 8);
             b.insert(b.end(), 13, 0xEE);
             return b;
         }(),
         22050, 1, 16, 4},
    };
}

TEST(WavParse, AcceptsPlayablePcm)
{
    for (const GoodRow& row : GoodRows()) {
        SCOPED_TRACE(row.name);
        const auto sound = ParseWav(row.image);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->rate, row.rate);
        EXPECT_EQ(sound->channels, row.channels);
        EXPECT_EQ(sound->bits, row.bits);
        EXPECT_EQ(sound->FrameCount(), row.frames);
        EXPECT_EQ(sound->samples.size(), row.frames * sound->FrameBytes());
        // The samples are the data chunk's, from its first byte.
        EXPECT_TRUE(std::equal(sound->samples.begin(), sound->samples.end(), Samples(sound->samples.size()).begin()));
    }
}

TEST(WavParse, RefusesEveryTruncation)
{
    for (const GoodRow& row : GoodRows()) {
        SCOPED_TRACE(row.name);
        // Junk after the RIFF end is not part of the file: cut before it.
        std::uint32_t riffSize;
        std::memcpy(&riffSize, row.image.data() + 4, 4);
        const std::size_t riffEnd = std::min<std::size_t>(row.image.size(), 8 + std::size_t{riffSize});
        for (std::size_t n = 0; n < riffEnd; ++n) {
            const Bytes cut(row.image.begin(), row.image.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_FALSE(ParseWav(cut)) << "prefix of " << n << " bytes";
        }
    }
}

TEST(WavParse, RefusesWhatItCannotPlay)
{
    const Bytes fmt = FmtBody({});
    const Bytes data = Chunk("data", Samples(20));
    const struct
    {
        const char* name;
        Bytes image;
    } rows[] = {
        {"empty", {}},
        {"not_riff", [] { Bytes b = SimpleWav({}, 8); b[0] = 'X'; return b; }()},
        {"not_wave", [] { Bytes b = SimpleWav({}, 8); b[8] = 'A'; b[9] = 'V'; b[10] = 'I'; b[11] = ' '; return b; }()},
        {"fmt_too_short", Riff({Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14)), data})},
        {"float", SimpleWav({3, 1, 22050, 16}, 8)},
        {"adpcm", SimpleWav({2, 1, 22050, 16}, 8)},
        {"extensible_float", Riff({Chunk("fmt ", ExtensibleBody(2, 16, 3)), data})},
        {"extensible_short", [&] {
             Bytes body = ExtensibleBody(2, 16, 1);
             body.resize(30);
             return Riff({Chunk("fmt ", body), data});
         }()},
        {"no_channels", SimpleWav({1, 0, 22050, 16}, 8)},
        {"three_channels", SimpleWav({1, 3, 22050, 16}, 12)},
        {"24_bit", SimpleWav({1, 1, 22050, 24}, 12)},
        {"12_bit", SimpleWav({1, 1, 22050, 12, 2}, 12)},
        {"rate_zero", SimpleWav({1, 1, 0, 16}, 8)},
        {"rate_too_low", SimpleWav({1, 1, 999, 16}, 8)},
        {"rate_too_high", SimpleWav({1, 1, 192001, 16}, 8)},
        {"block_align_wrong", SimpleWav({1, 2, 22050, 16, 2}, 8)},
        {"block_align_zero", SimpleWav({1, 1, 22050, 16, 0}, 8)},
        {"data_before_fmt", Riff({data, Chunk("fmt ", fmt)})},
        {"no_data", Riff({Chunk("fmt ", fmt)})},
        {"no_fmt", Riff({data})},
        {"empty_data", Riff({Chunk("fmt ", fmt), Chunk("data", {})})},
        {"less_than_a_frame", SimpleWav({1, 2, 22050, 16}, 3)},
        {"two_fmt", Riff({Chunk("fmt ", fmt), Chunk("fmt ", FmtBody({1, 2, 8000, 8})), data})},
        {"data_size_past_end", Riff({Chunk("fmt ", fmt), Chunk("data", Samples(20), 21)})},
        {"data_size_huge", Riff({Chunk("fmt ", fmt), Chunk("data", Samples(20), 0xFFFFFFFF)})},
        {"chunk_size_past_end", Riff({Chunk("LIST", Samples(4), 0xFFFFFFF0), Chunk("fmt ", fmt), data})},
        {"riff_size_past_end", Riff({Chunk("fmt ", fmt), data}, 4 + 24 + 28 + 2)},
        {"riff_size_huge", Riff({Chunk("fmt ", fmt), data}, 0xFFFFFFFF)},
        {"riff_ends_before_data", Riff({Chunk("fmt ", fmt), data}, 4 + 24)},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(ParseWav(row.image)) << row.name;
}

// Random damage to good images: the parser either refuses or returns a sound
// that is consistent and no larger than its input. Run under ASan this also
// shows it never reads out of bounds.
TEST(WavParse, SurvivesRandomDamage)
{
    std::mt19937 rng(20030305);
    const std::vector<GoodRow> rows = GoodRows();
    const std::uint32_t nasty[] = {0, 1, 2, 3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    int accepted = 0;
    for (int iteration = 0; iteration < 30000; ++iteration) {
        Bytes image = rows[rng() % rows.size()].image;
        const int damage = 1 + static_cast<int>(rng() % 6);
        for (int d = 0; d < damage && !image.empty(); ++d) {
            const std::size_t at = rng() % image.size();
            switch (rng() % 5) {
            case 0:
                image[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                break;
            case 1:
                image[at] = static_cast<std::uint8_t>(rng());
                break;
            case 2:
                // A length or count field set to an extreme.
                if (at + 4 <= image.size()) {
                    const std::uint32_t v = nasty[rng() % std::size(nasty)];
                    std::memcpy(image.data() + at, &v, 4);
                }
                break;
            case 3:
                image.resize(at);
                break;
            case 4:
                image.insert(image.begin() + static_cast<std::ptrdiff_t>(at), rng() % 9, static_cast<std::uint8_t>(rng()));
                break;
            }
        }
        const auto sound = ParseWav(image);
        if (!sound)
            continue;
        ++accepted;
        ASSERT_TRUE(sound->channels == 1 || sound->channels == 2);
        ASSERT_TRUE(sound->bits == 8 || sound->bits == 16);
        ASSERT_GE(sound->rate, kWavMinRate);
        ASSERT_LE(sound->rate, kWavMaxRate);
        ASSERT_GT(sound->samples.size(), 0u);
        ASSERT_EQ(sound->samples.size() % sound->FrameBytes(), 0u);
        ASSERT_LE(sound->samples.size(), image.size());
    }
    // Damage to samples alone leaves a playable file: both outcomes occurred.
    EXPECT_GT(accepted, 100);
    EXPECT_LT(accepted, 30000);
}

class TempDir : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vesk-sound-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern));
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const char* name, const Bytes& bytes)
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    fs::path m_dir;
};

using WavLoad = TempDir;

TEST_F(WavLoad, ReadsRegularFilesOnly)
{
    EXPECT_TRUE(LoadWav(Write("a.wav", SimpleWav({}, 40))));
    EXPECT_FALSE(LoadWav((m_dir / "missing.wav").string()));
    EXPECT_FALSE(LoadWav(m_dir.string()));
    EXPECT_FALSE(LoadWav(Write("bad.wav", {'R', 'I', 'F', 'F'})));

    // A FIFO of that name must not hang the tick.
    const std::string fifo = (m_dir / "fifo.wav").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = Clock::now();
    EXPECT_FALSE(LoadWav(fifo));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));

    // Over the size limit: refused before it is read (the file is sparse).
    const std::string big = Write("big.wav", SimpleWav({}, 40));
    ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kWavMaxFileBytes) + 1), 0);
    EXPECT_FALSE(LoadWav(big));
}

TEST(TickWave, ShippedClickIsShortAndEndsInSilence)
{
    const auto tick = LoadWav(kShippedTick);
    ASSERT_TRUE(tick) << kShippedTick;
    EXPECT_EQ(tick->rate, kTickFileRate);
    EXPECT_EQ(tick->channels, 1);
    EXPECT_EQ(tick->bits, 16);
    const double ms = 1000.0 * static_cast<double>(tick->FrameCount()) / tick->rate;
    EXPECT_GE(ms, 10);
    EXPECT_LE(ms, 20);
    EXPECT_LT(fs::file_size(kShippedTick), 2048u);
    // Ends in silence: no click of its own when the device stops.
    EXPECT_EQ(tick->samples.back(), 0);
    EXPECT_EQ(tick->samples[tick->samples.size() - 2], 0);
}

TEST(Tone, FollowsTheAskedPitchAndLength)
{
    const auto tone = MakeTone(kTickBeepHz, kTickBeepMs);
    ASSERT_TRUE(tone);
    EXPECT_EQ(tone->rate, kToneRate);
    EXPECT_EQ(tone->FrameCount(), kToneRate / 20);  // 50 ms
    auto sample = [&](std::size_t i) {
        return static_cast<std::int16_t>(tone->samples[2 * i] | tone->samples[2 * i + 1] << 8);
    };
    int crossings = 0;
    for (std::size_t i = 1; i < tone->FrameCount(); ++i)
        crossings += (sample(i - 1) < 0) != (sample(i) < 0);
    EXPECT_NEAR(crossings, 2 * 440 / 20, 2);  // two a period
    // Faded in and out: no click at either end.
    EXPECT_LT(std::abs(int{sample(0)}), 200);
    EXPECT_LT(std::abs(int{sample(tone->FrameCount() - 1)}), 200);

    const struct
    {
        unsigned hz, ms;
    } refused[] = {{36, 50}, {20001, 50}, {440, 0}, {440, 60001}};
    for (const auto& row : refused)
        EXPECT_FALSE(MakeTone(row.hz, row.ms)) << row.hz << " Hz " << row.ms << " ms";
    EXPECT_TRUE(MakeTone(37, 1));
    EXPECT_TRUE(MakeTone(20000, 60000));
}

using Tick = TempDir;

TEST_F(Tick, PlaysTheFileOrFallsBackToTheBeep)
{
    const std::string broken = Write("broken.wav", {'R', 'I', 'F', 'F', 0, 0});
    const struct
    {
        const char* name;
        std::string path;
        bool outputRefusesFiles;
        std::vector<std::uint32_t> heard;  // rates, in order
    } rows[] = {
        {"file", kShippedTick, false, {kTickFileRate}},
        {"missing", (m_dir / "none.wav").string(), false, {kToneRate}},
        {"corrupt", broken, false, {kToneRate}},
        {"output_fails", kShippedTick, true, {kTickFileRate, kToneRate}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SoundFakeOutput output;
        if (row.outputRefusesFiles)
            output.Refuse([](const WavSound& s) { return s.rate == kTickFileRate; });
        PlayTick(output, row.path);
        std::vector<std::uint32_t> heard;
        for (const auto& p : output.Plays())
            heard.push_back(p.rate);
        EXPECT_EQ(heard, row.heard);
        EXPECT_FALSE(IsSoundPlaying());
    }
}

// While another wave file plays, a tick does not wait for it: the wave is
// refused at once and the beep sounds alongside.
TEST(TickBusy, BeepsAtOnceWhileAnotherSoundPlays)
{
    SoundFakeOutput output;
    output.HoldRate(kTickFileRate);
    std::thread alarm([&] { EXPECT_TRUE(PlayWaveFile(kShippedTick, output)); });
    ASSERT_TRUE(output.WaitActive(1));
    EXPECT_TRUE(IsSoundPlaying());

    const auto start = Clock::now();
    EXPECT_FALSE(PlayWaveFile(kShippedTick, output));
    PlayTick(output, kShippedTick);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));

    output.Release();
    alarm.join();
    EXPECT_FALSE(IsSoundPlaying());
    const auto plays = output.Plays();
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[0].rate, kTickFileRate);  // the sound that was playing
    EXPECT_EQ(plays[1].rate, kToneRate);      // the tick's beep
}

// A sound that must be heard waits out one that is playing, but only so
// long: a play that never ends is given up on.
TEST(WaveWait, WaitsForThePlayingSoundOnlyAsLongAsAsked)
{
    SoundFakeOutput output;
    output.HoldRate(kTickFileRate);
    std::thread tick([&] { EXPECT_TRUE(PlayWaveFile(kShippedTick, output)); });
    ASSERT_TRUE(output.WaitActive(1));
    const auto start = Clock::now();
    EXPECT_FALSE(PlayWaveFile(kShippedAlarm, output, std::chrono::milliseconds(100)));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    std::thread alarm([&] { EXPECT_TRUE(PlayWaveFile(kShippedAlarm, output, std::chrono::seconds(5))); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(output.Plays().size(), 1u);  // still waiting
    output.Release();
    tick.join();
    alarm.join();
    const auto plays = output.Plays();
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[1].rate, kAlarmFileRate);
}

// Where no tone can be heard, the beep is the desktop's bell; where one
// can, the bell stays quiet.
TEST(Beep, FallsBackToTheBellWithoutADevice)
{
    int rung = 0;
    SetBell([&] { ++rung; });
    SoundFakeOutput silent;
    silent.Refuse([](const WavSound&) { return true; });
    PlayTick(silent, "/nonexistent/tick.wav");
    EXPECT_EQ(rung, 1);
    SoundFakeOutput heard;
    PlayTick(heard, "/nonexistent/tick.wav");
    EXPECT_EQ(rung, 1);
    SetBell(nullptr);
    EXPECT_FALSE(PlayBeep(440, 50, silent));
}

TEST(TickPlayerTest, DropsTicksWhileOneSoundsAndNeverBlocks)
{
    SoundFakeOutput output;
    output.HoldRate(kTickFileRate);
    TickPlayer player(output, kShippedTick);

    const auto start = Clock::now();
    EXPECT_TRUE(player.Tick());
    ASSERT_TRUE(output.WaitActive(1));
    for (int i = 0; i < 20; ++i)
        EXPECT_FALSE(player.Tick());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));

    output.Release();
    player.WaitIdle();
    EXPECT_EQ(output.Plays().size(), 1u);  // nothing queued behind it

    EXPECT_TRUE(player.Tick());
    player.WaitIdle();
    EXPECT_EQ(output.Plays().size(), 2u);
}

TEST(TickPlayerTest, EndsWhileATickSounds)
{
    SoundFakeOutput output;
    output.HoldRate(kTickFileRate);
    std::thread releaser;
    {
        TickPlayer player(output, kShippedTick);
        ASSERT_TRUE(player.Tick());
        ASSERT_TRUE(output.WaitActive(1));
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            output.Release();
        });
    }  // waits for the tick
    releaser.join();
    EXPECT_EQ(output.Plays().size(), 1u);
    EXPECT_FALSE(IsSoundPlaying());

    // A player that never ticked starts no thread and ends at once.
    TickPlayer idle(output);
}

TEST(AlsaOutput, MissingDeviceFailsAtOnceAndQuietly)
{
    const auto tone = MakeTone(440, 50);
    ASSERT_TRUE(tone);
    testing::internal::CaptureStderr();
    const auto start = Clock::now();
    AlsaSoundOutput missing("hw:97,0");
    EXPECT_FALSE(missing.Play(*tone));
    EXPECT_FALSE(missing.Play(*tone));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(AlsaOutput, MachineWithoutAudioFailsEverySoundQuietly)
{
    if (::access("/dev/snd", F_OK) == 0)
        GTEST_SKIP() << "this machine has sound devices";
    testing::internal::CaptureStderr();
    const auto start = Clock::now();
    EXPECT_FALSE(PlayTone(440, 50));
    EXPECT_FALSE(PlayWaveFile(kShippedTick));
    PlayTick(DefaultSoundOutput(), kShippedTick);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(IsSoundPlaying());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
