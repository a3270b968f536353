#include "shell/CEnvDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include <cerrno>
#include <cstring>

#include "base/ControlId.h"
#include "base/MessageBox.h"
#include "base/QtColor.h"
#include "clocks/Transparency.h"
#include "resources/ResourceIds.h"
#include "shell/Autostart.h"
#include "shell/ScreenSaver.h"

namespace {

std::optional<ColorRef> ChooseWithDialog(QWidget* parent, ColorRef initial)
{
    const QColor chosen = QColorDialog::getColor(ColorRefToQColor(initial), parent);
    if (!chosen.isValid())
        return std::nullopt;
    return QColorToColorRef(chosen);
}

ColorChooser& Chooser()
{
    static ColorChooser chooser = ChooseWithDialog;
    return chooser;
}

QCheckBox* MakeCheckBox(QWidget* parent, int id, const char* text)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    SetControlId(box, id);
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* text)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

// Text of field 1004 as a whole number of minutes, or the message refusing it.
struct Minutes
{
    std::int32_t value = 0;
    QString refusal;  // empty when value is good
};

Minutes ParseMinutes(const QString& text)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!wholeNumber.match(text).hasMatch())
        return {0, QStringLiteral("정수를 입력하십시오.")};
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);  // false: too many digits
    if (!ok || n < kAutoConDurationMin || n > kAutoConDurationMax) {
        return {0, QStringLiteral("%1와(과) %2 사이의 정수를 입력하십시오.")
                       .arg(kAutoConDurationMin)
                       .arg(kAutoConDurationMax)};
    }
    return {std::int32_t(n), {}};
}

constexpr int kSwatchIds[4] = {res::env::IDC_BGCOLOR, res::env::IDC_TXTCOLOR,
                               res::env::IDC_BGCOLOR2, res::env::IDC_TXTCOLOR2};

}  // namespace

ColorChooser SetColorChooser(ColorChooser chooser)
{
    ColorChooser previous = std::move(Chooser());
    Chooser() = chooser ? std::move(chooser) : ColorChooser(ChooseWithDialog);
    return previous;
}

// --- ColorSwatch ---

ColorSwatch::ColorSwatch(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ColorSwatch::setColor(ColorRef color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void ColorSwatch::setChoosing(bool choosing)
{
    if (m_choosing == choosing)
        return;
    m_choosing = choosing;
    update();
}

QSize ColorSwatch::sizeHint() const
{
    // 22 x 14 dialog units of a 9-point font.
    const QFontMetrics fm = fontMetrics();
    return {fm.averageCharWidth() * 22 / 4, fm.height() * 14 / 8};
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, ColorRefToQColor(m_color));
    qDrawShadePanel(&painter, r, palette(), isDrawnSunken(), 2);
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(r.adjusted(4, 4, -5, -5));
    }
}

// --- CEnvDlg ---

CEnvDlg::CEnvDlg(QWidget* parent) : SetupPage(parent)
{
    using namespace res::env;

    m_beep = MakeCheckBox(this, IDC_BEEP, "소리 기능");
    m_blink = MakeCheckBox(this, IDC_BLINK, "동기시 깜빡임");
    m_autoCompare = MakeCheckBox(this, IDC_AUTO_COMPARE, "시작시 자동 비교");
    m_scr = MakeCheckBox(this, IDC_SCR, "스크린세이버 사용");
    m_log = MakeCheckBox(this, IDC_LOG, "로그정보 남김");
    m_top = MakeCheckBox(this, IDC_TOP, "항상 다른 창 위에");
    m_small = MakeCheckBox(this, IDC_SMALL, "시계창만 표시");
    m_24Mode = MakeCheckBox(this, IDC_24MODE, "24시간제 표시");
    m_transWin = MakeCheckBox(this, IDC_TRANSWIN, "세계시 투명창");

    auto* checks = new QVBoxLayout;
    for (QCheckBox* box : {m_beep, m_blink, m_autoCompare, m_scr, m_log, m_top, m_small, m_24Mode,
                           m_transWin})
        checks->addWidget(box);
    // Not an option but the desktop's autostart entry, which is read here
    // and written on OK.
    m_autostart = MakeCheckBox(this, IDC_AUTOSTART, "로그인할 때 시작");
    m_bAutostart = AutostartEnabled();
    m_autostart->setChecked(m_bAutostart);
    checks->addWidget(m_autostart);
    checks->addStretch(1);

    // Colours: columns clock window and message field, rows background and text.
    auto* colors = new QGroupBox(QStringLiteral("색상 지정"), this);
    auto* colorGrid = new QGridLayout(colors);
    colorGrid->addWidget(MakeLabel(colors, "시계창"), 0, 1, Qt::AlignCenter);
    colorGrid->addWidget(MakeLabel(colors, "메시지창"), 0, 2, Qt::AlignCenter);
    colorGrid->addWidget(MakeLabel(colors, "배경색"), 1, 0);
    colorGrid->addWidget(MakeLabel(colors, "문자색"), 2, 0);
    for (int k = 1; k <= 4; ++k) {
        auto* swatch = new ColorSwatch(colors);
        SetControlId(swatch, kSwatchIds[k - 1]);
        m_swatches[std::size_t(k - 1)] = swatch;
        // Swatches 1 and 2 in the clock window column, 3 and 4 in the other.
        colorGrid->addWidget(swatch, 1 + (k - 1) % 2, 1 + (k - 1) / 2, Qt::AlignCenter);
        connect(swatch, &ColorSwatch::clicked, this, [this, k] { OnSwatchClicked(k); });
    }

    auto* autoSync = new QGroupBox(QStringLiteral("자동 접속"), this);
    m_autoCon = MakeCheckBox(autoSync, IDC_AUTOCON, "자동 접속 사용");
    m_every = MakeLabel(autoSync, "매");
    SetControlId(m_every, IDC_EVERY);
    m_duration = new QLineEdit(autoSync);
    SetControlId(m_duration, IDC_DURATION);
    m_duration->setAlignment(Qt::AlignRight);
    m_duration->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_duration));
    m_duration->setFixedWidth(m_duration->fontMetrics().horizontalAdvance(QStringLiteral("0000000"))
                              + 12);
    m_minutes = MakeLabel(autoSync, "분마다 동기");
    SetControlId(m_minutes, IDC_MINUTES);
    auto* durationRow = new QHBoxLayout;
    durationRow->addWidget(m_every);
    durationRow->addWidget(m_duration);
    durationRow->addWidget(m_minutes);
    durationRow->addStretch(1);
    auto* autoSyncLayout = new QVBoxLayout(autoSync);
    autoSyncLayout->addWidget(m_autoCon);
    autoSyncLayout->addLayout(durationRow);

    auto* right = new QVBoxLayout;
    right->addWidget(colors);
    right->addWidget(autoSync);
    right->addStretch(1);

    auto* defaults = new QPushButton(QStringLiteral("초기값"), this);
    SetControlId(defaults, IDC_DEFAULTS);
    defaults->setAutoDefault(false);

    auto* columns = new QHBoxLayout;
    columns->addLayout(checks);
    columns->addLayout(right);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(defaults);
    bottom->addStretch(1);
    auto* page = new QVBoxLayout(this);
    page->addLayout(columns);
    page->addLayout(bottom);

    connect(m_autoCon, &QCheckBox::clicked, this, &CEnvDlg::OnAutoConClicked);
    connect(m_scr, &QCheckBox::clicked, this, &CEnvDlg::OnScrClicked);
    connect(defaults, &QPushButton::clicked, this, &CEnvDlg::OnDefaults);

    // Page initialisation.
    m_bAutoCon = AutoCon;
    m_nAutoConDuration = AutoConDuration;
    m_bAutoCompare = AutoCompare;
    m_bBeep = Beep;
    m_bSCR = SCR;
    m_BgColor = BgColor;
    m_TxtColor = TxtColor;
    m_BgColor2 = BgColor2;
    m_TxtColor2 = TxtColor2;
    m_bBlink = Blink;
    m_bLog = Log;
    m_bTop = Top;
    m_bSmall = Small;
    m_b24Mode = b24Mode;
    m_bTransWin = TransWin;
    m_nChoosing = 0;
    putMembers();
    enableDuration(m_bAutoCon);
    // Without a compositor a see-through clock is a black box: the box still
    // shows the stored choice, which OK keeps.
    if (!IsWindows2000OrXP())
        m_transWin->setEnabled(false);
}

ColorRef& CEnvDlg::swatchColor(int swatch)
{
    switch (swatch) {
    case 1:
        return m_BgColor;
    case 2:
        return m_TxtColor;
    case 3:
        return m_BgColor2;
    default:
        return m_TxtColor2;
    }
}

void CEnvDlg::putMembers()
{
    m_autoCon->setChecked(m_bAutoCon);
    m_duration->setText(QString::number(m_nAutoConDuration));
    m_autoCompare->setChecked(m_bAutoCompare);
    m_beep->setChecked(m_bBeep);
    m_scr->setChecked(m_bSCR);
    m_blink->setChecked(m_bBlink);
    m_log->setChecked(m_bLog);
    m_top->setChecked(m_bTop);
    m_small->setChecked(m_bSmall);
    m_24Mode->setChecked(m_b24Mode);
    m_transWin->setChecked(m_bTransWin);
    for (int k = 1; k <= 4; ++k) {
        ColorSwatch* swatch = m_swatches[std::size_t(k - 1)];
        swatch->setColor(swatchColor(k));
        swatch->setChoosing(m_nChoosing == k);
    }
}

bool CEnvDlg::takeMembers()
{
    m_bAutoCon = m_autoCon->isChecked();
    m_bAutoCompare = m_autoCompare->isChecked();
    m_bBeep = m_beep->isChecked();
    m_bSCR = m_scr->isChecked();
    m_bBlink = m_blink->isChecked();
    m_bLog = m_log->isChecked();
    m_bTop = m_top->isChecked();
    m_bSmall = m_small->isChecked();
    m_b24Mode = m_24Mode->isChecked();
    m_bTransWin = m_transWin->isChecked();

    const Minutes minutes = ParseMinutes(m_duration->text());
    if (!minutes.refusal.isEmpty()) {
        ShowMessage(this, minutes.refusal, MessageIcon::Warning);
        m_duration->setFocus(Qt::OtherFocusReason);
        m_duration->selectAll();
        return false;
    }
    m_nAutoConDuration = minutes.value;
    return true;
}

void CEnvDlg::enableDuration(bool enable)
{
    m_every->setEnabled(enable);
    m_minutes->setEnabled(enable);
    m_duration->setEnabled(enable);
}

bool CEnvDlg::validatePage()
{
    return takeMembers();
}

void CEnvDlg::applyPage()
{
    AutoCon = m_bAutoCon;
    AutoConDuration = m_nAutoConDuration;
    Beep = m_bBeep;
    SCR = m_bSCR;
    BgColor = m_BgColor;
    TxtColor = m_TxtColor;
    BgColor2 = m_BgColor2;
    TxtColor2 = m_TxtColor2;
    Blink = m_bBlink;
    Log = m_bLog;
    Top = m_bTop;
    Small = m_bSmall;
    AutoCompare = m_bAutoCompare;
    b24Mode = m_b24Mode;
    TransWin = m_bTransWin;

    const bool autostart = m_autostart->isChecked();
    if (autostart != m_bAutostart && !SetAutostart(autostart)) {
        ShowMessage(this,
                    QStringLiteral("로그인할 때 시작 항목을 바꿀 수 없습니다.\n\n%1: %2")
                        .arg(QString::fromStdString(AutostartEntryPath()),
                             QString::fromLocal8Bit(std::strerror(errno))),
                    MessageIcon::Warning);
    }
}

void CEnvDlg::OnAutoConClicked()
{
    const bool valid = takeMembers();
    // A refused number stays editable even when automatic synchronisation
    // was just turned off, or OK could never be pressed.
    enableDuration(m_bAutoCon || !valid);
}

void CEnvDlg::OnScrClicked(bool checked)
{
    if (!checked || CanOpenForReading(ScreenSaverPath()))
        return;
    ShowMessage(this, QString::fromStdString(ScreenSaverMissingMessage()), MessageIcon::Warning);
    m_scr->setChecked(false);
}

void CEnvDlg::OnSwatchClicked(int swatch)
{
    m_nChoosing = swatch;
    m_swatches[std::size_t(swatch - 1)]->setChoosing(true);

    const QPointer<CEnvDlg> self(this);
    const ColorChooser chooser = Chooser();
    const std::optional<ColorRef> chosen = chooser(this, swatchColor(swatch));
    if (self.isNull())
        return;
    if (chosen)
        swatchColor(swatch) = *chosen;

    m_nChoosing = 0;
    for (int k = 1; k <= 4; ++k) {
        m_swatches[std::size_t(k - 1)]->setColor(swatchColor(k));
        m_swatches[std::size_t(k - 1)]->setChoosing(false);
    }
    update();
}

void CEnvDlg::OnDefaults()
{
    m_bAutoCon = true;
    m_nAutoConDuration = 60;
    m_bAutoCompare = true;
    m_bBeep = true;
    m_bSCR = false;
    m_BgColor = 0x000000;    // black
    m_TxtColor = 0x00FF00;   // green
    m_BgColor2 = 0x808080;   // grey
    m_TxtColor2 = 0x00FFFF;  // yellow
    m_bBlink = true;
    m_bLog = false;
    m_bTop = true;
    m_bSmall = false;
    m_b24Mode = false;
    m_bTransWin = false;
    m_every->setEnabled(true);
    m_minutes->setEnabled(m_bAutoCon);
    m_duration->setEnabled(m_bAutoCon);
    putMembers();
    update();
}
