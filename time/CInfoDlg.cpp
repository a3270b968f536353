#include "time/CInfoDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "base/ControlId.h"
#include "base/MessageBox.h"
#include "base/Options.h"
#include "base/UrlOpener.h"
#include "resources/ResourceIds.h"
#include "time/TimeService.h"

namespace {

QLineEdit* MakeReadOnlyLine(QWidget* parent, int id, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setReadOnly(true);
    SetControlId(edit, id);
    return edit;
}

}  // namespace

CInfoDlg::CInfoDlg(QWidget* parent)
    : SetupPage(parent),
      m_strLastTime(QString::fromStdString(LastSyncTimeText(static_cast<std::uint32_t>(LastCon.load())))),
      m_strLastDiff(QString::fromStdString(LastOffsetText(LastDiff.load()))),
      m_strServer(QString::fromStdString(LastServerText(ServerID.load())))
{
    auto* lastTime = MakeReadOnlyLine(this, res::info::IDC_LAST_TIME, m_strLastTime);
    auto* lastDiff = MakeReadOnlyLine(this, res::info::IDC_LAST_DIFF, m_strLastDiff);
    // Wide enough for the longest time text, which must not scroll.
    lastTime->setMinimumWidth(lastTime->fontMetrics().horizontalAdvance(
                                  QStringLiteral("0000년 00월 00일 수요일 00시 00분 00초")) + 16);

    auto* server = new QPlainTextEdit(m_strServer, this);
    server->setReadOnly(true);
    server->setLineWrapMode(QPlainTextEdit::NoWrap);
    server->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    server->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for the two lines of a server's text.
    server->setFixedHeight(server->fontMetrics().lineSpacing() * 2
                           + 2 * (server->frameWidth() + int(server->document()->documentMargin())) + 2);
    SetControlId(server, res::info::IDC_SERVER);

    auto* homePage = new QPushButton(QStringLiteral("누리시각실 홈페이지 접속"), this);
    homePage->setAutoDefault(false);
    SetControlId(homePage, res::info::IDC_HOMEPAGE);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("마지막 동기"), this), 0, 0);
    grid->addWidget(lastTime, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("최종 편차"), this), 1, 0);
    grid->addWidget(lastDiff, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("접속 서버"), this), 2, 0, Qt::AlignTop);
    grid->addWidget(server, 2, 1);
    grid->addWidget(homePage, 3, 1, Qt::AlignRight);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);

    connect(homePage, &QPushButton::clicked, this, &CInfoDlg::OnHomePage);
}

void CInfoDlg::OnHomePage()
{
    if (!OpenUrl(QUrl(QString::fromUtf8(kTimeServiceHomePage))))
        ShowMessage(this, QString::fromUtf8(kNoBrowserMessage), MessageIcon::Warning);
}
