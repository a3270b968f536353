#pragma once
// The settings sheet's page "시각전송": automatic or manual transmission of
// the time of day to COM1..COM4, the interval, the ports, the compensation
// time, and the send indicator. Every change takes effect at once, whatever
// button later closes the sheet.

#include <array>
#include <functional>
#include <vector>

#include "base/SetupPage.h"
#include "serial/TransmitTime.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CRs232cSetupPage : public SetupPage, public SendIndicator
{
    Q_OBJECT
public:
    // What a change on the page asks of the rest of the program; either may
    // be empty.
    struct Hooks
    {
        std::function<void()> restartTransmissionTimer;  // the main window's
        std::function<void()> startTransmission;         // one worker
    };

    // The page showing the options as they are now.
    explicit CRs232cSetupPage(Hooks hooks, QWidget* parent = nullptr);
    ~CRs232cSetupPage() override;

    // Button 1078: the typed hour, minute and second go out at once.
    void SendFixedTime();
    // Lit or dark; from a worker the drawing is left to this page's thread.
    void ShowSendIndicator(bool lit) override;
    bool IsSendIndicatorLit() const { return m_bLit; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnModeClicked(bool automatic);
    void OnPortClicked(int index, bool ticked);
    void OnCompensateChanged(const QString& text);
    void OnDurationChanged(const QString& text);
    void OnUnitChanged(int index);
    void EnableGroups();
    // After a change: g_bAutoCOMM derived anew when derive, the timer
    // restarted, and one transmission started while automatic.
    void FollowUp(bool derive);
    void DrawIndicator(bool lit);

    Hooks m_hooks;
    QCheckBox* m_pAutoMode = nullptr;
    QCheckBox* m_pManualMode = nullptr;
    QLineEdit* m_pDuration = nullptr;
    QComboBox* m_pUnit = nullptr;
    QLineEdit* m_pHour = nullptr;
    QLineEdit* m_pMinute = nullptr;
    QLineEdit* m_pSecond = nullptr;
    std::array<QCheckBox*, 4> m_ports{};
    QLineEdit* m_pCompensate = nullptr;
    QLabel* m_pIndicator = nullptr;
    std::vector<QWidget*> m_autoGroup;
    std::vector<QWidget*> m_manualGroup;
    bool m_bLit = false;
};
