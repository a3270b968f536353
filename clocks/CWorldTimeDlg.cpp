#include "clocks/CWorldTimeDlg.h"

#include <algorithm>

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "base/ControlId.h"
#include "base/MessageBox.h"
#include "base/NextSecond.h"
#include "clocks/CWorldTimeView.h"
#include "clocks/ClockFaces.h"
#include "resources/ResourceIds.h"

std::string g_strSelectedAreaName;

namespace {

// Blink counter value after a selection: three dark-and-lit cycles of six
// paints, about 0.9 s at one paint per 50 ms.
constexpr int kSelectBlinkStart = 18;

// Sizes in pixels, from the dialog's layout in units of its 10 pt
// monospaced Korean face (7 x 13 px per 4 x 8 units).
constexpr QSize kDialogSize(262, 385);
constexpr QSize kClockArea(254, 58);   // the view sits 5 px inside it
constexpr int kInfoHeight = 94;
constexpr int kMargin = 4;
// Pixels above and below a tree row's text: the Korean face's glyphs fill
// its whole line height, and rows of just that height cut them.
constexpr int kRowPadding = 2;

// Rows tall enough for their names.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 2 * kRowPadding));
        return size;
    }
};

} // namespace

WorldTimeTreeWidget::WorldTimeTreeWidget(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setDragEnabled(false);
    setItemDelegate(new RowDelegate(this));
}

WorldTimeTreeWidget::Item WorldTimeTreeWidget::InsertItem(Item parent, const std::string& text,
                                                          std::int32_t data)
{
    auto* item = parent == kTop ? new QTreeWidgetItem(this) : new QTreeWidgetItem(toItem(parent));
    item->setText(0, QString::fromStdString(text));
    item->setData(0, Qt::UserRole, data);
    return toHandle(item);
}

void WorldTimeTreeWidget::Expand(Item item)
{
    if (item != kTop)
        toItem(item)->setExpanded(true);
}

std::vector<WorldTimeTreeWidget::Item> WorldTimeTreeWidget::Children(Item item) const
{
    const QTreeWidgetItem* parent = item == kTop ? invisibleRootItem() : toItem(item);
    std::vector<Item> children;
    children.reserve(static_cast<std::size_t>(parent->childCount()));
    for (int i = 0; i < parent->childCount(); ++i)
        children.push_back(toHandle(parent->child(i)));
    return children;
}

std::string WorldTimeTreeWidget::ItemText(Item item) const
{
    return item == kTop ? std::string() : toItem(item)->text(0).toStdString();
}

std::int32_t WorldTimeTreeWidget::rowOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

CWorldTimeDlg::CWorldTimeDlg(QWidget* parent, int* selectBlink, const std::string& tablePath)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_selectBlink(selectBlink ? selectBlink : &m_ownBlink)
{
    SetControlId(this, res::IDD_WORLDTIME);
    setWindowTitle(QStringLiteral("세계시각"));
    setModal(false);
    QStringList faces = kKoreanFaces;
    faces.prepend(QStringLiteral("NanumGothicCoding"));
    setFont(MakeClockFont(faces, 100));

    auto* clockArea = new QWidget(this);
    clockArea->setFixedSize(kClockArea);
    m_tree = new WorldTimeTreeWidget(this);
    SetControlId(m_tree, res::worldtime::IDC_TREE);
    m_find = new QLineEdit(QString::fromUtf8(kWorldTimeFindHint), this);
    SetControlId(m_find, res::worldtime::IDC_FIND_TEXT);
    auto* find = new QPushButton(QStringLiteral("찾기"), this);
    SetControlId(find, res::worldtime::IDC_FIND);
    find->setDefault(true);
    m_info = new QLabel(this);
    SetControlId(m_info, res::worldtime::IDC_INFO);
    m_info->setTextFormat(Qt::PlainText);
    m_info->setWordWrap(true);
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_info->setFixedHeight(kInfoHeight);
    auto* showClock = new QPushButton(QStringLiteral("시계창보이기"), this);
    SetControlId(showClock, res::worldtime::IDC_SHOW_CLOCK);
    auto* close = new QPushButton(QStringLiteral("닫기"), this);
    SetControlId(close, res::worldtime::IDC_CLOSE);
    // Enter searches wherever the focus is, these two buttons included.
    showClock->setAutoDefault(false);
    close->setAutoDefault(false);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(m_find, 1);
    findRow->addWidget(find);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(showClock);
    buttonRow->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);
    layout->addWidget(clockArea);
    layout->addWidget(m_tree, 1);
    layout->addLayout(findRow);
    layout->addWidget(m_info);
    layout->addLayout(buttonRow);
    setFixedSize(kDialogSize);

    m_view = new CWorldTimeView(clockArea, QRect(QPoint(0, 0), kClockArea),
                                res::worldtime::IDC_VIEW, m_selectBlink);
    // The tree has the focus first, so the hint stays until the edit is entered.
    setTabOrder(m_tree, m_find);
    m_tree->setFocus();
    m_find->installEventFilter(this);

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CWorldTimeDlg::onSelectionChanged);
    connect(find, &QPushButton::clicked, this, &CWorldTimeDlg::search);
    connect(showClock, &QPushButton::clicked, this, &CWorldTimeDlg::onShowClock);
    connect(close, &QPushButton::clicked, this, &CWorldTimeDlg::hide);

    m_bLoaded = LoadWorldTimeTable(tablePath, m_tree);
    if (!m_bLoaded)
        ShowMessage(parent, QString::fromUtf8(kWorldTimeMissingText));
}

CWorldTimeDlg::~CWorldTimeDlg() = default;

void CWorldTimeDlg::setTimeSource(std::function<std::time_t()> now)
{
    m_now = now;
    m_view->setTimeSource(std::move(now));
}

std::time_t CWorldTimeDlg::currentTime() const
{
    return m_now ? m_now() : SecondsNow();
}

void CWorldTimeDlg::setInfoText(const QString& text)
{
    m_info->setText(text);
}

void CWorldTimeDlg::onSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.front();
    const std::int32_t row = WorldTimeTreeWidget::rowOf(item);
    if (row == -1)
        return;  // the root or a group: nothing to show
    g_nSelectedArea = row;
    setInfoText(QString::fromStdString(BuildAreaInfo(row, KoreanWallTime(currentTime()))));
    *m_selectBlink = kSelectBlinkStart;
    m_view->Blink();
    g_strSelectedAreaName = item->text(0).toStdString();
}

void CWorldTimeDlg::search()
{
    const std::string find = m_find->text().toStdString();
    if (find.empty()) {
        m_find->setText(QString::fromUtf8(kWorldTimeFindHint));
        setInfoText(QString::fromUtf8(kWorldTimeFindEmptyText));
        return;
    }
    const std::optional<WorldTimeMatch> match = FindWorldTimeRegion(*m_tree, find);
    if (!match) {
        setInfoText(QString::fromUtf8(kWorldTimeNotFoundText));
        return;
    }
    QTreeWidgetItem* group = WorldTimeTreeWidget::toItem(match->group);
    QTreeWidgetItem* region = WorldTimeTreeWidget::toItem(match->region);
    // The group at the top, then the region selected and brought into view
    // below it.
    group->setExpanded(true);
    m_tree->scrollToItem(group, QAbstractItemView::PositionAtTop);
    // Selecting the region already selected changes no selection, yet its
    // description must replace a "not found" shown meanwhile.
    const bool already = region->isSelected();
    m_tree->setCurrentItem(region);
    if (already)
        onSelectionChanged();
}

void CWorldTimeDlg::onShowClock()
{
    if (g_nSelectedArea == -1)
        return;
    emit showWorldClockRequested(g_nSelectedArea, QString::fromStdString(g_strSelectedAreaName));
}

void CWorldTimeDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    emit shownOrHidden();
}

void CWorldTimeDlg::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    emit shownOrHidden();
}

void CWorldTimeDlg::closeEvent(QCloseEvent* event)
{
    // Not QDialog's: that asks reject(), which keeps the dialog open.
    event->accept();
}

bool CWorldTimeDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the edit clears the hint, and whatever else was typed.
    if (watched == m_find && event->type() == QEvent::FocusIn)
        m_find->clear();
    return QDialog::eventFilter(watched, event);
}
