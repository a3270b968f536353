#pragma once
// The settings sheet's page "동기 정보": what the last synchronisation left
// (when, by how much, which server) and a button to the time service's home
// page. It reads the options when made and changes nothing.

#include <QString>

#include "base/SetupPage.h"

class CInfoDlg : public SetupPage
{
    Q_OBJECT
public:
    // The page with the texts of LastCon, LastDiff and ServerID as they are now.
    explicit CInfoDlg(QWidget* parent = nullptr);

private:
    void OnHomePage();

    QString m_strLastTime;  // control 1003
    QString m_strLastDiff;  // control 1004
    QString m_strServer;    // control 1006
};
