#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "base/Options.h"
#include "base/QtSettingsStore.h"

namespace {

class QtSettingsStoreTest : public ::testing::Test
{
protected:
    QString path(const char* name = "Vesk.conf") const { return m_dir.filePath(name); }

    // A settings file as a user might have edited it, UTF-8.
    void writeFile(const char* text) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    // A store over a copy of the file as it is on disk now. QSettings shares
    // unsaved values between instances on one path in a process; a copy sees
    // only what was synced.
    QtSettingsStore onDisk() const
    {
        const QString copy = path("copy.conf");
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(path(), copy));
        return QtSettingsStore::inFile(copy);
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(QtSettingsStoreTest, IntegersRoundTripThroughTheFile)
{
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::vector<std::pair<std::string, std::int32_t>> rows = {
        {"AutoConDuration", 60}, {"Vesk_X", -1000}, {"LastDiff", -12},
        {"INT_MIN", kMin}, {"INT_MAX", kMax}, {"zero", 0},
        {"g_bComport[0]", 1}, {"g_bComport[3]", 1}, {"WORLDDLG12_nX", -35},
        {"WORLDDLG0_AREACODE", -2}, {"24Mode", 1}, {"Vesk_SCHEDLE_DLG_Y", 7},
    };
    // The writer stays open: the reader sees only what was synced.
    QtSettingsStore writer = QtSettingsStore::inFile(path());
    for (const auto& [name, value] : rows)
        writer.WriteInt(name, value);
    writer.Sync();

    QtSettingsStore reader = onDisk();
    for (const auto& [name, value] : rows)
        EXPECT_EQ(reader.GetInt(name, 4444), value) << name;
    EXPECT_EQ(reader.GetInt("g_bComport[1]", 4444), 4444);  // neighbours stay absent
}

TEST_F(QtSettingsStoreTest, StringsRoundTripThroughTheFile)
{
    const std::vector<std::string> texts = {
        "",
        "표준시 서버에 접속할 수 없습니다",
        "/home/user/소리/종 소리.wav",
        "C:\\Program Files\\Vesk\\emile.wav",
        "a,b;c=d",
        "  padded  ",
        "@Variant(not one)",
        "\"quoted\"",
        "12345",
    };
    QtSettingsStore writer = QtSettingsStore::inFile(path());
    for (std::size_t i = 0; i < texts.size(); ++i)
        writer.WriteString("WORLDDLG" + std::to_string(i) + "_AREANAME", texts[i]);
    writer.Sync();

    QtSettingsStore reader = onDisk();
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(reader.GetString("WORLDDLG" + std::to_string(i) + "_AREANAME", "absent"), texts[i]);
    EXPECT_EQ(reader.GetString("WaveFileName", "absent"), "absent");
}

TEST_F(QtSettingsStoreTest, HandWrittenNamesAreFoundAndReplaced)
{
    // Brackets and a leading digit as a user types them, in the Vesk section.
    writeFile("[Vesk]\n"
              "g_bComport[0]=1\n"
              "g_bComport[2]=7\n"
              "WORLDDLG12_nX=-35\n"
              "24Mode=1\n"
              "WaveFileName=/home/user/알람,2.wav\n"
              "[Other]\n"
              "Top=0\n");
    QtSettingsStore store = QtSettingsStore::inFile(path());
    EXPECT_EQ(store.GetInt("g_bComport[0]", 0), 1);
    EXPECT_EQ(store.GetInt("g_bComport[2]", 0), 7);
    EXPECT_EQ(store.GetInt("WORLDDLG12_nX", 0), -35);
    EXPECT_EQ(store.GetInt("24Mode", 0), 1);
    EXPECT_EQ(store.GetString("WaveFileName", ""), "/home/user/알람,2.wav");
    EXPECT_EQ(store.GetInt("Top", 5), 5);  // other sections are not ours

    // Writing a hand-written name replaces it rather than adding a twin.
    store.WriteInt("g_bComport[0]", 0);
    store.Sync();
    EXPECT_EQ(onDisk().GetInt("g_bComport[0]", 9), 0);
}

TEST_F(QtSettingsStoreTest, UnchangedValuesLeaveTheFileAlone)
{
    // The rewrite drops the comment line, which shows whether one happened.
    writeFile("; edited by hand\n[Vesk]\nTop=1\nWaveFileName=종.wav\n");
    const auto fileText = [this] {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QtSettingsStore store = QtSettingsStore::inFile(path());
    store.WriteInt("Top", 1);
    store.WriteString("WaveFileName", "종.wav");
    store.Sync();
    EXPECT_TRUE(fileText().contains("edited by hand"));

    store.WriteInt("Top", 0);
    store.Sync();
    EXPECT_FALSE(fileText().contains("edited by hand"));
    EXPECT_EQ(onDisk().GetInt("Top", 9), 0);
    EXPECT_EQ(onDisk().GetString("WaveFileName", ""), "종.wav");
}

TEST_F(QtSettingsStoreTest, TextThatIsNotANumberReadsAsTheDefault)
{
    writeFile("[Vesk]\n"
              "AutoConDuration=abc\n"
              "Top=\n"
              "LastCon=4294967296\n"
              "ServerID=0x10\n"
              "Blink=1.5\n"
              "g_nCompensateTime=1,2\n"
              "BgColor2=8421504\n");
    QtSettingsStore store = QtSettingsStore::inFile(path());
    for (const char* name : {"AutoConDuration", "Top", "LastCon", "ServerID", "Blink",
                             "g_nCompensateTime"})
        EXPECT_EQ(store.GetInt(name, -77), -77) << name;
    EXPECT_EQ(store.GetInt("BgColor2", -77), 8421504);

    // Through the options: defaults, not zeros or wrapped numbers.
    LoadOptions(store);
    EXPECT_EQ(AutoConDuration, 60);
    EXPECT_TRUE(Top);
    EXPECT_EQ(LastCon, 0);
    EXPECT_EQ(ServerID, kServerNone);
    EXPECT_TRUE(Blink);
    EXPECT_EQ(g_nCompensateTime, 500);
}

TEST_F(QtSettingsStoreTest, FirstStartWithoutAFileKeepsLaterWrites)
{
    QtSettingsStore store = QtSettingsStore::inFile(path());
    EXPECT_EQ(store.GetInt("INITWIN", 1), 1);
    EXPECT_EQ(store.GetString("WaveFileName", "def"), "def");
    EXPECT_FALSE(QFile::exists(path()));  // reading creates nothing

    store.WriteInt("INITWIN", 2);
    store.Sync();
    EXPECT_TRUE(QFile::exists(path()));
    store.WriteString("WaveFileName", "종.wav");
    store.Sync();
    QtSettingsStore reader = onDisk();
    EXPECT_EQ(reader.GetInt("INITWIN", 1), 2);
    EXPECT_EQ(reader.GetString("WaveFileName", ""), "종.wav");
}

TEST_F(QtSettingsStoreTest, OptionsRoundTripOnDisk)
{
    // Every option through the file, bracket names included.
    MemorySettingsStore seed;
    seed.values() = {{"AutoConDuration", 1440}, {"g_bComport[1]", 1}, {"g_bSelMorS", 0},
                     {"g_nCompensateTime", 120}, {"24Mode", 1}, {"ReDay", 1},
                     {"TxtColor", 0x00123456}, {"WaveFileName", std::string("알람.wav")},
                     {"LastCon", 1046822703}, {"LastDiff", -12}, {"ServerID", 1}};
    LoadOptions(seed);
    {
        QtSettingsStore disk = QtSettingsStore::inFile(path());
        SaveOptions(disk);
        SaveLastSync(disk);
    }
    MemorySettingsStore empty;
    LoadOptions(empty);  // everything back to defaults first
    QtSettingsStore disk = QtSettingsStore::inFile(path());
    LoadOptions(disk);
    EXPECT_EQ(AutoConDuration, 1440);
    EXPECT_TRUE(g_bComport[1]);
    EXPECT_FALSE(g_bComport[0]);
    EXPECT_FALSE(g_bSelMorS);
    EXPECT_EQ(g_nCompensateTime, 120);
    EXPECT_TRUE(b24Mode);
    EXPECT_TRUE(ReDay);
    EXPECT_EQ(TxtColor, 0x00123456u);
    EXPECT_EQ(WaveFileName, "알람.wav");
    EXPECT_EQ(LastCon, 1046822703);
    EXPECT_DOUBLE_EQ(LastDiff, -0.012);
    EXPECT_EQ(ServerID, kServerPrimary);
}

TEST_F(QtSettingsStoreTest, PerUserFileSitsUnderTheOrganisation)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QtSettingsStore store(QStringLiteral("Vesk"));
    const QString expected = m_dir.filePath(QStringLiteral("Vesk Client V3.3/Vesk.conf"));
    EXPECT_EQ(store.fileName(), expected);

    store.WriteInt("INITWIN", 0);
    store.Sync();
    QFile file(expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("[Vesk]\n"));
}

TEST_F(QtSettingsStoreTest, ASaveOperationRewritesTheFileOnceAtItsSync)
{
    // What the first exit writes: every option, the last synchronisation
    // and a hundred world clock slots, about four hundred values.
    writeFile("[Vesk]\nTop=1\n");
    const auto inode = [this] {
        struct stat st{};
        return ::stat(path().toLocal8Bit().constData(), &st) == 0 ? st.st_ino : ino_t{0};
    };
    const ino_t before = inode();
    QtSettingsStore store = QtSettingsStore::inFile(path());
    MemorySettingsStore defaults;
    LoadOptions(defaults);
    SaveOptions(store);
    SaveLastSync(store);
    SaveWorldClockSlots(store, {{45, "런던", 300, 200}});
    // Nothing reached the file yet: it was not rewritten (a rewrite is a new
    // file renamed over the old one) ...
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(onDisk().GetInt("WORLDDLG0_AREACODE", 0), 0);
    // ... until the one sync, which puts all of it there.
    store.Sync();
    EXPECT_NE(inode(), before);
    QtSettingsStore reader = onDisk();
    EXPECT_EQ(reader.GetInt("WORLDDLG0_AREACODE", 0), 45);
    EXPECT_EQ(reader.GetInt("WORLDDLG99_nY", 0), kFreeSlot);
    EXPECT_EQ(reader.GetInt("AutoConDuration", 0), 60);
}
