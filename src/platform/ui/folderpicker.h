#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The folder picker of the program. Like the message boxes (messagebox.h) it can be
// answered in advance, so that no test ever blocks on a dialog.
namespace FolderPicker {

// Asks for an existing folder of the file system, starting nowhere in particular; the
// chosen folder, or a null text when the user cancelled.
QString choose(QWidget* parent, const QString& caption);

// Test support: while answering automatically no dialog is shown; each request is
// recorded as its caption in asked(), and takes the queued answers in order (a cancel
// when none is queued).
void setAutomatic(bool on);
bool automatic();
void setNextFolder(const QString& folder);
void setNextCancel();
QStringList asked();
void clearAsked();

} // namespace FolderPicker
