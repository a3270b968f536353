#pragma once
// "표준시 정보": the program's help text from "./Vesk.hlp".

#include <QDialog>

#include <string>

inline constexpr const char* kHelpFile = "./Vesk.hlp";
constexpr std::size_t kHelpFileMaxBytes = 10240;

// The help text to show: at most the first 10240 bytes of path, converted
// from CP949, or the system's message when the file cannot be read.
std::string ReadHelpText(const std::string& path);

class CClientInfoDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CClientInfoDlg(QWidget* parent = nullptr, const std::string& helpPath = kHelpFile);
};
