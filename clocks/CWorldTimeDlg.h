#pragma once
// The world time dialog "세계시각": the regions of the world time table as a
// tree, a search by name, the selected region's description and clock, and
// the request for a world clock window of it. Modeless, made once by the
// main window and afterwards only shown and hidden.

#include <QDialog>
#include <QString>
#include <QTreeWidget>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "clocks/WorldTime.h"
#include "clocks/WorldTimeSearch.h"
#include "clocks/WorldTimeTree.h"

class CWorldTimeView;
class QLabel;
class QLineEdit;
class QPushButton;

// The text of the region last selected in the dialog (UTF-8), empty until
// then; kept while the dialog is hidden. GUI thread only.
extern std::string g_strSelectedAreaName;

// The dialog's tree control, built by LoadWorldTimeTable and read by the
// search. An item's data (Qt::UserRole) is its table row, -1 for the root
// and the groups.
class WorldTimeTreeWidget : public QTreeWidget, public WorldTimeTree, public WorldTimeSearchTree
{
    Q_OBJECT
public:
    using Item = WorldTimeTree::Item;

    explicit WorldTimeTreeWidget(QWidget* parent);

    Item InsertItem(Item parent, const std::string& text, std::int32_t data) override;
    void Expand(Item item) override;
    std::vector<Item> Children(Item item) const override;
    std::string ItemText(Item item) const override;

    // The tree item of a handle, nullptr for kTop.
    static QTreeWidgetItem* toItem(Item item) { return reinterpret_cast<QTreeWidgetItem*>(item); }
    static Item toHandle(QTreeWidgetItem* item) { return reinterpret_cast<Item>(item); }
    // The table row item stands for, -1 for the root, a group or nullptr.
    static std::int32_t rowOf(const QTreeWidgetItem* item);
};

class CWorldTimeDlg : public QDialog
{
    Q_OBJECT
public:
    // The dialog, hidden, owned by parent, with the table at tablePath
    // loaded into g_worldTimeTable and the tree; when the file cannot be
    // read it says so in a message box and loaded() is false. selectBlink is
    // the main window's blink counter; it must outlive the dialog.
    CWorldTimeDlg(QWidget* parent, int* selectBlink,
                  const std::string& tablePath = kWorldTimeFileName);
    ~CWorldTimeDlg() override;

    // Whether the table was read; without it the program cannot go on.
    bool loaded() const { return m_bLoaded; }

    // Where the PC's time is read from for descriptions and the clock;
    // empty: the system clock.
    void setTimeSource(std::function<std::time_t()> now);

    WorldTimeTreeWidget* tree() const { return m_tree; }
    CWorldTimeView* view() const { return m_view; }

    // Selects the first region whose name contains the search text, or
    // says in the description why none was selected.
    void search();

signals:
    // "시계창보이기" with a region selected: a world clock window of it is wanted.
    void showWorldClockRequested(int row, QString name);
    // The dialog was shown or hidden.
    void shownOrHidden();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape leaves the dialog as it is; "닫기" hides it.
    void reject() override {}
    // A close from the window manager hides it like "닫기".
    void closeEvent(QCloseEvent* event) override;

private:
    void onSelectionChanged();
    void onShowClock();
    void setInfoText(const QString& text);
    std::time_t currentTime() const;

    int* m_selectBlink;
    int m_ownBlink = 0;  // counts when no main window's counter is given
    bool m_bLoaded = false;
    std::function<std::time_t()> m_now;
    WorldTimeTreeWidget* m_tree = nullptr;
    CWorldTimeView* m_view = nullptr;
    QLineEdit* m_find = nullptr;
    QLabel* m_info = nullptr;
};
