#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The save dialog of the program. Like the folder picker (folderpicker.h) it can be
// answered in advance, so that no test ever blocks on a dialog.
namespace FilePicker {

// Asks where to save a file, offering suggestedName in the folder used last (at first the
// user's documents folder). filters are dialog filters such as "Книга Excel (*.xlsx)"; a
// chosen name without one of their suffixes gets the suffix of the filter chosen. The
// chosen path, or a null text when the user cancelled.
QString saveFile(QWidget* parent, const QString& caption, const QString& suggestedName,
                 const QStringList& filters);

// Test support: while answering automatically no dialog is shown; each request is
// recorded as "caption: suggested name" in asked(), and takes the queued answers in order
// (a cancel when none is queued). An answer goes through the same suffix rule.
void setAutomatic(bool on);
bool automatic();
void setNextFile(const QString& path, int filter = 0); // filter: the index chosen in filters
void setNextCancel();
QStringList asked();
void clearAsked();

} // namespace FilePicker
