#pragma once
// Every modal message box of the program goes through ShowMessage, so tests
// can see the texts and dismiss the boxes without a modal loop.

#include <functional>

#include <QString>

class QWidget;

// The icon beside the text; None shows the text alone.
enum class MessageIcon { None, Information, Warning };

// Shows text in a modal box with an OK button and returns when it is closed.
// "\r\n" in text becomes a line break.
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::Information);

// What ShowMessage does with the text after its line breaks are converted.
using MessageBoxHandler = std::function<void(QWidget* parent, const QString& text, MessageIcon icon)>;

// Makes handler show every message from now on and returns the one it
// replaces; an empty handler brings back the modal QMessageBox.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Asks text in a modal box with OK and Cancel, Cancel the default button;
// true for OK. "\r\n" in text becomes a line break.
bool AskOkCancel(QWidget* parent, const QString& text);

// What AskOkCancel does with the text: true for OK.
using QuestionHandler = std::function<bool(QWidget* parent, const QString& text)>;

// Makes handler answer every question from now on and returns the one it
// replaces; an empty handler brings back the modal QMessageBox.
QuestionHandler SetQuestionHandler(QuestionHandler handler);
