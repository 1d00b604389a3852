#include "dbtest.h" // PrintTo for texts
#include "testapplication.h"

#include "platform/errors.h"
#include "platform/handlers.h"
#include "platform/ui/messagebox.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

TestApplication& app()
{
    return *static_cast<TestApplication*>(QCoreApplication::instance());
}

// A receiver whose handler fails with the text it is given.
class Failing : public QObject
{
public:
    void fail(const QString& text) { throw AppError(QStringLiteral("отказ: ") + text); }
};

// A window with a button and an entry, on screen, as a user meets them.
struct Window
{
    QWidget widget;
    QPushButton* button = new QPushButton(QStringLiteral("OK"), &widget);
    QLineEdit* edit = new QLineEdit(&widget);
    Failing failing;

    Window()
    {
        auto* layout = new QVBoxLayout(&widget);
        layout->addWidget(button);
        layout->addWidget(edit);
        widget.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
};

struct GuardCase
{
    const char* name;
    // Wires a failing handler to the window and sets it off as a user or the clock would.
    std::function<void(Window&)> provoke;
    QString shown;
};

} // namespace

TEST(HandlerGuardTest, AHandlersErrorIsShownAndGoesNoFurther)
{
    const GuardCase cases[] = {
        {"a member function, with the signal's argument",
         [](Window& w) {
             ConnectHandler(w.edit, &QLineEdit::textEdited, &w.failing, &Failing::fail);
             QTest::keyClick(w.edit, Qt::Key_Z);
         },
         "error: отказ: z"},
        {"a lambda",
         [](Window& w) {
             ConnectHandler(w.button, &QPushButton::clicked, w.button,
                            [] { throw DbError(QStringLiteral("Нет связи с сервером")); });
             QTest::mouseClick(w.button, Qt::LeftButton);
         },
         "error: Нет связи с сервером"},
        {"an event hook, and the event still reaches its receiver",
         [](Window& w) {
             InstallEventHook(w.edit, [](QObject*, QEvent* event) -> bool {
                 if (event->type() == QEvent::KeyPress)
                     throw ConversionError(QStringLiteral("'x' не является числом"));
                 return false;
             });
             QTest::keyClick(w.edit, Qt::Key_X);
             EXPECT_EQ(w.edit->text(), "x");
         },
         "error: 'x' не является числом"},
        {"a single-shot timer",
         [](Window& w) {
             SingleShot(0, w.button, [] { throw std::runtime_error("timer failed"); });
             EXPECT_TRUE(QTest::qWaitFor([] { return !Msg::shown().isEmpty(); }));
         },
         "error: timer failed"},
        {"an error that is no exception class",
         [](Window& w) {
             ConnectHandler(w.button, &QPushButton::clicked, w.button, [] { throw 42; });
             QTest::mouseClick(w.button, Qt::LeftButton);
         },
         "error: Непредвиденная ошибка"},
    };
    for (const GuardCase& c : cases) {
        SCOPED_TRACE(c.name);
        Window window;
        Msg::clearShown();
        const int escapes = app().escapes();
        c.provoke(window);
        EXPECT_EQ(Msg::shown(), QStringList{c.shown});
        EXPECT_EQ(app().escapes(), escapes);
    }
    Msg::clearShown();
}

TEST(HandlerGuardTest, AnErrorThatReachesNotifyFailsTheTest)
{
    // A handler without a guard. An event handler rather than a signal's: an error out
    // of a signal's handler unwinds through Qt's signal code, which then leaks.
    class Unguarded : public QObject
    {
    protected:
        bool event(QEvent* event) override
        {
            if (event->type() == QEvent::User)
                throw AppError(QStringLiteral("без охраны"));
            return QObject::event(event);
        }
    } receiver;
    Msg::clearShown();
    const int escapes = app().escapes();
    EXPECT_NONFATAL_FAILURE(
        {
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(&receiver, &event);
        },
        "escaped its handler to QApplication::notify");
    EXPECT_EQ(app().escapes(), escapes + 1);
    EXPECT_TRUE(Msg::shown().isEmpty());
}
