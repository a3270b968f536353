// The settings sheet: its pages, made only when shown, and what OK and
// Cancel do to the options.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QCoreApplication>
#include <QTabWidget>

#include "SettingsSheetTestSupport.h"
#include "base/ControlId.h"
#include "resources/ResourceIds.h"
#include "shell/CSetupSheet.h"

namespace {

// A page that counts what the sheet asks of it.
class ProbePage : public SetupPage
{
public:
    explicit ProbePage(bool valid, int* made, int* applied)
        : m_valid(valid), m_applied(applied)
    {
        ++*made;
    }
    bool validatePage() override { return m_valid; }
    void applyPage() override { ++*m_applied; }

private:
    bool m_valid;
    int* m_applied;
};

class SettingsSheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnvOptions stored;
        stored.autoConDuration = 45;
        stored.log = true;
        stored.makeCurrent();
        m_stored = EnvOptions::current();
    }

    QPushButton* button(int id) { return FindControl<QPushButton>(&m_sheet, id); }

    OptionsGuard m_options;
    MessageRecorder m_messages;
    EnvOptions m_stored;
    CSetupSheet m_sheet;
};

TEST_F(SettingsSheetTest, HasItsPagesAndOnlyOkAndCancel)
{
    EXPECT_EQ(m_sheet.windowTitle(), QStringLiteral("설정"));
    ASSERT_EQ(m_sheet.pageCount(), 4);
    EXPECT_EQ(m_sheet.tabWidget()->tabText(0), QStringLiteral("동기 정보"));
    EXPECT_EQ(m_sheet.tabWidget()->tabText(1), QStringLiteral("환경설정"));
    EXPECT_EQ(m_sheet.tabWidget()->tabText(2), QStringLiteral("알람설정"));
    EXPECT_EQ(m_sheet.tabWidget()->tabText(3), QStringLiteral("시각전송"));
    EXPECT_EQ(m_sheet.findChild<QDialogButtonBox*>()->buttons().size(), 2);
    EXPECT_EQ(button(1)->text(), QStringLiteral("확인"));
    EXPECT_EQ(button(2)->text(), QStringLiteral("취소"));
}

TEST_F(SettingsSheetTest, PagesAreMadeWhenFirstShown)
{
    EXPECT_EQ(m_sheet.page(0), nullptr) << "nothing before the sheet shows";
    m_sheet.show();
    ASSERT_NE(m_sheet.page(0), nullptr);
    EXPECT_TRUE(m_sheet.page(0)->isVisible());
    EXPECT_EQ(m_sheet.page(1), nullptr);
    EXPECT_EQ(FindControl(&m_sheet, res::env::IDC_BEEP), nullptr);
    EXPECT_EQ(FindControl(&m_sheet, res::env::IDC_DEFAULTS), nullptr);

    m_sheet.tabWidget()->setCurrentIndex(1);
    SetupPage* env = m_sheet.page(1);
    ASSERT_NE(env, nullptr);
    EXPECT_TRUE(env->isVisible());
    EXPECT_NE(FindControl(env, res::env::IDC_BEEP), nullptr);
    m_sheet.tabWidget()->setCurrentIndex(0);
    m_sheet.tabWidget()->setCurrentIndex(1);
    EXPECT_EQ(m_sheet.page(1), env) << "made once";
}

TEST_F(SettingsSheetTest, AddedPageIsMadeOnlyWhenItsTabIsShown)
{
    int made = 0;
    int applied = 0;
    const int index = m_sheet.addPage(QStringLiteral("알람설정"),
                                      [&] { return new ProbePage(true, &made, &applied); });
    EXPECT_EQ(index, m_sheet.pageCount() - 1);
    m_sheet.show();
    button(1)->click();
    EXPECT_EQ(made, 0);
    EXPECT_EQ(applied, 0);
}

TEST_F(SettingsSheetTest, NeverOpenedPageChangesNothing)
{
    m_sheet.show();
    // Options changed elsewhere while the sheet is open stay as they are.
    AutoConDuration = 90;
    button(1)->click();
    EXPECT_EQ(m_sheet.result(), QDialog::Accepted);
    EXPECT_EQ(m_sheet.page(1), nullptr);
    EXPECT_EQ(AutoConDuration, 90);
    AutoConDuration = m_stored.autoConDuration;
    EXPECT_EQ(EnvOptions::current(), m_stored);
}

TEST_F(SettingsSheetTest, CancelChangesNothing)
{
    m_sheet.show();
    m_sheet.tabWidget()->setCurrentIndex(1);
    FindControl<QPushButton>(m_sheet.page(1), res::env::IDC_DEFAULTS)->click();
    FindControl<QCheckBox>(m_sheet.page(1), res::env::IDC_BEEP)->click();
    button(2)->click();
    EXPECT_EQ(m_sheet.result(), QDialog::Rejected);
    EXPECT_EQ(EnvOptions::current(), m_stored);
}

TEST_F(SettingsSheetTest, OneRefusingPageKeepsEveryPageFromApplying)
{
    int made = 0;
    int applied = 0;
    const int probe =
        m_sheet.addPage(QStringLiteral("검사"), [&] { return new ProbePage(false, &made, &applied); });
    m_sheet.show();
    m_sheet.tabWidget()->setCurrentIndex(1);
    FindControl<QPushButton>(m_sheet.page(1), res::env::IDC_DEFAULTS)->click();
    m_sheet.tabWidget()->setCurrentIndex(probe);
    ASSERT_EQ(made, 1);

    button(1)->click();

    EXPECT_TRUE(m_sheet.isVisible());
    EXPECT_EQ(m_sheet.tabWidget()->currentIndex(), probe);
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(EnvOptions::current(), m_stored);
}

}  // namespace

// The sheet keeps one size while its pages are made, tab by tab.
TEST_F(SettingsSheetTest, KeepsOneSizeAcrossItsPages)
{
    m_sheet.show();
    const QSize first = m_sheet.size();
    for (int i = 1; i < m_sheet.pageCount(); ++i) {
        m_sheet.tabWidget()->setCurrentIndex(i);
        ASSERT_NE(m_sheet.page(i), nullptr);
        QCoreApplication::processEvents();   // the layout's requests
        EXPECT_EQ(m_sheet.size(), first) << i;
    }
}
