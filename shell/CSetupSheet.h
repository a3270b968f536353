#pragma once
// The settings sheet "설정": a modal dialog of tabbed pages with OK and
// Cancel. A page is made when its tab is first shown; a page never shown is
// never made and changes nothing.

#include <functional>
#include <vector>

#include <QDialog>
#include <QString>

#include "base/SetupPage.h"

class QTabWidget;
class QWidget;

class CSetupSheet : public QDialog
{
    Q_OBJECT
public:
    // Makes one page when its tab is first shown; the sheet owns it.
    using PageFactory = std::function<SetupPage*()>;

    // The sheet with its pages in order: "동기 정보", "환경설정", "알람설정",
    // "시각전송".
    explicit CSetupSheet(QWidget* parent = nullptr);
    ~CSetupSheet() override;

    // Adds a tab titled title whose page factory makes on first showing; returns its index.
    int addPage(const QString& title, PageFactory factory);
    // The number of tabs.
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    // The page of tab index, or null while that tab was never shown.
    SetupPage* page(int index) const;
    // The tabs, for showing a page by hand.
    QTabWidget* tabWidget() const { return m_tabWidget; }

    // OK: validates every made page (the sheet stays open, showing the first
    // page that refuses) and then applies them all in tab order.
    void accept() override;
    // Showing the sheet makes the page of the current tab first, so the
    // sheet takes that page's size.
    void setVisible(bool visible) override;

private:
    struct Page
    {
        PageFactory factory;
        QWidget* holder = nullptr;  // the tab's widget; the page goes inside
        SetupPage* page = nullptr;
    };

    void onCurrentChanged(int index);
    void makePage(int index);
    void showTab(int index);  // without the tab-change checks

    QTabWidget* m_tabWidget = nullptr;
    std::vector<Page> m_pages;
    int m_current = -1;  // the tab last shown with its page made
};
