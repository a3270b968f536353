#include "serial/CRs232cSetupPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "base/ControlId.h"
#include "base/Options.h"
#include "resources/Art.h"
#include "resources/ResourceIds.h"
#include "serial/TimeMessage.h"

namespace {

using namespace res::rs232c;

constexpr int kPortIds[kComPortCount] = {IDC_COM1, IDC_COM2, IDC_COM3, IDC_COM4};

template <typename T>
T* Numbered(T* control, int id)
{
    SetControlId(control, id);
    return control;
}

QLabel* MakeLabel(QWidget* parent, const char* text, int id = 0)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    if (id != 0)
        SetControlId(label, id);
    return label;
}

QLineEdit* MakeField(QWidget* parent, int id, int digits)
{
    auto* edit = Numbered(new QLineEdit(parent), id);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 14);
    return edit;
}

std::int32_t FieldValue(const QLineEdit* edit)
{
    return FieldNumber(edit->text().toStdString());
}

}  // namespace

CRs232cSetupPage::CRs232cSetupPage(Hooks hooks, QWidget* parent)
    : SetupPage(parent), m_hooks(std::move(hooks))
{
    auto* settings = new QGroupBox(QStringLiteral("설정"), this);
    m_pAutoMode = Numbered(new QCheckBox(QStringLiteral("자동  모드"), settings), IDC_AUTO_MODE);
    m_pManualMode = Numbered(new QCheckBox(QStringLiteral("수동 모드"), settings), IDC_MANUAL_MODE);
    QLabel* every = MakeLabel(settings, "매", IDC_EVERY);
    m_pDuration = MakeField(settings, IDC_DURATION, 5);
    m_pUnit = Numbered(new QComboBox(settings), IDC_UNIT);
    m_pUnit->setEditable(true);
    m_pUnit->setInsertPolicy(QComboBox::NoInsert);
    m_pUnit->addItems({QStringLiteral("초"), QStringLiteral("분")});
    QLabel* sendEvery = MakeLabel(settings, "마다 전송", IDC_SEND_EVERY);
    m_pHour = MakeField(settings, IDC_HOUR, 3);
    m_pMinute = MakeField(settings, IDC_MINUTE, 3);
    m_pSecond = MakeField(settings, IDC_SECOND, 3);
    QLabel* hourLabel = MakeLabel(settings, "시", IDC_HOUR_LABEL);
    QLabel* minuteLabel = MakeLabel(settings, "분", IDC_MINUTE_LABEL);
    QLabel* secondLabel = MakeLabel(settings, "초", IDC_SECOND_LABEL);
    auto* send = Numbered(new QPushButton(QStringLiteral("전송"), settings), IDC_SEND);
    send->setAutoDefault(false);

    auto* settingsGrid = new QGridLayout(settings);
    settingsGrid->addWidget(m_pAutoMode, 0, 0);
    auto* autoRow = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{every, m_pDuration, m_pUnit, sendEvery})
        autoRow->addWidget(w);
    autoRow->addStretch(1);
    settingsGrid->addLayout(autoRow, 0, 1);
    settingsGrid->addWidget(m_pManualMode, 1, 0);
    auto* manualRow = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_pHour, hourLabel, m_pMinute, minuteLabel,
                                                      m_pSecond, secondLabel})
        manualRow->addWidget(w);
    manualRow->addSpacing(8);
    manualRow->addWidget(send);
    manualRow->addStretch(1);
    settingsGrid->addLayout(manualRow, 1, 1);
    m_autoGroup = {every, m_pDuration, sendEvery, m_pUnit};
    m_manualGroup = {m_pHour, m_pMinute, m_pSecond, send, hourLabel, minuteLabel, secondLabel};

    auto* portBox = new QGroupBox(this);
    auto* portRow = new QHBoxLayout(portBox);
    portRow->addWidget(MakeLabel(portBox, "포트 설정"));
    for (int i = 0; i < kComPortCount; ++i) {
        m_ports[std::size_t(i)] =
            Numbered(new QCheckBox(QStringLiteral("COM %1").arg(i + 1), portBox), kPortIds[i]);
        portRow->addWidget(m_ports[std::size_t(i)]);
    }
    portRow->addStretch(1);

    auto* compensateBox = new QGroupBox(this);
    auto* compensateRow = new QHBoxLayout(compensateBox);
    m_pCompensate = MakeField(compensateBox, IDC_COMPENSATE, 4);
    m_pIndicator = Numbered(new QLabel(compensateBox), IDC_INDICATOR);
    m_pIndicator->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pIndicator->setPixmap(SendIndicatorPixmap(false));
    m_pIndicator->setFixedSize(m_pIndicator->pixmap().size());
    compensateRow->addWidget(MakeLabel(compensateBox, "보상 시간"));
    compensateRow->addWidget(m_pCompensate);
    compensateRow->addWidget(MakeLabel(compensateBox, "msec"));
    compensateRow->addStretch(1);
    compensateRow->addWidget(m_pIndicator);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(portBox);
    layout->addWidget(compensateBox);
    layout->addStretch(1);

    // The fields' starting texts count as changes, as an edit control
    // reports them: these two are connected before they are filled.
    connect(m_pCompensate, &QLineEdit::textChanged, this, &CRs232cSetupPage::OnCompensateChanged);
    connect(m_pDuration, &QLineEdit::textChanged, this, &CRs232cSetupPage::OnDurationChanged);

    m_pCompensate->setText(QString::number(g_nCompensateTime));
    m_pDuration->setText(QString::number(g_nAutoConCommDur));
    for (int i = 0; i < kComPortCount; ++i)
        m_ports[std::size_t(i)]->setChecked(g_bComport[i]);
    m_pUnit->setCurrentIndex(g_bSelMorS ? 1 : 0);
    m_pAutoMode->setChecked(g_bCheckAutoCOMM);
    m_pManualMode->setChecked(!g_bCheckAutoCOMM);
    EnableGroups();
    for (QLineEdit* field : {m_pHour, m_pMinute, m_pSecond})
        field->setText(QStringLiteral("0"));

    connect(m_pAutoMode, &QCheckBox::clicked, this, [this](bool ticked) { OnModeClicked(ticked); });
    connect(m_pManualMode, &QCheckBox::clicked, this, [this](bool ticked) { OnModeClicked(!ticked); });
    for (int i = 0; i < kComPortCount; ++i) {
        connect(m_ports[std::size_t(i)], &QCheckBox::clicked, this,
                [this, i](bool ticked) { OnPortClicked(i, ticked); });
    }
    connect(m_pUnit, &QComboBox::currentIndexChanged, this, &CRs232cSetupPage::OnUnitChanged);
    connect(send, &QPushButton::clicked, this, &CRs232cSetupPage::SendFixedTime);
}

CRs232cSetupPage::~CRs232cSetupPage()
{
    if (g_pVisibleRs232cPage == this)
        SetVisibleRs232cPage(nullptr);
}

void CRs232cSetupPage::OnModeClicked(bool automatic)
{
    g_bCheckAutoCOMM = automatic;
    m_pAutoMode->setChecked(automatic);
    m_pManualMode->setChecked(!automatic);
    EnableGroups();
    FollowUp(true);
}

void CRs232cSetupPage::OnPortClicked(int index, bool ticked)
{
    g_bComport[index] = ticked;
    FollowUp(true);
}

void CRs232cSetupPage::OnCompensateChanged(const QString&)
{
    // The text stays as typed; only the option is held in range.
    g_nCompensateTime = std::clamp(FieldValue(m_pCompensate), kCompensateTimeMin, kCompensateTimeMax);
    FollowUp(false);
}

void CRs232cSetupPage::OnDurationChanged(const QString&)
{
    g_nAutoConCommDur = std::max(FieldValue(m_pDuration), kAutoConCommDurMin);
    FollowUp(false);
}

void CRs232cSetupPage::OnUnitChanged(int index)
{
    g_bSelMorS = index != 0;  // no selection (-1) counts as minutes
    FollowUp(false);
}

void CRs232cSetupPage::EnableGroups()
{
    for (QWidget* w : m_autoGroup)
        w->setEnabled(g_bCheckAutoCOMM);
    for (QWidget* w : m_manualGroup)
        w->setEnabled(!g_bCheckAutoCOMM);
}

void CRs232cSetupPage::FollowUp(bool derive)
{
    if (derive) {
        const bool anyPort = std::any_of(std::begin(g_bComport), std::end(g_bComport),
                                         [](const std::atomic<bool>& on) { return on.load(); });
        g_bAutoCOMM = g_bCheckAutoCOMM && anyPort;
    }
    // A worker asleep until its point sees the change now, not at the point.
    WakeTransmitWorkers();
    if (m_hooks.restartTransmissionTimer)
        m_hooks.restartTransmissionTimer();
    if (g_bAutoCOMM && m_hooks.startTransmission)
        m_hooks.startTransmission();
}

void CRs232cSetupPage::SendFixedTime()
{
    SendToSelectedPorts(TimeMessage(FieldValue(m_pHour), FieldValue(m_pMinute), FieldValue(m_pSecond)));
    ShowSendIndicator(true);
    // Put out later rather than slept through: a sleeping thread draws nothing.
    QTimer::singleShot(kIndicatorLit, this, [this] { ShowSendIndicator(false); });
}

void CRs232cSetupPage::ShowSendIndicator(bool lit)
{
    QMetaObject::invokeMethod(this, [this, lit] { DrawIndicator(lit); });
}

void CRs232cSetupPage::DrawIndicator(bool lit)
{
    if (lit == m_bLit)
        return;
    m_bLit = lit;
    m_pIndicator->setPixmap(SendIndicatorPixmap(lit));
}

void CRs232cSetupPage::showEvent(QShowEvent* event)
{
    SetupPage::showEvent(event);
    SetVisibleRs232cPage(this);
}

void CRs232cSetupPage::hideEvent(QHideEvent* event)
{
    if (g_pVisibleRs232cPage == this)
        SetVisibleRs232cPage(nullptr);
    DrawIndicator(false);  // a worker no longer puts it out
    SetupPage::hideEvent(event);
}
