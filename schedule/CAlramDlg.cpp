#include "schedule/CAlramDlg.h"

#include "base/ControlId.h"
#include "base/Options.h"
#include "resources/ResourceIds.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

namespace ids = res::alarmpage;

template <typename T>
T* Numbered(T* control, int id)
{
    SetControlId(control, id);
    return control;
}

QString ChooseWithDialog(QWidget* parent, const QString& current)
{
    const QString folder = current.isEmpty() ? QDir::homePath() : QFileInfo(current).absolutePath();
    return QFileDialog::getOpenFileName(parent, QStringLiteral("열기"), folder, QStringLiteral("*.wav"));
}

} // namespace

CAlramDlg::CAlramDlg(Hooks hooks, QWidget* parent)
    : SetupPage(parent), chooseWaveFile(ChooseWithDialog), m_hooks(std::move(hooks))
{
    m_strWaveFile = WaveFileName;
    m_nSound = WaveEmile ? 1 : 0;
    if (WaveFileName.empty()) {
        // Nothing of the user's to play: the built-in sound, in the option too.
        m_nSound = 0;
        WaveEmile = false;
    }

    m_pAlarm = Numbered(new QCheckBox(QStringLiteral("알람 기능"), this), ids::IDC_ALARM);
    auto* soundBox = new QGroupBox(QStringLiteral("알람소리"), this);
    m_pEmile = Numbered(new QRadioButton(QStringLiteral("에밀레"), soundBox), ids::IDC_EMILE);
    m_pUserSound = Numbered(new QRadioButton(QStringLiteral("사용자정의"), soundBox), ids::IDC_USER_SOUND);
    auto* group = new QButtonGroup(this);
    group->addButton(m_pEmile, 0);
    group->addButton(m_pUserSound, 1);
    m_pWaveFile = Numbered(new QLineEdit(soundBox), ids::IDC_WAVE_FILE);
    m_pChoose = Numbered(new QPushButton(QStringLiteral("소리선택"), soundBox), ids::IDC_CHOOSE_SOUND);
    auto* manager = Numbered(new QPushButton(QStringLiteral("일정관리"), this), ids::IDC_SCHEDULE);
    auto* view = Numbered(new QPushButton(QStringLiteral("일정보기"), this), ids::IDC_SCHEDULE_VIEW);
    for (QPushButton* b : {m_pChoose, manager, view})
        b->setAutoDefault(false);

    auto* soundGrid = new QGridLayout(soundBox);
    soundGrid->addWidget(m_pEmile, 0, 0);
    soundGrid->addWidget(m_pUserSound, 1, 0);
    soundGrid->addWidget(m_pWaveFile, 2, 0);
    soundGrid->addWidget(m_pChoose, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(manager);
    buttons->addWidget(view);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pAlarm);
    layout->addWidget(soundBox);
    layout->addLayout(buttons);
    layout->addStretch(1);

    (m_nSound ? m_pUserSound : m_pEmile)->setChecked(true);
    m_pWaveFile->setText(QString::fromStdString(m_strWaveFile));
    m_bAlarm = g_bAalramWave ? 1 : 0;
    m_pAlarm->setChecked(m_bAlarm != 0);
    EnableSound();

    connect(m_pAlarm, &QCheckBox::clicked, this, &CAlramDlg::OnAlarmClicked);
    connect(group, &QButtonGroup::idClicked, this, &CAlramDlg::OnAlarmClicked);
    connect(m_pChoose, &QPushButton::clicked, this, &CAlramDlg::OnChooseSound);
    connect(manager, &QPushButton::clicked, this, [this] {
        if (m_hooks.openScheduleManager)
            m_hooks.openScheduleManager();
    });
    connect(view, &QPushButton::clicked, this, [this] {
        if (m_hooks.viewSchedule)
            m_hooks.viewSchedule();
    });
}

void CAlramDlg::Read()
{
    m_bAlarm = m_pAlarm->isChecked() ? 1 : 0;
    m_nSound = m_pUserSound->isChecked() ? 1 : 0;
    m_strWaveFile = m_pWaveFile->text().toStdString();
}

void CAlramDlg::EnableSound()
{
    const bool on = m_bAlarm != 0;
    m_pEmile->setEnabled(on);
    m_pUserSound->setEnabled(on);
    m_pWaveFile->setEnabled(on && m_nSound != 0);
    m_pChoose->setEnabled(on && m_nSound != 0);
}

void CAlramDlg::OnAlarmClicked()
{
    Read();
    EnableSound();
}

void CAlramDlg::OnChooseSound()
{
    Read();
    const QString chosen = chooseWaveFile(this, QString::fromStdString(m_strWaveFile));
    if (chosen.isEmpty())
        return;
    m_strWaveFile = chosen.toStdString();
    m_pWaveFile->setText(chosen);
}

void CAlramDlg::applyPage()
{
    Read();
    WaveEmile = m_nSound != 0;
    WaveFileName = m_strWaveFile;
    g_bAalramWave = m_bAlarm != 0;
}
