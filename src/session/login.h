#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

// The login dialog: login and password checked against the register, then the
// program version against the one the register allows.
class TfLogin : public QDialog
{
    Q_OBJECT
public:
    explicit TfLogin(QWidget* parent = nullptr);

    QLabel* lFioMed;
    QLineEdit* eLogin;
    QLabel* lDescPw;
    QLineEdit* ePassw;
    QPushButton* bbOk;
    QPushButton* bbCancel;
    QStatusBar* stbrVer;
    QLabel* stpnVer;

    void FormShow();
    void cbOrgChange();
    void eLoginEnter();
    void ePasswEnter();
    void bbOkClick();

    // The answer to a login that matches no row: the dialog shakes and comes back to
    // where it began. onMove (for tests) sees the position after every move.
    void Shake(const std::function<void(QPoint)>& onMove = {});

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_shown = false;
};

extern TfLogin* fLogin;
