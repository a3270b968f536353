#pragma once
// The settings sheet's page "환경설정": display, sound, start-up, log,
// screen saver and automatic synchronisation options, with the four colours
// shown as swatches and picked with a colour chooser. It changes the options
// only through applyPage (the sheet's OK).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QPushButton>

#include "base/Options.h"
#include "shell/CSetupSheet.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPaintEvent;

// A push button that shows a colour: filled with it, drawn sunken while
// pressed or while its colour is being chosen, raised otherwise.
class ColorSwatch : public QPushButton
{
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    // The colour shown, 0x00BBGGRR.
    ColorRef color() const { return m_color; }
    void setColor(ColorRef color);
    // Whether its colour chooser is open (it is then drawn sunken).
    bool isChoosing() const { return m_choosing; }
    void setChoosing(bool choosing);
    // Whether it is drawn sunken now.
    bool isDrawnSunken() const { return isDown() || m_choosing; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorRef m_color = 0;
    bool m_choosing = false;
};

// Asks the user for a colour starting from initial; nothing when cancelled.
using ColorChooser = std::function<std::optional<ColorRef>(QWidget* parent, ColorRef initial)>;

// Makes chooser pick every swatch colour from now on and returns the one it
// replaces; an empty chooser brings back the modal QColorDialog.
ColorChooser SetColorChooser(ColorChooser chooser);

class CEnvDlg : public SetupPage
{
    Q_OBJECT
public:
    // The page showing the options as they are now.
    explicit CEnvDlg(QWidget* parent = nullptr);

    // Takes the controls into the members; a bad number of minutes is told
    // to the user, the focus goes to field 1004 and the result is false.
    bool validatePage() override;
    // Copies the members into the options.
    void applyPage() override;

private:
    void putMembers();    // members to controls
    bool takeMembers();   // controls to members, with validation
    void enableDuration(bool enable);

    void OnAutoConClicked();
    void OnScrClicked(bool checked);
    void OnSwatchClicked(int swatch);  // 1..4
    void OnDefaults();

    ColorRef& swatchColor(int swatch);  // 1..4

    // Members, one per option.
    bool m_bAutoCon = false;
    std::int32_t m_nAutoConDuration = 0;
    bool m_bAutoCompare = false;
    bool m_bBeep = false;
    bool m_bSCR = false;
    ColorRef m_BgColor = 0;
    ColorRef m_TxtColor = 0;
    ColorRef m_BgColor2 = 0;
    ColorRef m_TxtColor2 = 0;
    bool m_bBlink = false;
    bool m_bLog = false;
    bool m_bTop = false;
    bool m_bSmall = false;
    bool m_b24Mode = false;
    bool m_bTransWin = false;
    int m_nChoosing = 0;  // swatch whose chooser is open, 1..4, 0 none
    bool m_bAutostart = false;  // the autostart entry as the page found it

    QCheckBox* m_beep = nullptr;
    QCheckBox* m_blink = nullptr;
    QCheckBox* m_autoCompare = nullptr;
    QCheckBox* m_scr = nullptr;
    QCheckBox* m_log = nullptr;
    QCheckBox* m_top = nullptr;
    QCheckBox* m_small = nullptr;
    QCheckBox* m_24Mode = nullptr;
    QCheckBox* m_transWin = nullptr;
    QCheckBox* m_autostart = nullptr;
    QCheckBox* m_autoCon = nullptr;
    QLabel* m_every = nullptr;
    QLineEdit* m_duration = nullptr;
    QLabel* m_minutes = nullptr;
    std::array<ColorSwatch*, 4> m_swatches{};  // swatches 1..4 at 0..3
};
