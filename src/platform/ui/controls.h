#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QWidget;

// Small builders for the controls of the pages: each control gets its name as its
// objectName, its caption and its place in its parent. Unnamed captions pass an empty name.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry);
QLabel* MakeCaption(QWidget* parent, const QString& text, int left, int top);
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& geometry);
QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& geometry);
QComboBox* MakeDropDown(QWidget* parent, const QString& name, const QRect& geometry);
QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QRect& geometry);
// A multi-line text box; read-only boxes of the panels have the info-tip background.
QPlainTextEdit* MakeMemo(QWidget* parent, const QString& name, const QRect& geometry,
                         bool readOnly = false, bool infoTipBackground = false);
// A panel: a framed area that holds other controls at fixed places.
QFrame* MakePanel(QWidget* parent, const QString& name, const QRect& geometry);
// A string grid with a fixed header row of column titles and no in-place editing.
QTableWidget* MakeStringGrid(QWidget* parent, const QString& name, const QStringList& titles,
                             const QRect& geometry);

// Keeps a row of controls over a grid as wide as the grid, whatever size the window's
// rules give the grid: the controls of `right` stand side by side (in their order) ending
// at the grid's right edge, and `stretch` (may be null) fills the room from the grid's left
// edge to them. Their tops and heights stay as built.
void KeepRowOverGrid(QWidget* grid, QWidget* stretch, const QList<QWidget*>& right);

// The yellow background of the name labels of the holder and representative panels.
void SetYellowBackground(QLabel* label);
