#include "app/ui/screenawake.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace bd {

namespace {

const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";
const char* const kInterface = "org.freedesktop.ScreenSaver";

QDBusMessage screenSaverCall(const char* method)
{
    return QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
                                          QLatin1String(method));
}

void uninhibit(uint cookie)
{
    QDBusMessage call = screenSaverCall("UnInhibit");
    call << cookie;
    // Nobody waits for the answer.
    QDBusConnection::sessionBus().send(call);
}

} // namespace

struct ScreenAwake::State {
    uint cookie = 0;
    bool inhibited = false; // the service gave a cookie
    bool released = false;  // the window went before the answer came
};

ScreenAwake::ScreenAwake(const QString& reason, QObject* parent) : QObject(parent), state_(std::make_shared<State>())
{
    // Without a session bus address, asking for the bus could start one
    // or wait for it: nothing is asked.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = screenSaverCall("Inhibit");
    call << QCoreApplication::applicationName() << reason;
    // The answer may come after this object is gone: the watcher belongs
    // to the application and the state is shared.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), QCoreApplication::instance());
    std::shared_ptr<State> state = state_;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [state](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (reply.isError())
            return; // no screen saver service: nothing to undo
        if (state->released) {
            uninhibit(reply.value());
            return;
        }
        state->cookie = reply.value();
        state->inhibited = true;
    });
}

ScreenAwake::~ScreenAwake()
{
    state_->released = true;
    if (state_->inhibited)
        uninhibit(state_->cookie);
}

} // namespace bd
