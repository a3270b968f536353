#include "shell/CSetupSheet.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/ControlId.h"
#include "resources/ResourceIds.h"
#include "schedule/CAlramDlg.h"
#include "serial/CRs232cSetupPage.h"
#include "shell/CEnvDlg.h"
#include "shell/CMainClockDlg.h"
#include "shell/CMainFrame.h"
#include "time/CInfoDlg.h"

namespace {
constexpr int kIdOk = 1;      // the sheet's OK, numbered as a dialog's OK
constexpr int kIdCancel = 2;  // and Cancel
// Room for the largest page, in the sheet's font as a dialog template
// gives it (the serial page's width, the environment page's height): the
// pages are made one by one as their tabs show, and the sheet must not
// grow at each.
constexpr int kPageWidthChars = 66;   // average characters
constexpr int kPageHeightLines = 22;  // font heights
}  // namespace

CSetupSheet::CSetupSheet(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("설정"));
    // Modal to the main window and the frame only: the schedule manager,
    // which the alarm page opens as a window of its own, stays usable.
    setWindowModality(Qt::WindowModal);

    m_tabWidget = new QTabWidget(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setText(QStringLiteral("확인"));
    cancel->setText(QStringLiteral("취소"));
    SetControlId(ok, kIdOk);
    SetControlId(cancel, kIdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabWidget);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &CSetupSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSetupSheet::reject);
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &CSetupSheet::onCurrentChanged);

    addPage(QStringLiteral("동기 정보"), [] { return new CInfoDlg; });
    addPage(QStringLiteral("환경설정"), [] { return new CEnvDlg; });
    addPage(QStringLiteral("알람설정"), [] {
        // Its buttons run the frame's commands "일정관리" and "일정보기".
        const auto command = [](int id) {
            return [id] {
                if (CMainClockDlg* main = MainClockDlg())
                    main->Frame()->OnCommand(id);
            };
        };
        return new CAlramDlg({command(res::ID_SCHEDULE), command(res::ID_SCHEDULE_VIEW)});
    });
    addPage(QStringLiteral("시각전송"), [] {
        // Its changes restart the main window's transmission timer and send.
        CRs232cSetupPage::Hooks hooks;
        hooks.restartTransmissionTimer = [] {
            if (CMainClockDlg* main = MainClockDlg())
                main->RestartTransmissionTimer();
        };
        hooks.startTransmission = [] {
            if (CMainClockDlg* main = MainClockDlg(); main && main->onTransmitTimer)
                main->onTransmitTimer();
        };
        return new CRs232cSetupPage(std::move(hooks));
    });
}

CSetupSheet::~CSetupSheet() = default;

int CSetupSheet::addPage(const QString& title, PageFactory factory)
{
    auto* holder = new QWidget;
    // At least that room; a page that needs more still gets it.
    const QFontMetrics metrics(font());
    auto* layout = new QGridLayout(holder);
    layout->setColumnMinimumWidth(0, kPageWidthChars * metrics.averageCharWidth());
    layout->setRowMinimumHeight(0, kPageHeightLines * metrics.height());
    layout->setContentsMargins(0, 0, 0, 0);
    m_pages.push_back({std::move(factory), holder, nullptr});
    // The first tab added becomes current; its page is made when the sheet shows.
    const QSignalBlocker blocker(m_tabWidget);
    return m_tabWidget->addTab(holder, title);
}

SetupPage* CSetupSheet::page(int index) const
{
    if (index < 0 || index >= pageCount())
        return nullptr;
    return m_pages[static_cast<std::size_t>(index)].page;
}

void CSetupSheet::makePage(int index)
{
    Page& entry = m_pages[static_cast<std::size_t>(index)];
    if (entry.page != nullptr || !entry.factory)
        return;
    entry.page = entry.factory();
    if (entry.page != nullptr) {
        // At its own size in the corner, as a page of a template sheet sits.
        static_cast<QGridLayout*>(entry.holder->layout())
            ->addWidget(entry.page, 0, 0, Qt::AlignLeft | Qt::AlignTop);
        entry.page->show();  // a widget added to a shown window stays hidden otherwise
        // Lay the page out now, growing the sheet if the page needs more room.
        layout()->activate();
    }
}

void CSetupSheet::showTab(int index)
{
    const QSignalBlocker blocker(m_tabWidget);
    m_tabWidget->setCurrentIndex(index);
}

void CSetupSheet::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        const int index = m_tabWidget->currentIndex();
        if (index >= 0) {
            makePage(index);
            m_current = index;
        }
    }
    QDialog::setVisible(visible);
}

void CSetupSheet::onCurrentChanged(int index)
{
    if (index < 0)
        return;
    if (!isVisible()) {
        // Shown later: setVisible makes the page of whichever tab is current.
        return;
    }
    // The page being left keeps its values only if they are valid; it is
    // shown again while it checks, so its message and focus land on it.
    if (m_current >= 0 && m_current != index) {
        if (SetupPage* leaving = page(m_current)) {
            showTab(m_current);
            if (!leaving->validatePage())
                return;
            showTab(index);
        }
    }
    makePage(index);
    m_current = index;
}

void CSetupSheet::accept()
{
    // The shown page first: the others were checked when they were left.
    std::vector<int> order;
    if (m_current >= 0)
        order.push_back(m_current);
    for (int i = 0; i < pageCount(); ++i) {
        if (i != m_current)
            order.push_back(i);
    }
    for (const int i : order) {
        SetupPage* p = page(i);
        if (p == nullptr)
            continue;
        if (i != m_tabWidget->currentIndex()) {
            showTab(i);
            m_current = i;
        }
        if (!p->validatePage())
            return;
    }
    for (int i = 0; i < pageCount(); ++i) {
        if (SetupPage* p = page(i))
            p->applyPage();
    }
    QDialog::accept();
}
