#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every modal message and question of the program goes through here, so tests can
// answer them in advance instead of blocking on a dialog.
namespace Msg {

enum Answer { Ok, Yes, No, Cancel };

// The refusal of a change to a row that another workstation changed or deleted since it
// was read.
inline const QString ChangedElsewhere = QStringLiteral("Запись изменена или удалена на другом рабочем месте");

void error(QWidget* parent, const QString& text);       // error box, one OK button
void information(QWidget* parent, const QString& text); // information box, one OK button
Answer question(QWidget* parent, const QString& text);  // Yes and No

// Test support: while answering automatically no box is shown; each box is recorded
// as "error: text", "info: text" or "question: text", and questions take the queued
// answers in order (No when none is queued).
void setAutomatic(bool on);
bool automatic();
void setNextAnswer(Answer answer);
QStringList shown();
void clearShown();

} // namespace Msg
