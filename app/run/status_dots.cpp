#include "status_dots.h"

#include <QTimerEvent>

namespace ostrel {

void StatusDots::start() {
    shown_ = text_;
    show_(shown_);
    timer_.start(500, this);
}

void StatusDots::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    if (++dots_ == 7) {
        shown_ = text_;
        dots_ = 0;
    } else {
        shown_ += QLatin1Char('.');
    }
    show_(shown_);
}

} // namespace ostrel
