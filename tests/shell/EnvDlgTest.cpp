// The page "환경설정" inside the settings sheet, driven through its
// controls as a user would.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "FileTestSupport.h"
#include "SettingsSheetTestSupport.h"
#include "base/ControlId.h"
#include "resources/ResourceIds.h"
#include "shell/CSetupSheet.h"
#include "shell/ScreenSaver.h"
#include "time/TimeService.h"

namespace {

using namespace res::env;

constexpr int kEnvTab = 1;

// Options as a user might have left them: every choice off the defaults.
const EnvOptions kStored = {
    .autoCon = true, .autoConDuration = 30, .autoCompare = false, .beep = false, .scr = false,
    .bgColor = 0x00112233, .txtColor = 0x00445566, .bgColor2 = 0x00778899, .txtColor2 = 0x00AABBCC,
    .blink = false, .log = true, .top = false, .small = true, .mode24 = true, .transWin = false};

// What the defaults button sets; Beep is on here though the store's default is off.
const EnvOptions kDefaults = {
    .autoCon = true, .autoConDuration = 60, .autoCompare = true, .beep = true, .scr = false,
    .bgColor = 0, .txtColor = 65280, .bgColor2 = 8421504, .txtColor2 = 65535,
    .blink = true, .log = false, .top = true, .small = false, .mode24 = false, .transWin = false};

struct CheckRow
{
    int id;
    bool EnvOptions::*option;
    const char* text;
};

const CheckRow kCheckRows[] = {
    {IDC_BEEP, &EnvOptions::beep, "소리 기능"},
    {IDC_BLINK, &EnvOptions::blink, "동기시 깜빡임"},
    {IDC_AUTO_COMPARE, &EnvOptions::autoCompare, "시작시 자동 비교"},
    {IDC_SCR, &EnvOptions::scr, "스크린세이버 사용"},
    {IDC_LOG, &EnvOptions::log, "로그정보 남김"},
    {IDC_TOP, &EnvOptions::top, "항상 다른 창 위에"},
    {IDC_SMALL, &EnvOptions::small, "시계창만 표시"},
    {IDC_24MODE, &EnvOptions::mode24, "24시간제 표시"},
    {IDC_TRANSWIN, &EnvOptions::transWin, "세계시 투명창"},
    {IDC_AUTOCON, &EnvOptions::autoCon, "자동 접속 사용"},
};

struct SwatchRow
{
    int id;
    ColorRef EnvOptions::*option;
};

const SwatchRow kSwatchRows[] = {
    {IDC_BGCOLOR, &EnvOptions::bgColor},
    {IDC_TXTCOLOR, &EnvOptions::txtColor},
    {IDC_BGCOLOR2, &EnvOptions::bgColor2},
    {IDC_TXTCOLOR2, &EnvOptions::txtColor2},
};

QString RangeMessage()
{
    return QStringLiteral("1와(과) 144000 사이의 정수를 입력하십시오.");
}

QString IntegerMessage()
{
    return QStringLiteral("정수를 입력하십시오.");
}

// Whether w is drawn with a sunken edge: its top-left corner darker than its
// bottom-right one.
bool LooksSunken(QWidget* w)
{
    const QImage image = w->grab().toImage();
    const QColor topLeft = image.pixelColor(0, 0);
    const QColor bottomRight = image.pixelColor(image.width() - 1, image.height() - 1);
    return topLeft.lightness() < bottomRight.lightness();
}

QColor CentreColour(QWidget* w)
{
    const QImage image = w->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

class EnvPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kStored.makeCurrent();
    }

    // Shows the sheet on the environment page.
    void open()
    {
        m_sheet.show();
        m_sheet.tabWidget()->setCurrentIndex(kEnvTab);
        ASSERT_NE(m_sheet.page(kEnvTab), nullptr);
    }

    // A control of the environment page: the information page uses some of
    // the same numbers.
    template <typename T = QWidget>
    T* control(int id)
    {
        T* c = FindControl<T>(m_sheet.page(kEnvTab), id);
        EXPECT_NE(c, nullptr) << "control " << id;
        return c;
    }
    QCheckBox* check(int id) { return control<QCheckBox>(id); }
    QLineEdit* duration() { return control<QLineEdit>(IDC_DURATION); }

    void pressOk() { FindControl<QPushButton>(&m_sheet, 1)->click(); }
    void pressCancel() { FindControl<QPushButton>(&m_sheet, 2)->click(); }

    bool durationEnabled()
    {
        return control(IDC_DURATION)->isEnabled() && control(IDC_EVERY)->isEnabled()
               && control(IDC_MINUTES)->isEnabled();
    }
    bool durationDisabled()
    {
        return !control(IDC_DURATION)->isEnabled() && !control(IDC_EVERY)->isEnabled()
               && !control(IDC_MINUTES)->isEnabled();
    }

    OptionsGuard m_options;
    MessageRecorder m_messages;
    CSetupSheet m_sheet;
};

TEST_F(EnvPageTest, OkCopiesEveryOption)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::ofstream(QDir(dir.path()).filePath(kScreenSaverFileName).toStdString()) << "saver";
    WorkingDirectory cwd(dir.path().toStdString());
    ASSERT_TRUE(cwd.ok());
    open();

    EXPECT_EQ(duration()->text(), QStringLiteral("30"));
    EnvOptions expected = kStored;
    for (const CheckRow& row : kCheckRows) {
        EXPECT_EQ(check(row.id)->text(), QString::fromUtf8(row.text));
        EXPECT_EQ(check(row.id)->isChecked(), kStored.*row.option) << row.id;
        if (row.id == IDC_TRANSWIN)  // disabled without a compositor; kept as stored
            continue;
        check(row.id)->click();
        expected.*row.option = !(kStored.*row.option);
    }
    duration()->setText(QStringLiteral("1440"));
    expected.autoConDuration = 1440;
    ColorRef next = 0x00010203;
    for (const SwatchRow& row : kSwatchRows) {
        EXPECT_EQ(control<ColorSwatch>(row.id)->color(), kStored.*row.option);
        ChooserStub chooser(next);
        control<ColorSwatch>(row.id)->click();
        expected.*row.option = next;
        next += 0x00010101;
    }
    EXPECT_EQ(EnvOptions::current(), kStored) << "nothing changes before OK";

    pressOk();

    EXPECT_FALSE(m_sheet.isVisible());
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_EQ(EnvOptions::current(), expected);
    EXPECT_TRUE(m_messages.texts.isEmpty()) << m_messages.texts.join('|').toStdString();
}

TEST_F(EnvPageTest, DefaultsWithAutoConOffEnableTheMinutesAndShowSixty)
{
    EnvOptions stored = kStored;
    stored.autoCon = false;
    stored.autoConDuration = 5;
    stored.makeCurrent();
    open();
    EXPECT_TRUE(durationDisabled());

    control<QPushButton>(IDC_DEFAULTS)->click();

    EXPECT_TRUE(durationEnabled());
    EXPECT_EQ(duration()->text(), QStringLiteral("60"));
    for (const CheckRow& row : kCheckRows)
        EXPECT_EQ(check(row.id)->isChecked(), kDefaults.*row.option) << row.id;
    for (const SwatchRow& row : kSwatchRows)
        EXPECT_EQ(control<ColorSwatch>(row.id)->color(), kDefaults.*row.option) << row.id;
    EXPECT_EQ(EnvOptions::current(), stored) << "the defaults wait for OK";

    pressOk();
    EXPECT_EQ(EnvOptions::current(), kDefaults);
}

TEST_F(EnvPageTest, RefusedMinutesStayEditableWhenAutoConIsTurnedOff)
{
    open();
    duration()->setText(QStringLiteral("0"));
    check(IDC_AUTOCON)->click();
    EXPECT_EQ(m_messages.texts, QStringList{RangeMessage()});
    EXPECT_FALSE(check(IDC_AUTOCON)->isChecked());
    EXPECT_TRUE(durationEnabled()) << "a disabled bad field could never be corrected";
    EXPECT_EQ(m_sheet.focusWidget(), duration());

    duration()->setText(QStringLiteral("15"));
    pressOk();
    EXPECT_FALSE(m_sheet.isVisible());
    EXPECT_FALSE(AutoCon);
    EXPECT_EQ(AutoConDuration, 15);
}

struct DurationRow
{
    const char* name;
    const char* text;
    bool accepted;
    std::int32_t value;  // when accepted
    bool rangeMessage;   // when refused: range or integer message
};

const DurationRow kDurationRows[] = {
    {"Zero", "0", false, 0, true},
    {"OneAboveTheMaximum", "144001", false, 0, true},
    {"Negative", "-5", false, 0, true},
    {"TooManyDigits", "99999999999999999999", false, 0, true},
    {"Letters", "abc", false, 0, false},
    {"Empty", "", false, 0, false},
    {"Fraction", "1.5", false, 0, false},
    {"One", "1", true, 1, false},
    {"Maximum", "144000", true, 144000, false},
    {"LeadingZeros", "0060", true, 60, false},
};

class DurationTest : public EnvPageTest, public ::testing::WithParamInterface<DurationRow>
{
};

TEST_P(DurationTest, OkChecksTheMinutes)
{
    const DurationRow& row = GetParam();
    open();
    duration()->setText(QString::fromUtf8(row.text));

    pressOk();

    if (row.accepted) {
        EXPECT_FALSE(m_sheet.isVisible());
        EXPECT_TRUE(m_messages.texts.isEmpty());
        EXPECT_EQ(AutoConDuration, row.value);
    } else {
        EXPECT_TRUE(m_sheet.isVisible());
        EXPECT_EQ(m_messages.texts,
                  QStringList{row.rangeMessage ? RangeMessage() : IntegerMessage()});
        EXPECT_EQ(m_sheet.tabWidget()->currentIndex(), kEnvTab);
        EXPECT_EQ(m_sheet.focusWidget(), duration());
        EXPECT_EQ(duration()->selectedText(), duration()->text());
        EXPECT_EQ(EnvOptions::current(), kStored) << "a refused OK changes nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Minutes, DurationTest, ::testing::ValuesIn(kDurationRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EnvPageTest, LeavingThePageWithBadMinutesIsRefused)
{
    open();
    duration()->setText(QStringLiteral("144001"));
    m_sheet.tabWidget()->setCurrentIndex(0);
    EXPECT_EQ(m_sheet.tabWidget()->currentIndex(), kEnvTab);
    EXPECT_EQ(m_messages.texts, QStringList{RangeMessage()});
    EXPECT_EQ(m_sheet.focusWidget(), duration());

    duration()->setText(QStringLiteral("144000"));
    m_sheet.tabWidget()->setCurrentIndex(0);
    EXPECT_EQ(m_sheet.tabWidget()->currentIndex(), 0);
    EXPECT_EQ(m_messages.texts.size(), 1);
}

TEST_F(EnvPageTest, CancelAfterChoosingAColourChangesNothing)
{
    open();
    ChooserStub chooser(ColorRef{0x00123456});
    auto* swatch = control<ColorSwatch>(IDC_TXTCOLOR);
    swatch->click();
    EXPECT_EQ(swatch->color(), 0x00123456u);
    check(IDC_LOG)->click();

    pressCancel();

    EXPECT_EQ(m_sheet.result(), QDialog::Rejected);
    EXPECT_EQ(EnvOptions::current(), kStored);
}

// Not an option: the box shows whether the autostart entry is there, and
// OK writes or removes it when the box changed; Cancel leaves it.
TEST_F(EnvPageTest, LoginStartWritesOrRemovesTheAutostartEntryOnOk)
{
    TempDir dir;
    EnvScope config("XDG_CONFIG_HOME", (dir.path() / "config").string());
    const std::filesystem::path entry = dir.path() / "config/autostart/org.vesk.Vesk.desktop";
    // The sheet opened again: whether the box showed the entry as on.
    const auto settings = [](bool click, bool ok) {
        CSetupSheet sheet;
        sheet.show();
        sheet.tabWidget()->setCurrentIndex(kEnvTab);
        auto* box = FindControl<QCheckBox>(sheet.page(kEnvTab), IDC_AUTOSTART);
        const bool shown = box->isChecked();
        if (click)
            box->click();
        FindControl<QPushButton>(&sheet, ok ? 1 : 2)->click();
        return shown;
    };

    EXPECT_FALSE(settings(true, false));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(settings(true, true));
    EXPECT_NE(ReadFile(entry).find("\nExec="), std::string::npos);
    // Another tool switched it off: shown off, and an unchanged box writes nothing.
    WriteFile(entry, ReadFile(entry) + "Hidden=true\n");
    EXPECT_FALSE(settings(false, true));
    EXPECT_NE(ReadFile(entry).find("Hidden=true"), std::string::npos);
    EXPECT_FALSE(settings(true, true));
    EXPECT_TRUE(settings(true, true));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(m_messages.texts.isEmpty());

    std::filesystem::remove_all(dir.path() / "config");
    WriteFile(dir.path() / "config", "a file where the folder should be");
    EXPECT_FALSE(settings(true, true));
    EXPECT_EQ(m_messages.texts,
              QStringList{QStringLiteral("로그인할 때 시작 항목을 바꿀 수 없습니다.\n\n%1: %2")
                              .arg(QString::fromStdString(entry.string()),
                                   QString::fromLocal8Bit(std::strerror(ENOTDIR)))});
}

class SwatchTest : public EnvPageTest, public ::testing::WithParamInterface<SwatchRow>
{
};

TEST_P(SwatchTest, ChoosingDrawsTheSwatchSunkenAndSetsOnlyItsColour)
{
    const SwatchRow& row = GetParam();
    open();
    auto* swatch = control<ColorSwatch>(row.id);
    EXPECT_FALSE(LooksSunken(swatch));

    constexpr ColorRef kRed = 0x000000FF;  // red in the low byte
    ChooserStub chooser(kRed);
    std::vector<bool> sunkenWhileOpen;
    chooser.whileOpen = [&] {
        for (const SwatchRow& other : kSwatchRows)
            sunkenWhileOpen.push_back(LooksSunken(control(other.id)));
    };
    swatch->click();

    ASSERT_EQ(chooser.initials, std::vector<ColorRef>{kStored.*row.option});
    ASSERT_EQ(sunkenWhileOpen.size(), std::size(kSwatchRows));
    for (std::size_t i = 0; i < std::size(kSwatchRows); ++i)
        EXPECT_EQ(sunkenWhileOpen[i], kSwatchRows[i].id == row.id) << kSwatchRows[i].id;
    EXPECT_FALSE(LooksSunken(swatch)) << "raised again once the chooser closed";
    EXPECT_EQ(CentreColour(swatch), QColor(255, 0, 0));

    pressOk();
    EnvOptions expected = kStored;
    expected.*row.option = kRed;
    EXPECT_EQ(EnvOptions::current(), expected);
}

INSTANTIATE_TEST_SUITE_P(Swatches, SwatchTest, ::testing::ValuesIn(kSwatchRows),
                         [](const auto& info) { return std::to_string(info.param.id); });

enum class SaverFile { Missing, File, Directory };

struct SaverRow
{
    const char* name;
    SaverFile file;
};

class ScreenSaverBoxTest : public EnvPageTest, public ::testing::WithParamInterface<SaverRow>
{
};

TEST_P(ScreenSaverBoxTest, CheckingNeedsTheScreenSaverFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = QDir(dir.path()).filePath(kScreenSaverFileName).toStdString();
    if (GetParam().file == SaverFile::File)
        std::ofstream(path) << "saver";
    if (GetParam().file == SaverFile::Directory) {
        ASSERT_TRUE(QDir().mkdir(QString::fromStdString(path)));
    }
    WorkingDirectory cwd(dir.path().toStdString());
    ASSERT_TRUE(cwd.ok());
    open();

    check(IDC_SCR)->click();
    pressOk();

    if (GetParam().file == SaverFile::File) {
        EXPECT_TRUE(m_messages.texts.isEmpty());
        EXPECT_TRUE(SCR);
    } else {
        const QString message = QStringLiteral("스크린 세이버 VESK3Scr.scr가 인스톨되어 있지 않습니다.\n\n    ")
                                + QString::fromUtf8(kTimeServiceHomePage)
                                + QStringLiteral("에서 다운로드할 수 있습니다.");
        EXPECT_EQ(m_messages.texts, QStringList{message});
        EXPECT_FALSE(SCR);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ScreenSaverBoxTest,
                         ::testing::Values(SaverRow{"Missing", SaverFile::Missing},
                                           SaverRow{"Present", SaverFile::File},
                                           SaverRow{"DirectoryOfThatName", SaverFile::Directory}),
                         [](const auto& info) { return std::string(info.param.name); });

class TransWinTest : public EnvPageTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(TransWinTest, DisabledWithoutCompositorButShowsAndKeepsTheStoredValue)
{
    EnvOptions stored = kStored;
    stored.transWin = GetParam();
    stored.makeCurrent();
    open();
    EXPECT_FALSE(check(IDC_TRANSWIN)->isEnabled());
    EXPECT_EQ(check(IDC_TRANSWIN)->isChecked(), GetParam());
    pressOk();
    EXPECT_EQ(TransWin, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Stored, TransWinTest, ::testing::Bool());

}  // namespace
