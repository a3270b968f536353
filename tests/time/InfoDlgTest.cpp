// The page "동기 정보": its texts for the states a synchronisation leaves,
// and the home page button.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "QtTestSupport.h"
#include "base/ControlId.h"
#include "resources/ResourceIds.h"
#include "time/CInfoDlg.h"
#include "time/Compare.h"
#include "time/TimeService.h"

namespace {

struct InfoRow
{
    const char* name;
    std::int32_t lastCon;
    double lastDiff;
    std::int32_t serverId;
    QString time;
    QString offset;
    QString server;
};

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

const QString kNever = QStringLiteral("표준시 서버와 동기한적이 없습니다");
const QString kUnreachable = QStringLiteral("표준시 서버에 접속할 수 없습니다");
// 2024-03-09 14:05:07 KST, a Saturday.
constexpr std::int32_t kSaturdayAfternoon = 1709960707;
const QString kSaturdayText = QStringLiteral("2024년 03월 09일 토요일 14시 05분 07초");

const InfoRow kInfoRows[] = {
    {"NeverSynchronised", 0, 0.0, kServerNone, kNever, QStringLiteral("0.000 초"),
     QStringLiteral("접속된 서버가 없습니다")},
    {"SecondaryServerFoundPcBehind", kSaturdayAfternoon, 1.5, kServerSecondary, kSaturdayText,
     QStringLiteral("1.500 초"), QStringLiteral("가람누리 표준시 서버\n") + Utf8(kSecondaryTimeServer)},
    {"PrimaryServerFoundPcAhead", kSaturdayAfternoon, -0.25, kServerPrimary, kSaturdayText,
     QStringLiteral("-0.250 초"), QStringLiteral("가람누리 표준시 서버\n") + Utf8(kPrimaryTimeServer)},
    // A compare that reached neither server keeps the earlier synchronisation.
    {"FailedCompareAfterEarlierSync", kSaturdayAfternoon, 0.25, kServerNeither, kSaturdayText,
     QStringLiteral("0.250 초"), kUnreachable},
    {"ServerIdWithoutMeaning", kSaturdayAfternoon, 0.0, 7, kSaturdayText,
     QStringLiteral("0.000 초"), kUnreachable},
    // Local time, not UTC: 1999-12-31 15:00 UTC is the first second of 2000 in Seoul.
    {"LocalMidnightOfNewYear", 946652400, 0.0, kServerPrimary,
     QStringLiteral("2000년 01월 01일 토요일 00시 00분 00초"), QStringLiteral("0.000 초"),
     QStringLiteral("가람누리 표준시 서버\n") + Utf8(kPrimaryTimeServer)},
    {"SundayIsWeekdayZero", 946738800, 0.0, kServerPrimary,
     QStringLiteral("2000년 01월 02일 일요일 00시 00분 00초"), QStringLiteral("0.000 초"),
     QStringLiteral("가람누리 표준시 서버\n") + Utf8(kPrimaryTimeServer)},
    // LastCon keeps 32 bits and reads them unsigned: past 2038 up to 2106.
    {"PastTheSignedEndOf2038", INT32_MIN, 0.0, kServerPrimary,
     QStringLiteral("2038년 01월 19일 화요일 12시 14분 08초"), QStringLiteral("0.000 초"),
     QStringLiteral("가람누리 표준시 서버\n") + Utf8(kPrimaryTimeServer)},
    {"LastSecondOf32Bits", -1, 0.0, kServerPrimary,
     QStringLiteral("2106년 02월 07일 일요일 15시 28분 15초"), QStringLiteral("0.000 초"),
     QStringLiteral("가람누리 표준시 서버\n") + Utf8(kPrimaryTimeServer)},
};

class InfoTextTest : public ::testing::TestWithParam<InfoRow>
{
protected:
    LastSyncGuard m_lastSync;
};

TEST_P(InfoTextTest, PageShowsTheLastSynchronisation)
{
    const InfoRow& row = GetParam();
    LastCon = row.lastCon;
    LastDiff = row.lastDiff;
    ServerID = row.serverId;

    CInfoDlg page;
    auto* time = FindControl<QLineEdit>(&page, res::info::IDC_LAST_TIME);
    auto* offset = FindControl<QLineEdit>(&page, res::info::IDC_LAST_DIFF);
    auto* server = FindControl<QPlainTextEdit>(&page, res::info::IDC_SERVER);
    ASSERT_TRUE(time && offset && server);
    EXPECT_EQ(time->text(), row.time);
    EXPECT_EQ(offset->text(), row.offset);
    EXPECT_EQ(server->toPlainText(), row.server);
    EXPECT_TRUE(time->isReadOnly() && offset->isReadOnly() && server->isReadOnly());
}

INSTANTIATE_TEST_SUITE_P(States, InfoTextTest, ::testing::ValuesIn(kInfoRows),
                         [](const auto& info) { return std::string(info.param.name); });

class InfoHomePageTest : public ::testing::TestWithParam<bool>
{
protected:
    MessageRecorder m_messages;
};

TEST_P(InfoHomePageTest, OpensTheHomePageOrSaysTheBrowserCannotStart)
{
    const bool browserStarts = GetParam();
    BrowserStub browser(browserStarts);
    CInfoDlg page;
    auto* button = FindControl<QPushButton>(&page, res::info::IDC_HOMEPAGE);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("누리시각실 홈페이지 접속"));

    button->click();

    ASSERT_EQ(browser.urls.size(), 1);
    EXPECT_EQ(browser.urls.front(), QUrl(Utf8(kTimeServiceHomePage)));
    EXPECT_EQ(browser.urls.front().scheme(), QStringLiteral("https"));
    if (browserStarts) {
        EXPECT_TRUE(m_messages.texts.isEmpty());
    } else {
        EXPECT_EQ(m_messages.texts, QStringList{QStringLiteral("웹브라우저를 실행할 수 없습니다")});
    }
}

INSTANTIATE_TEST_SUITE_P(Browser, InfoHomePageTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Starts" : "Fails"; });

}  // namespace
