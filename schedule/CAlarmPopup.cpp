#include "schedule/CAlarmPopup.h"

#include "base/ControlId.h"
#include "base/UrlOpener.h"
#include "base/WindowTimers.h"
#include "resources/Art.h"
#include "resources/ResourceIds.h"
#include "schedule/ScheduleFile.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

namespace ids = res::alarmpopup;

constexpr int kPictureOrigin = 9;   // px: the picture is shown from (9, 9)
constexpr int kAbovePanel = 5;      // px between the popup and the panel
constexpr int kRightMargin = 10;    // px between the popup and the work area's edge
const QColor kSeeThrough(0xff, 0x00, 0xff);  // in "frame.bmp"
constexpr const char* kFramePicture = "frame.bmp";
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// The popups out now, on the user-interface thread.
std::vector<const CAlarmPopup*> s_shown;

} // namespace

QFont CAlarmPopup::TextFont(bool underline)
{
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(13);  // 10 pt at 96 dpi
    font.setWeight(QFont::Medium);
    font.setUnderline(underline);
    return font;
}

CAlarmPopup::Fitted CAlarmPopup::FitAlarms(const QStringList& alarms, const QFont& font,
                                           const QRect& textRect)
{
    QStringList lines;
    for (const QString& a : alarms)
        lines << QString(a).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QFontMetrics metrics(font);
    const auto fits = [&](qsizetype n, int height) {
        return metrics.boundingRect(textRect, kTextFlags, lines.mid(0, n).join(u'\n')).height() <= height;
    };
    // One alarm too long for the picture shows as far as it goes.
    if (lines.size() < 2 || fits(lines.size(), textRect.height()))
        return {lines.join(u'\n'), {}};
    // The last line says how many more; the alarms share what is left.
    const int above = textRect.height() - metrics.lineSpacing();
    qsizetype n = lines.size() - 1;
    while (n > 1 && !fits(n, above))
        --n;
    return {lines.mid(0, n).join(u'\n'), QStringLiteral("외 %1건").arg(lines.size() - n)};
}

CAlarmPopup::CAlarmPopup(const QStringList& alarms, int width, int height, int shownMs, int stepMs,
                         const QRect& textRect, const QColor& background, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      m_text(FitAlarms(alarms, TextFont(false), textRect)),
      m_nWidth(width),
      m_nFullHeight(height),
      m_nShownMs(shownMs),
      m_nStepMs(stepMs),
      m_rcText(textRect),
      m_picture(AlarmPicture()),
      m_pTimers(new WindowTimers(this))
{
    setWindowTitle(QStringLiteral("일정 알림"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    setPalette(pal);
    setAutoFillBackground(true);
    setCursor(Qt::BusyCursor);

    // The frame lies over the painting; its magenta is see-through and the
    // mouse passes through it. A missing file leaves the frame empty.
    auto* frame = new QLabel(this);
    SetControlId(frame, ids::IDC_FRAME);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPixmap art(QDir::current().filePath(QString::fromUtf8(kFramePicture)));
    if (!art.isNull()) {
        art.setMask(art.createMaskFromColor(kSeeThrough));
        frame->setPixmap(art);
        frame->resize(art.size());
    }

    connect(m_pTimers, &WindowTimers::timeout, this, &CAlarmPopup::onTimer);
}

CAlarmPopup::~CAlarmPopup()
{
    std::erase(s_shown, this);
}

bool CAlarmPopup::PanelAtBottom(const QRect& screen, const QRect& workArea)
{
    return workArea.width() == screen.width() && workArea.bottom() < screen.bottom();
}

bool CAlarmPopup::Show()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        deleteLater();
        return false;
    }
    return ShowOn(screen->geometry(), screen->availableGeometry());
}

bool CAlarmPopup::ShowOn(const QRect& screen, const QRect& workArea)
{
    if (!PanelAtBottom(screen, workArea)) {
        deleteLater();
        return false;
    }
    ShowIn(workArea);
    return true;
}

void CAlarmPopup::ShowIn(const QRect& workArea)
{
    m_nBaseX = workArea.x() + workArea.width() - m_nWidth;
    m_nWorkBottom = workArea.y() + workArea.height();
    m_nHeight = 0;
    m_nSlot = freeSlot(workArea);
    s_shown.push_back(this);
    m_pTimers->SetTimer(ids::TIMER_SLIDE_IN, m_nStepMs);
}

int CAlarmPopup::freeSlot(const QRect& workArea) const
{
    const int step = m_nFullHeight + kAbovePanel;
    const int places = std::max(1, (workArea.height() - kAbovePanel) / step);
    std::vector<bool> taken(static_cast<std::size_t>(places), false);
    for (const CAlarmPopup* p : s_shown)
        if (p->m_nWorkBottom == m_nWorkBottom && p->m_nBaseX == m_nBaseX)
            taken[static_cast<std::size_t>(p->m_nSlot % places)] = true;
    const auto open = std::find(taken.begin(), taken.end(), false);
    return open == taken.end() ? static_cast<int>(s_shown.size()) % places
                               : static_cast<int>(open - taken.begin());
}

void CAlarmPopup::place()
{
    const int bottom = m_nWorkBottom - kAbovePanel - m_nSlot * (m_nFullHeight + kAbovePanel);
    setGeometry(m_nBaseX, bottom - m_nHeight, m_nWidth - kRightMargin, m_nHeight);
    if (!isVisible())
        show();  // on top: past the window manager, a new window maps above the others
}

void CAlarmPopup::onTimer(int id)
{
    switch (id) {
    case ids::TIMER_SLIDE_IN:
        if (++m_nHeight <= m_nFullHeight) {
            place();
        } else {
            m_pTimers->KillTimer(ids::TIMER_SLIDE_IN);
            m_pTimers->SetTimer(ids::TIMER_SHOWN, m_nShownMs);
            raise();  // above whatever opened meanwhile
        }
        break;
    case ids::TIMER_SHOWN:
        m_pTimers->KillTimer(ids::TIMER_SHOWN);
        m_pTimers->SetTimer(ids::TIMER_SLIDE_OUT, m_nStepMs);
        break;
    case ids::TIMER_SLIDE_OUT:
        if (m_nHeight <= 1) {
            m_pTimers->KillTimer(ids::TIMER_SLIDE_OUT);
            m_nHeight = 0;
            std::erase(s_shown, this);  // its place is free at once
            hide();
            deleteLater();
        } else {
            --m_nHeight;
            place();
        }
        break;
    default:
        break;
    }
}

void CAlarmPopup::paintEvent(QPaintEvent*)
{
    QPixmap canvas = m_picture;
    {
        QPainter p(&canvas);
        p.setFont(TextFont(m_bHover));
        p.setPen(Qt::black);
        QRect alarms = m_rcText;
        if (!m_text.more.isEmpty()) {
            alarms.setBottom(alarms.bottom() - p.fontMetrics().lineSpacing());
            p.drawText(m_rcText, Qt::AlignLeft | Qt::AlignBottom, m_text.more);
        }
        p.drawText(alarms, kTextFlags, m_text.text);  // clipped to its rectangle
    }
    QPainter p(this);
    p.drawPixmap(0, 0, canvas, kPictureOrigin, kPictureOrigin, width(), height());
}

void CAlarmPopup::enterEvent(QEnterEvent*)
{
    if (!m_bHover) {
        m_bHover = true;
        update();
    }
}

void CAlarmPopup::leaveEvent(QEvent*)
{
    if (m_bHover) {
        m_bHover = false;
        update();
    }
}

void CAlarmPopup::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    OpenAlarmPage(m_strHtml);
}

void OpenAlarmPage(const std::string& html)
{
    if (const auto page = WriteAlarmPage(".", html))
        OpenUrl(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(*page)).absoluteFilePath()));
}
