// The page "시각전송" through its widgets: what its controls do to the
// options and the ports, and the send indicator. Its timer and automatic
// transmissions are tested with the main window (tests/shell).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <thread>

#include "QtTestSupport.h"
#include "SerialTestSupport.h"
#include "base/ControlId.h"
#include "resources/ResourceIds.h"
#include "serial/CRs232cSetupPage.h"

namespace {

using namespace res::rs232c;

struct Rs232cSetupPageTest : ::testing::Test
{
    CRs232cSetupPage& Page()
    {
        if (!m_page)
            m_page = std::make_unique<CRs232cSetupPage>(CRs232cSetupPage::Hooks{[this] { ++m_restarts; }, {}});
        return *m_page;
    }
    template <typename T = QWidget>
    T* Control(int id) { return FindControl<T>(&Page(), id); }
    void Click(int id) { Control<QAbstractButton>(id)->click(); }
    void Type(int id, const char* text) { Control<QLineEdit>(id)->setText(QString::fromUtf8(text)); }

    PtyPorts m_ports;
    int m_restarts = 0;
    std::unique_ptr<CRs232cSetupPage> m_page;
};

TEST_F(Rs232cSetupPageTest, ShowsTheOptionsAndEnablesOneModeGroup)
{
    g_nCompensateTime = 120;
    g_bComport[2] = true;
    g_bCheckAutoCOMM = true;
    EXPECT_EQ(Control<QLineEdit>(IDC_COMPENSATE)->text(), QStringLiteral("120"));
    EXPECT_TRUE(Control<QCheckBox>(IDC_COM3)->isChecked());
    EXPECT_EQ(Control<QComboBox>(IDC_UNIT)->currentText(), QStringLiteral("분"));
    EXPECT_EQ(Control<QLineEdit>(IDC_HOUR)->text(), QStringLiteral("0"));
    EXPECT_EQ(m_restarts, 2) << "filling the two fields counts as two changes";

    // The mode boxes are each other's opposite; one group is enabled.
    for (const int box : {IDC_AUTO_MODE, IDC_MANUAL_MODE, IDC_AUTO_MODE}) {
        const bool automatic = g_bCheckAutoCOMM;
        EXPECT_EQ(Control<QCheckBox>(IDC_MANUAL_MODE)->isChecked(), !automatic);
        for (const int id : {IDC_EVERY, IDC_DURATION, IDC_UNIT, IDC_SEND_EVERY})
            EXPECT_EQ(Control(id)->isEnabled(), automatic) << id;
        for (const int id : {IDC_HOUR, IDC_MINUTE, IDC_SECOND, IDC_SEND, IDC_SECOND_LABEL})
            EXPECT_EQ(Control(id)->isEnabled(), !automatic) << id;
        Click(box);  // automatic off, on again, off
        EXPECT_EQ(Control<QCheckBox>(IDC_AUTO_MODE)->isChecked(), !automatic);
    }
}

TEST_F(Rs232cSetupPageTest, TypedNumbersAreHeldInRange)
{
    const struct { int id; const char* text; int value; } rows[] = {
        {IDC_COMPENSATE, "5", 10}, {IDC_COMPENSATE, "1500", 990}, {IDC_COMPENSATE, "abc", 10},
        {IDC_COMPENSATE, "250", 250}, {IDC_DURATION, "0", 1}, {IDC_DURATION, "-3", 1},
    };
    for (const auto& r : rows) {
        Type(r.id, r.text);
        EXPECT_EQ(r.id == IDC_COMPENSATE ? g_nCompensateTime.load() : g_nAutoConCommDur, r.value)
            << r.text;
        EXPECT_EQ(Control<QLineEdit>(r.id)->text(), QString::fromUtf8(r.text)) << "as typed";
    }
    Control<QComboBox>(IDC_UNIT)->setCurrentIndex(-1);
    EXPECT_TRUE(g_bSelMorS) << "no choice counts as minutes";
    EXPECT_EQ(m_restarts, 2 + 6 + 1);
}

TEST_F(Rs232cSetupPageTest, ManualSendWrapsTheFieldsAndFlashesTheIndicator)
{
    Click(IDC_COM2);
    const struct { const char* h; const char* m; const char* s; std::string sent; } rows[] = {
        {"25", "75", "61", "@011501\r\n"}, {"-1", "abc", "-61", "@110059\r\n"},
    };
    for (const auto& r : rows) {
        Type(IDC_HOUR, r.h);
        Type(IDC_MINUTE, r.m);
        Type(IDC_SECOND, r.s);
        Click(IDC_SEND);
        EXPECT_EQ(m_ports[2].Read(18, 500), r.sent + r.sent);
        EXPECT_TRUE(Page().IsSendIndicatorLit());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Page().IsSendIndicatorLit(); }, 1000));
    }
}

TEST_F(Rs232cSetupPageTest, AChangeReachesAWorkerAsleepUntilItsPoint)
{
    Click(IDC_AUTO_MODE);
    Click(IDC_COM1);
    Type(IDC_COMPENSATE, "900");
    ShiftedClock clock(100);
    TransmitWorkers workers(clock);
    workers.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Click(IDC_COM1);  // the last port: automatic transmission off
    EXPECT_TRUE(QTest::qWaitFor([&] { return workers.Running() == 0; }, 300))
        << "still asleep until its point, 750 ms on";
    EXPECT_EQ(m_ports[1].Read(1, 50), "");
}

TEST_F(Rs232cSetupPageTest, WorkersReachTheIndicatorOnlyWhileThePageIsShown)
{
    Page().show();
    EXPECT_EQ(g_pVisibleRs232cPage.load(), static_cast<SendIndicator*>(&Page()));
    std::thread([] { ShowSendIndicatorOnVisiblePage(true); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page().IsSendIndicatorLit(); }, 1000));

    Page().hide();
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr);
    EXPECT_FALSE(Page().IsSendIndicatorLit()) << "put out when hidden";
    Page().show();
    m_page.reset();
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr) << "cleared when the page goes";
}

}  // namespace
