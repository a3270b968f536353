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

bool AskWithBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    // The questions guard what cannot be undone: Enter must not confirm.
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

QuestionHandler& Asker()
{
    static QuestionHandler handler = AskWithBox;
    return handler;
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

bool AskOkCancel(QWidget* parent, const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QuestionHandler handler = Asker();
    return handler(parent, shown);
}

QuestionHandler SetQuestionHandler(QuestionHandler handler)
{
    QuestionHandler previous = std::move(Asker());
    Asker() = handler ? std::move(handler) : QuestionHandler(AskWithBox);
    return previous;
}
