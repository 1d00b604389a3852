#include "session/login.h"

#include "data/currentorg.h"
#include "data/tdm.h"
#include "platform/errors.h"
#include "platform/handlers.h"
#include "platform/ui/keyboardlayout.h"
#include "platform/ui/messagebox.h"
#include "platform/version.h"
#include "session/uifont.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QValidator>
#include <memory>

TfLogin* fLogin = nullptr;

namespace {

// Every letter typed goes in as a capital, whatever the keyboard state.
class CapitalsValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

struct ShakeMove
{
    int top;
    int left;
    bool pause;
};

// One pass of the shake; four passes, each ending where it began.
constexpr ShakeMove ShakePass[] = {
    {-5, -5, true}, {+10, +10, true}, {-5, -5, true},
    {-5, +5, true}, {+10, -10, true}, {-5, +5, false},
};
constexpr int ShakePasses = 4;
constexpr unsigned long ShakePauseMs = 25;

} // namespace

TfLogin::TfLogin(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fLogin"));
    setWindowTitle(QStringLiteral("Авторизация"));
    setFont(ProgramFont(16, true));
    setFixedSize(298, 260);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const QString teal = QStringLiteral("color: #008080;");
    auto label = [&](const char* name, const QString& text, int top) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setStyleSheet(teal);
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(16, top, 266, 26);
        return l;
    };
    auto edit = [&](const char* name, int top) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setAlignment(Qt::AlignCenter);
        e->setValidator(new CapitalsValidator(e));
        e->setGeometry(40, top, 218, 32);
        // Entering an entry switches the keyboard to its language.
        InstallEventHook(e, [this](QObject* watched, QEvent* event) {
            if (event->type() == QEvent::FocusIn) {
                if (watched == eLogin)
                    eLoginEnter();
                else if (watched == ePassw)
                    ePasswEnter();
            }
            return false;
        });
        ConnectHandler(e, &QLineEdit::textChanged, this, &TfLogin::cbOrgChange);
        return e;
    };

    lFioMed = label("lFioMed", QStringLiteral("Введите логин"), 14);
    eLogin = edit("eLogin", 44);
    lDescPw = label("lDescPw", QStringLiteral("Введите пароль"), 86);
    ePassw = edit("ePassw", 116);
    ePassw->setEchoMode(QLineEdit::Password);
    ePassw->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"

    bbOk = new QPushButton(QStringLiteral("OK"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setGeometry(40, 170, 100, 34);
    bbOk->setDefault(true);
    bbOk->setEnabled(false);
    ConnectHandler(bbOk, &QPushButton::clicked, this, &TfLogin::bbOkClick);

    bbCancel = new QPushButton(QStringLiteral("Отмена"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setGeometry(158, 170, 100, 34);
    bbCancel->setAutoDefault(false);
    ConnectHandler(bbCancel, &QPushButton::clicked, this, &QDialog::reject);

    stbrVer = new QStatusBar(this);
    stbrVer->setObjectName(QStringLiteral("stbrVer"));
    stbrVer->setSizeGripEnabled(false);
    stbrVer->setGeometry(0, 260 - 26, 298, 26);
    stpnVer = new QLabel(stbrVer);
    stpnVer->setObjectName(QStringLiteral("stpnVer"));
    stbrVer->addWidget(stpnVer, 1);

    setTabOrder(eLogin, ePassw);
    setTabOrder(ePassw, bbOk);
    setTabOrder(bbOk, bbCancel);
}

void TfLogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    Guarded([this] { FormShow(); });
}

void TfLogin::FormShow()
{
    try {
        if (!dm)
            throw DbError(QStringLiteral("Модуль данных не создан"));
        dm->conPg.open();
        ProgramVersion = ReadFileVersion().left(7);
        stpnVer->setText(ProgramVersion);
    } catch (const AppError&) {
        Msg::error(this, QStringLiteral("не удалось соединиться с базой данных"));
    }
    cbOrgChange();
    eLoginEnter();
    eLogin->setFocus();
}

void TfLogin::cbOrgChange()
{
    bbOk->setEnabled(!eLogin->text().isEmpty() && !ePassw->text().isEmpty());
}

void TfLogin::eLoginEnter()
{
    ActivateKeyboardLayout(QStringLiteral("00000419"));
}

void TfLogin::ePasswEnter()
{
    ActivateKeyboardLayout(QStringLiteral("00000409"));
}

void TfLogin::bbOkClick()
{
    SqlQuery& login = *dm->adoqLogin;
    login.close();
    login.setString(QStringLiteral("login"), eLogin->text());
    login.setString(QStringLiteral("passw"), ePassw->text());
    login.open(); // opens the connection first when the dialog's attempt failed

    if (login.eof()) {
        login.close();
        Shake();
        return;
    }
    if (login.isNull(QStringLiteral("mo_id"))) {
        login.close();
        Msg::error(this, QStringLiteral("Организация не авторизована в программе"));
        return;
    }

    SqlQuery& tmp = *dm->adoqTmp;
    tmp.close();
    tmp.clearText();
    tmp.addLine(QStringLiteral("select * from k_vars where name='AppVer'"));
    QString allowed;
    try {
        tmp.open();
        allowed = tmp.asString(QStringLiteral("val")).left(7);
    } catch (...) {
        tmp.close();
        login.close();
        throw;
    }
    tmp.close();
    if (allowed != ProgramVersion) {
        login.close();
        Msg::error(this, QStringLiteral("Несовпадение версий. Необходимо обновление программы."));
        return;
    }

    auto org = std::make_unique<TOrg>();
    try {
        login.first();
        org->mo_id = int32_t(login.asInteger(QStringLiteral("mo_id")));
        org->name = login.asString(QStringLiteral("name"));
        org->scode = login.asString(QStringLiteral("scode"));
        org->inn = login.asString(QStringLiteral("inn"));
        org->ogrn = login.asString(QStringLiteral("ogrn"));
        org->lvl = uint8_t(login.asInteger(QStringLiteral("lvl")) & 0xFF);
    } catch (...) {
        login.close();
        throw;
    }
    login.close();
    CurrentOrg = org.release();
    accept();
}

void TfLogin::Shake(const std::function<void(QPoint)>& onMove)
{
    for (int pass = 0; pass < ShakePasses; ++pass) {
        for (const ShakeMove& step : ShakePass) {
            move(x(), y() + step.top);
            move(x() + step.left, y());
            if (onMove)
                onMove(pos());
            if (step.pause)
                QThread::msleep(ShakePauseMs);
        }
    }
}
