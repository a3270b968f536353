// The serial page in the real settings sheet, driving the main window's
// transmission timer.

#include "ShellTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include "serial/SerialPort.h"
#include "serial/TransmitTime.h"
#include "shell/CSetupSheet.h"

TEST_F(ShellTest, SerialPageDrivesTheTransmissionTimer)
{
    using namespace res::rs232c;
    // COM1 names no device, so the transmissions started here go nowhere.
    m_store.values()["COM1_Device"] = std::string("/nonexistent/vesk-test-port");
    Seed("g_bCheckAutoCOMM", 1);
    Frame();
    ASSERT_EQ(ComDevicePath(1), "/nonexistent/vesk-test-port");
    const auto period = [&] { return Main().Timers().Period(res::TIMER_TRANSMIT); };
    EXPECT_EQ(period(), -1);

    CSetupSheet sheet(&Main());
    sheet.show();
    QTabWidget* tabs = sheet.tabWidget();
    int index = -1;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == QStringLiteral("시각전송"))
            index = i;
    ASSERT_GT(index, 1) << "after 환경설정";
    tabs->setCurrentIndex(index);
    SetupPage* page = sheet.page(index);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(g_pVisibleRs232cPage.load(), dynamic_cast<SendIndicator*>(page));

    // Automatic mode gets its first port: every 10 minutes, as stored.
    FindControl<QCheckBox>(page, IDC_COM1)->click();
    EXPECT_TRUE(g_bAutoCOMM);
    EXPECT_EQ(period(), 600000);
    FindControl<QComboBox>(page, IDC_UNIT)->setCurrentIndex(0);
    EXPECT_EQ(period(), 10000);
    FindControl<QLineEdit>(page, IDC_DURATION)->setText(QStringLiteral("3"));
    EXPECT_EQ(period(), 3000);
    FindControl<QCheckBox>(page, IDC_COM1)->click();
    EXPECT_EQ(period(), -1) << "no port, no timer";
    FindControl<QCheckBox>(page, IDC_COM1)->click();

    // Cancel undoes nothing; the hidden page takes no more indicator calls.
    sheet.reject();
    EXPECT_TRUE(g_bAutoCOMM);
    EXPECT_EQ(period(), 3000);
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr);

    Main().close();
    EXPECT_EQ(period(), -1);
}
