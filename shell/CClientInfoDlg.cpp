#include "shell/CClientInfoDlg.h"

#include "base/ControlId.h"
#include "base/Cp949.h"
#include "resources/ResourceIds.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <fstream>

std::string ReadHelpText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "도움말 파일을 읽을 수가 없습니다";
    std::string bytes(kHelpFileMaxBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::string text = Cp949ToUtf8(bytes);
    // Lines end in CR LF in the file; the text box wants LF alone.
    std::erase(text, '\r');
    return text;
}

CClientInfoDlg::CClientInfoDlg(QWidget* parent, const std::string& helpPath) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("표준시 정보"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Vesk (ver 3 .0)"), this);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);

    auto* text = new QPlainTextEdit(this);
    SetControlId(text, res::clientinfo::IDC_TEXT);
    text->setReadOnly(true);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setPlainText(QString::fromStdString(ReadHelpText(helpPath)));
    text->setMinimumSize(440, 260);
    layout->addWidget(text);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
    SetControlId(ok, res::clientinfo::IDC_OK);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    ok->setFocus();
}
