#pragma once
// The settings sheet's page "동기 정보": what the last synchronisation left
// (when, by how much, which server) and a button to the time service's home
// page. It reads the options when made and changes nothing.

#include <functional>

#include <QString>

#include "shell/CSetupSheet.h"

class QUrl;

// Opens url in the desktop's web browser; false when none could be started.
using UrlOpener = std::function<bool(const QUrl& url)>;

// Makes opener open every web page from now on and returns the one it
// replaces; an empty opener brings back QDesktopServices::openUrl.
UrlOpener SetUrlOpener(UrlOpener opener);

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
