#include "platform/handlers.h"

#include "platform/errors.h"

#include <QCoreApplication>
#include <QThread>
#include <QtDebug>

#include <exception>

namespace {

ErrorDisplay g_display = nullptr;

} // namespace

void SetErrorDisplay(ErrorDisplay display)
{
    g_display = display;
}

void DisplayError(const QString& message)
{
    // A handler of a worker thread (the search's) has no window to show its error in:
    // the display runs in the program's own thread.
    QCoreApplication* app = QCoreApplication::instance();
    if (g_display && app && QThread::currentThread() != app->thread()) {
        const ErrorDisplay display = g_display;
        QMetaObject::invokeMethod(app, [display, message] { display(message); }, Qt::QueuedConnection);
        return;
    }
    if (g_display)
        g_display(message);
    else
        qCritical().noquote() << message;
}

QString CurrentErrorMessage()
{
    try {
        throw;
    } catch (const AppError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        // Nothing of ours throws anything else; a foreign library might.
        return QStringLiteral("Непредвиденная ошибка");
    }
}

HandlerLinks& HandlerLinks::operator<<(const QMetaObject::Connection& link)
{
    m_links << link;
    return *this;
}

void HandlerLinks::disconnectAll()
{
    for (const QMetaObject::Connection& link : std::as_const(m_links))
        QObject::disconnect(link);
    m_links.clear();
}

bool EventHook::eventFilter(QObject* watched, QEvent* event)
{
    bool stop = false;
    Guarded([&] { stop = m_hook(watched, event); });
    return stop;
}

EventHook* InstallEventHook(QObject* watched, EventHook::Hook hook, QObject* owner)
{
    auto* filter = new EventHook(owner ? owner : watched, std::move(hook));
    watched->installEventFilter(filter);
    return filter;
}
