// The serial page in the real settings sheet, driving the main window's
// transmission timer and transmissions.

#include "SerialTestSupport.h"
#include "ShellTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include "serial/TransmitTime.h"
#include "shell/CSetupSheet.h"

TEST_F(ShellTest, SerialPageDrivesTheTransmissionTimer)
{
    using namespace res::rs232c;
    PtyPorts ports;
    m_store.values()["COM1_Device"] = std::string(ports[1].name);
    Frame();
    ASSERT_EQ(ComDevicePath(1), ports[1].name);
    const auto period = [&] { return Main().Timers().Period(res::TIMER_TRANSMIT); };

    CSetupSheet sheet(&Main());
    sheet.show();
    QTabWidget* tabs = sheet.tabWidget();
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == QStringLiteral("시각전송"))
            tabs->setCurrentIndex(i);
    ASSERT_GT(tabs->currentIndex(), 1) << "after 환경설정";
    QWidget* page = tabs->currentWidget();
    const auto click = [&](int id) { FindControl<QAbstractButton>(page, id)->click(); };

    click(IDC_AUTO_MODE);
    EXPECT_EQ(period(), -1) << "no port yet";
    // The first port: one message at once, then one every 10 minutes.
    click(IDC_COM1);
    EXPECT_EQ(period(), 600000);
    EXPECT_EQ(ports[1].Read(18).size(), 18u);
    FindControl<QComboBox>(page, IDC_UNIT)->setCurrentIndex(0);
    EXPECT_EQ(period(), 10000);
    FindControl<QLineEdit>(page, IDC_DURATION)->setText(QStringLiteral("3"));
    EXPECT_EQ(period(), 3000);
    click(IDC_COM1);
    EXPECT_EQ(period(), -1) << "no port, no timer";
    click(IDC_COM1);

    // Cancel undoes nothing; the hidden page takes no more indicator calls.
    sheet.reject();
    EXPECT_EQ(period(), 3000);
    EXPECT_EQ(g_pVisibleRs232cPage.load(), nullptr);
    Main().close();
    EXPECT_EQ(period(), -1);
}
