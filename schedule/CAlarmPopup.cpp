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

namespace {

namespace ids = res::alarmpopup;

constexpr int kPictureOrigin = 9;   // px: the picture is shown from (9, 9)
constexpr int kAbovePanel = 5;      // px between the popup and the panel
constexpr int kRightMargin = 10;    // px between the popup and the work area's edge
const QColor kSeeThrough(0xff, 0x00, 0xff);  // in "frame.bmp"
constexpr const char* kFramePicture = "frame.bmp";

} // namespace

CAlarmPopup::CAlarmPopup(const QString& text, int width, int height, int shownMs, int stepMs,
                         const QRect& textRect, const QColor& background, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      m_strText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))),
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
    m_nBaseX = workArea.x() + workArea.width() - m_nWidth;
    m_nWorkBottom = workArea.y() + workArea.height();
    m_nHeight = 0;
    m_pTimers->SetTimer(ids::TIMER_SLIDE_IN, m_nStepMs);
    return true;
}

void CAlarmPopup::place()
{
    setGeometry(m_nBaseX, m_nWorkBottom - m_nHeight - kAbovePanel, m_nWidth - kRightMargin, m_nHeight);
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
        QFont font(QStringLiteral("NanumGothic"));
        font.setPixelSize(13);  // 10 pt at 96 dpi
        font.setWeight(QFont::Medium);
        font.setUnderline(m_bHover);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(m_rcText, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_strText);
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
    // Failures are not reported: the popup stays, and a click tries again.
    if (const auto page = WriteAlarmPage(".", m_strHtml))
        OpenUrl(QUrl::fromLocalFile(QFileInfo(QString::fromStdString(*page)).absoluteFilePath()));
}
