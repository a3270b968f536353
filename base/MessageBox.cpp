#include "base/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon)
{
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    if (icon == MessageIcon::Information)
        shown = QMessageBox::Information;
    else if (icon == MessageIcon::Warning)
        shown = QMessageBox::Warning;
    QMessageBox box(shown, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler = ShowMessageBox;
    return handler;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A copy: the handler may replace itself while it runs.
    const MessageBoxHandler handler = Handler();
    handler(parent, shown, icon);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(Handler());
    Handler() = handler ? std::move(handler) : MessageBoxHandler(ShowMessageBox);
    return previous;
}
