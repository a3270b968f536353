// The page "시각전송" through its widgets: what each control does to the
// options, the timer and the ports, and the send indicator.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

class Rs232cSetupPageTest : public ::testing::Test
{
protected:
    CRs232cSetupPage& Page()
    {
        if (!m_page) {
            CRs232cSetupPage::Hooks hooks;
            hooks.restartTransmissionTimer = [this] { ++m_restarts; };
            hooks.startTransmission = [this] {
                ++m_starts;
                m_workers.Start();
            };
            m_page = std::make_unique<CRs232cSetupPage>(std::move(hooks));
        }
        return *m_page;
    }
    template <typename T = QWidget>
    T* Control(int id) { return FindControl<T>(&Page(), id); }
    void Click(int id) { Control<QAbstractButton>(id)->click(); }
    void Type(int id, const char* text) { Control<QLineEdit>(id)->setText(QString::fromUtf8(text)); }
    void ResetCounts() { m_restarts = m_starts = 0; }

    PtyPorts m_ports;
    TransmitWorkers m_workers{SystemTransmitClock()};
    int m_restarts = 0;
    int m_starts = 0;
    std::unique_ptr<CRs232cSetupPage> m_page;
};

TEST_F(Rs232cSetupPageTest, ShowsTheOptionsWithItsControls)
{
    g_nCompensateTime = 120;
    g_nAutoConCommDur = 7;
    g_bComport[0] = true;
    g_bComport[2] = true;
    g_bSelMorS = false;
    g_bCheckAutoCOMM = true;

    EXPECT_EQ(Control<QLineEdit>(IDC_COMPENSATE)->text(), QStringLiteral("120"));
    EXPECT_EQ(Control<QLineEdit>(IDC_DURATION)->text(), QStringLiteral("7"));
    const bool ticked[] = {true, false, true, false};
    const int ports[] = {IDC_COM1, IDC_COM2, IDC_COM3, IDC_COM4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Control<QCheckBox>(ports[i])->isChecked(), ticked[i]) << i;
        EXPECT_EQ(Control<QCheckBox>(ports[i])->text(), QStringLiteral("COM %1").arg(i + 1));
    }
    auto* unit = Control<QComboBox>(IDC_UNIT);
    ASSERT_EQ(unit->count(), 2);
    EXPECT_EQ(unit->itemText(0), QStringLiteral("초"));
    EXPECT_EQ(unit->itemText(1), QStringLiteral("분"));
    EXPECT_EQ(unit->currentIndex(), 0);
    EXPECT_TRUE(unit->isEditable());
    EXPECT_TRUE(Control<QCheckBox>(IDC_AUTO_MODE)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(IDC_MANUAL_MODE)->isChecked());

    const struct { int id; const char* text; bool automatic; } groups[] = {
        {IDC_EVERY, "매", true}, {IDC_SEND_EVERY, "마다 전송", true},
        {IDC_HOUR_LABEL, "시", false}, {IDC_MINUTE_LABEL, "분", false},
        {IDC_SECOND_LABEL, "초", false}, {IDC_SEND, "전송", false},
    };
    for (const auto& g : groups) {
        QWidget* w = Control(g.id);
        ASSERT_NE(w, nullptr) << g.id;
        const QString text = w->property("text").toString();
        EXPECT_EQ(text, QString::fromUtf8(g.text)) << g.id;
        EXPECT_EQ(w->isEnabled(), g.automatic) << g.id;
    }
    for (const int id : {IDC_DURATION, IDC_UNIT})
        EXPECT_TRUE(Control(id)->isEnabled()) << id;
    for (const int id : {IDC_HOUR, IDC_MINUTE, IDC_SECOND}) {
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
        EXPECT_EQ(Control<QLineEdit>(id)->text(), QStringLiteral("0"));
    }
    EXPECT_EQ(Control<QCheckBox>(IDC_AUTO_MODE)->text(), QStringLiteral("자동  모드"));
    EXPECT_EQ(Control<QCheckBox>(IDC_MANUAL_MODE)->text(), QStringLiteral("수동 모드"));
    EXPECT_FALSE(Control<QLabel>(IDC_INDICATOR)->pixmap().isNull());

    // Filling the two fields counted as two changes; nothing was sent.
    EXPECT_EQ(m_restarts, 2);
    EXPECT_EQ(m_starts, 0);
    EXPECT_FALSE(g_bAutoCOMM);
}

TEST_F(Rs232cSetupPageTest, ModeBoxesAreEachOthersOpposite)
{
    Page();
    Click(IDC_AUTO_MODE);
    EXPECT_TRUE(g_bCheckAutoCOMM);
    EXPECT_FALSE(Control<QCheckBox>(IDC_MANUAL_MODE)->isChecked());
    EXPECT_TRUE(Control(IDC_DURATION)->isEnabled());
    EXPECT_FALSE(Control(IDC_SEND)->isEnabled());

    Click(IDC_AUTO_MODE);  // unticking it is manual mode
    EXPECT_FALSE(g_bCheckAutoCOMM);
    EXPECT_TRUE(Control<QCheckBox>(IDC_MANUAL_MODE)->isChecked());
    EXPECT_FALSE(Control(IDC_DURATION)->isEnabled());
    EXPECT_TRUE(Control(IDC_SEND)->isEnabled());

    Click(IDC_MANUAL_MODE);  // so is unticking manual mode automatic
    EXPECT_TRUE(g_bCheckAutoCOMM);
    EXPECT_TRUE(Control<QCheckBox>(IDC_AUTO_MODE)->isChecked());
    EXPECT_TRUE(Control(IDC_UNIT)->isEnabled());
    EXPECT_FALSE(Control(IDC_HOUR)->isEnabled());
}

TEST_F(Rs232cSetupPageTest, TypedNumbersAreHeldInRangeAndRestartTheTimer)
{
    Page();
    const struct { int id; const char* text; int value; } rows[] = {
        {IDC_COMPENSATE, "5", 10}, {IDC_COMPENSATE, "1500", 990},
        {IDC_COMPENSATE, "abc", 10}, {IDC_COMPENSATE, "", 10},
        {IDC_COMPENSATE, "250", 250}, {IDC_COMPENSATE, "990", 990},
        {IDC_DURATION, "0", 1}, {IDC_DURATION, "-3", 1}, {IDC_DURATION, "x", 1},
        {IDC_DURATION, "12", 12},
    };
    for (const auto& r : rows) {
        ResetCounts();
        Type(r.id, r.text);
        const int value = r.id == IDC_COMPENSATE ? g_nCompensateTime.load() : g_nAutoConCommDur;
        EXPECT_EQ(value, r.value) << r.id << " \"" << r.text << '"';
        EXPECT_EQ(Control<QLineEdit>(r.id)->text(), QString::fromUtf8(r.text)) << "left as typed";
        EXPECT_EQ(m_restarts, 1);
    }

    // The unit: 초 is seconds, 분 and no choice at all are minutes.
    auto* unit = Control<QComboBox>(IDC_UNIT);
    for (const auto& [index, minutes] : {std::pair{0, false}, {1, true}, {-1, true}, {0, false}}) {
        ResetCounts();
        unit->setCurrentIndex(index);
        EXPECT_EQ(g_bSelMorS, minutes) << index;
        EXPECT_EQ(m_restarts, 1) << index;
    }
}

TEST_F(Rs232cSetupPageTest, AutomaticModeWithoutAPortSendsNothing)
{
    Page();
    ResetCounts();
    Click(IDC_AUTO_MODE);
    EXPECT_FALSE(g_bAutoCOMM);
    EXPECT_EQ(m_restarts, 1);  // which stops the timer
    EXPECT_EQ(m_starts, 0);
}

TEST_F(Rs232cSetupPageTest, TickingAPortInAutomaticModeSendsAtOnce)
{
    g_bCheckAutoCOMM = true;
    Page();
    ResetCounts();
    Click(IDC_COM3);
    EXPECT_TRUE(g_bComport[2]);
    EXPECT_TRUE(g_bAutoCOMM);
    EXPECT_EQ(m_restarts, 1);
    EXPECT_EQ(m_starts, 1);
    const std::string got = m_ports[3].Read(18, 2500);
    ASSERT_EQ(got.size(), 18u) << got;
    EXPECT_EQ(got[0], '@');

    Click(IDC_COM3);  // the last port unticked: automatic transmission ends
    EXPECT_FALSE(g_bAutoCOMM);
    EXPECT_EQ(m_starts, 1);
}

TEST_F(Rs232cSetupPageTest, ManualSendWrapsTheFieldsAndFlashesTheIndicator)
{
    Page().show();
    Click(IDC_COM2);
    ASSERT_TRUE(Control(IDC_SEND)->isEnabled());
    const struct { const char* h; const char* m; const char* s; const char* sent; } rows[] = {
        {"25", "75", "61", "@011501\r\n"},
        {"-1", "-1", "-61", "@115959\r\n"},  // no minus sign reaches the line
        {"", "abc", "7x", "@120007\r\n"},
    };
    for (const auto& r : rows) {
        Type(IDC_HOUR, r.h);
        Type(IDC_MINUTE, r.m);
        Type(IDC_SECOND, r.s);
        Click(IDC_SEND);
        EXPECT_EQ(m_ports[2].Read(18, 500), std::string(r.sent) + r.sent);
        EXPECT_TRUE(Page().IsSendIndicatorLit());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Page().IsSendIndicatorLit(); }, 1000));
    }
    EXPECT_FALSE(g_bAutoCOMM) << "manual mode";
    EXPECT_EQ(m_starts, 0);
}

TEST_F(Rs232cSetupPageTest, WorkersReachTheIndicatorOnlyWhileThePageIsShown)
{
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr);
    Page().show();
    EXPECT_EQ(g_pVisibleRs232cPage.load(), static_cast<SendIndicator*>(&Page()));

    // Asked from a worker, drawn on this thread.
    std::thread([] { ShowSendIndicatorOnVisiblePage(true); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page().IsSendIndicatorLit(); }, 1000));

    Page().hide();
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr);
    EXPECT_FALSE(Page().IsSendIndicatorLit()) << "put out when hidden";
    EXPECT_FALSE(ShowSendIndicatorOnVisiblePage(true));

    Page().show();
    m_page.reset();
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr) << "cleared when the page goes";
}

}  // namespace
