#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <type_traits>
#include <utility>

class QEvent;

// Everything Qt calls back (a signal's handler, an event filter, a timer) is connected
// through here, so its errors end at its own edge: they go to the program-wide error
// display and never unwind through Qt's frames, which Debian builds without cleanup for
// exceptions (what those frames hold would leak or be left half-changed).

// Where guarded errors are shown. The window program shows them in an error box; until
// a display is set (the command-line tools) they go to the log.
using ErrorDisplay = void (*)(const QString& message);
void SetErrorDisplay(ErrorDisplay display);
void DisplayError(const QString& message);

// The message of the exception being handled; call it inside a catch block only.
QString CurrentErrorMessage();

// Runs work and shows any error it throws; true when it finished without one. A template,
// not a std::function: the application-wide event hook runs it for every event.
template <typename Work> bool Guarded(Work&& work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (...) {
        DisplayError(CurrentErrorMessage());
    }
    return false;
}

namespace handlers_detail {

template <typename Method> struct Signature;
template <typename R, typename C, typename... Args> struct Signature<R (C::*)(Args...)>
{
    template <typename Call> static auto guard(Call call)
    {
        // Declared with the handler's own parameters, so Qt passes it the signal's
        // leading arguments as it would the handler.
        return [call = std::move(call)](Args... args) mutable {
            Guarded([&] { call(std::forward<Args>(args)...); });
        };
    }
};
template <typename R, typename C, typename... Args>
struct Signature<R (C::*)(Args...) const> : Signature<R (C::*)(Args...)> {};
template <typename R, typename C, typename... Args>
struct Signature<R (C::*)(Args...) noexcept> : Signature<R (C::*)(Args...)> {};
template <typename R, typename C, typename... Args>
struct Signature<R (C::*)(Args...) const noexcept> : Signature<R (C::*)(Args...)> {};

} // namespace handlers_detail

// A callable (a lambda with declared parameters) wrapped in the guard.
template <typename Handler> auto GuardedHandler(Handler handler)
{
    using Call = std::decay_t<Handler>;
    return handlers_detail::Signature<decltype(&Call::operator())>::guard(std::move(handler));
}

// A member function of receiver wrapped in the guard.
template <typename Receiver, typename Method> auto GuardedHandler(Receiver* receiver, Method method)
{
    static_assert(std::is_member_function_pointer_v<Method>);
    return handlers_detail::Signature<Method>::guard([receiver, method](auto&&... args) {
        return (receiver->*method)(std::forward<decltype(args)>(args)...);
    });
}

// The one way a handler is connected to a signal: a member function of receiver, or a
// lambda whose lifetime ends with receiver. Qt::UniqueConnection does not apply to the
// wrapped handler; a page that connects again keeps its links in a HandlerLinks.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection ConnectHandler(const Sender* sender, Signal signal, Receiver* receiver,
                                       Handler handler, Qt::ConnectionType type = Qt::AutoConnection)
{
    Q_ASSERT(!(type & Qt::UniqueConnection));
    if constexpr (std::is_member_function_pointer_v<Handler>)
        return QObject::connect(sender, signal, receiver, GuardedHandler(receiver, handler), type);
    else
        return QObject::connect(sender, signal, receiver, GuardedHandler(std::move(handler)), type);
}

// Runs handler once after ms milliseconds, unless context is gone by then.
template <typename Handler> void SingleShot(int ms, const QObject* context, Handler handler)
{
    QTimer::singleShot(ms, context, GuardedHandler(std::move(handler)));
}

// Runs handler in context's thread: queued, at that thread's next turn of its event loop,
// or blocking, waiting until it has run there. Guarded like every other handler.
template <typename Handler>
void PostHandler(QObject* context, Handler handler, Qt::ConnectionType type = Qt::QueuedConnection)
{
    QMetaObject::invokeMethod(context, GuardedHandler(std::move(handler)), type);
}

// Connections made again as a group when a page binds to its data sources anew, so no
// handler runs twice for one signal.
class HandlerLinks
{
public:
    HandlerLinks& operator<<(const QMetaObject::Connection& link);
    void disconnectAll();

private:
    QList<QMetaObject::Connection> m_links;
};

// An event filter that runs hook for every event of the object it watches; hook returns
// true to stop the event there. An error in hook lets the event go on to its receiver.
class EventHook final : public QObject
{
public:
    using Hook = std::function<bool(QObject* watched, QEvent* event)>;
    EventHook(QObject* owner, Hook hook) : QObject(owner), m_hook(std::move(hook)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Hook m_hook;
};

// Hooks watched's events; the hook lives as long as owner (by default watched itself).
EventHook* InstallEventHook(QObject* watched, EventHook::Hook hook, QObject* owner = nullptr);
