#pragma once
// The settings sheet's page "알람설정": the alarm sound on or off, the
// built-in sound or a wave file of the user's, and the ways to the
// schedule manager and the year's page. The options change only on OK.

#include "base/SetupPage.h"

#include <QString>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CAlramDlg : public SetupPage
{
    Q_OBJECT
public:
    // What the page's two buttons run; either may be empty.
    struct Hooks
    {
        std::function<void()> openScheduleManager;  // the frame's command 32779
        std::function<void()> viewSchedule;         // the frame's command 32780
    };

    // The page showing the options. With no WaveFileName the built-in sound
    // is chosen, and WaveEmile itself becomes 0.
    explicit CAlramDlg(Hooks hooks, QWidget* parent = nullptr);

    // Copies the page into g_bAalramWave, WaveEmile and WaveFileName.
    void applyPage() override;

    // Asks for a wave file; its full path, or "" when cancelled. Tests
    // replace it.
    std::function<QString(QWidget* parent, const QString& current)> chooseWaveFile;

    int m_nSound = 0;         // 0 "에밀레", 1 "사용자정의"
    std::string m_strWaveFile;
    int m_bAlarm = 0;

private:
    void OnAlarmClicked();
    void OnChooseSound();
    // Reads the controls into the members.
    void Read();
    void EnableSound();

    Hooks m_hooks;
    QCheckBox* m_pAlarm = nullptr;
    QRadioButton* m_pEmile = nullptr;
    QRadioButton* m_pUserSound = nullptr;
    QLineEdit* m_pWaveFile = nullptr;
    QPushButton* m_pChoose = nullptr;
};
