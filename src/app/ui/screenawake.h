#pragma once
// Keeps the screen from blanking while it exists, through the desktop's
// screen-saver inhibit interface on the session bus. Where there is no
// session bus or no such service, it does nothing: it never waits for the
// bus, so a headless run goes on as if it were not there.

#include <QObject>

#include <memory>

namespace bd {

class ScreenAwake : public QObject {
    Q_OBJECT
public:
    // reason: what the desktop shows as the cause, if it shows one.
    ScreenAwake(const QString& reason, QObject* parent = nullptr);
    ~ScreenAwake() override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace bd
