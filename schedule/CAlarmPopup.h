#pragma once
// The alarm popup: a small picture that slides up out of the panel at the
// bottom right of the screen, carries the alarm text for a while, slides
// back down and deletes itself. A click writes the alarm's HTML lines to
// the alarm page beside the program and opens it in the desktop's handler.
// Popups out at the same time stack upwards rather than cover each other.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <string>

class WindowTimers;

// The sizes and times the frame creates the popup with.
constexpr int kAlarmPopupWidth = 170;      // px, of which 160 are shown
constexpr int kAlarmPopupHeight = 120;     // px, the full slide
constexpr int kAlarmPopupShownMs = 15000;  // fully out
constexpr int kAlarmPopupStepMs = 1;       // a pixel a step
inline const QRect kAlarmTextRect{QPoint(24, 24), QPoint(145, 95)};  // (24, 24, 146, 96) in the picture

// Writes an alarm's HTML lines (UTF-8) to the alarm page beside the program
// and opens it in the desktop's handler. Failures are not reported: the
// alarm is still out, and a click tries again.
void OpenAlarmPage(const std::string& html);

class CAlarmPopup : public QWidget
{
    Q_OBJECT
public:
    // alarms: the text of each alarm ("[5분전] memo"), shown one below the
    // other. The popup is shown width - 10 px wide and up to height px
    // tall; textRect is where the text goes in picture 139.
    CAlarmPopup(const QStringList& alarms, int width, int height, int shownMs, int stepMs,
                const QRect& textRect, const QColor& background, QWidget* parent = nullptr);
    ~CAlarmPopup() override;

    // The alarm's HTML lines (UTF-8), written out by a click.
    std::string m_strHtml;

    // Starts the slide above the panel of the primary screen. When that
    // screen has no panel across its bottom, nothing is shown, the popup
    // deletes itself and the answer is false.
    bool Show();
    // The same on a screen of the given geometry and work area.
    bool ShowOn(const QRect& screen, const QRect& workArea);
    // Starts the slide at the bottom right of workArea wherever the panels
    // are: the alarm must be seen when nothing else can show it.
    void ShowIn(const QRect& workArea);

    // A panel across the whole bottom: the work area is as wide as the
    // screen and ends above the screen's bottom edge.
    static bool PanelAtBottom(const QRect& screen, const QRect& workArea);

    // What of alarms fits into textRect in font: as many alarms as fit
    // whole (at least the first), and when some do not, a last line
    // saying how many more there are ("외 26건").
    struct Fitted
    {
        QString text;
        QString more;  // empty when all fit
    };
    static Fitted FitAlarms(const QStringList& alarms, const QFont& font, const QRect& textRect);
    static QFont TextFont(bool underline);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void onTimer(int id);
    void place();
    // The lowest place in the stack no other popup holds, counted from the
    // bottom; above the last one that fits the work area, the places repeat.
    int freeSlot(const QRect& workArea) const;

    const Fitted m_text;
    const int m_nWidth;
    const int m_nFullHeight;
    const int m_nShownMs;
    const int m_nStepMs;
    const QRect m_rcText;
    const QPixmap m_picture;  // picture 139
    WindowTimers* m_pTimers;
    int m_nBaseX = 0;
    int m_nWorkBottom = 0;    // first row below the work area
    int m_nHeight = 0;        // 0 .. m_nFullHeight + 1 during the slides
    int m_nSlot = -1;         // place in the stack while shown
    bool m_bHover = false;
};
