#pragma once
// One page of the settings sheet, whichever subsystem owns it.

#include <QWidget>

// The page reads the options when it is made and writes them only through
// applyPage.
class SetupPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Takes the controls into the page's members; on a bad value, tells the
    // user, puts the focus on the field and returns false.
    virtual bool validatePage() { return true; }
    // Copies the members into the options; called only after every made page
    // of the sheet has validated.
    virtual void applyPage() {}
};
