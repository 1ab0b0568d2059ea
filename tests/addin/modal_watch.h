// Tests meet modal dialogs without blocking: a watcher sees every dialog of a given
// object name or class name as it is shown, and acts on it from inside its modal loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace addintest {

class ModalWatch : public QObject {
public:
    using Action = std::function<void(QDialog&)>;

    ModalWatch(QString name, Action action) : name_(std::move(name)), action_(std::move(action)) {
        qApp->installEventFilter(this);
    }
    ~ModalWatch() override { qApp->removeEventFilter(this); }

    int seen() const { return seen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show &&
            (watched->objectName() == name_ ||
             QLatin1String(watched->metaObject()->className()) == name_)) {
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                ++seen_;
                // Acts once the dialog runs its loop.
                QTimer::singleShot(0, dialog, [this, dialog] { action_(*dialog); });
            }
        }
        return false;
    }

private:
    QString name_;
    Action action_;
    int seen_ = 0;
};

// Serves events until the condition holds; false when it did not within the limit (a
// safety net against a hang, not a timing requirement).
inline bool serveUntil(const std::function<bool()>& condition,
                       std::chrono::seconds limit = std::chrono::seconds(300)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QTimer wake; // so that waiting for events never outlasts the deadline
    wake.start(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace addintest
