// The status line while a run works: the busy text, then one more dot every 500 ms, and
// the bare text again after six dots.
#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QString>

#include <functional>

namespace ostrel {

class StatusDots : public QObject {
public:
    StatusDots(QString text, std::function<void(const QString&)> show)
        : text_(std::move(text)), show_(std::move(show)) {}

    // Shows the bare text; the dots go on counting from where the last run left them.
    void start();
    void stop() { timer_.stop(); }
    bool running() const { return timer_.isActive(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    const QString text_;
    const std::function<void(const QString&)> show_;
    QString shown_;
    int dots_ = 0;
    QBasicTimer timer_;
};

} // namespace ostrel
