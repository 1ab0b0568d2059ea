#include "progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ostrel::cli {

namespace {

using namespace std::chrono_literals;

constexpr auto kRedrawPeriod = 500ms;

// The terminal's width in characters; 80 when it does not say.
int columnsOf(int descriptor) {
    winsize size{};
    if (::ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

ProgressLine::ProgressLine(int terminalDescriptor, bool enabled)
    : descriptor_(terminalDescriptor), enabled_(enabled) {
    if (enabled_) {
        ticker_ = std::thread([this] { tick(); });
    }
}

ProgressLine::~ProgressLine() {
    if (!enabled_) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        erase();
    }
    wake_.notify_all();
    ticker_.join();
}

void ProgressLine::show(int number, int count, const QString& file, const QString& activity) {
    if (!enabled_) {
        return;
    }
    const std::lock_guard lock(mutex_);
    prefix_ = QStringLiteral("[%1/%2] %3").arg(number).arg(count).arg(fileNameOf(file));
    activity_ = activity;
    started_ = std::chrono::steady_clock::now();
    visible_ = true;
    draw();
}

void ProgressLine::setActivity(const QString& activity) {
    if (!enabled_) {
        return;
    }
    const std::lock_guard lock(mutex_);
    activity_ = activity;
    if (visible_) {
        draw();
    }
}

void ProgressLine::clear() {
    if (!enabled_) {
        return;
    }
    const std::lock_guard lock(mutex_);
    visible_ = false;
    erase();
}

ProgressLine::Hold::Hold(ProgressLine* line) : line_(line) {
    if (line_ == nullptr || !line_->enabled_) {
        return;
    }
    const std::lock_guard lock(line_->mutex_);
    wasVisible_ = std::exchange(line_->visible_, false);
    line_->erase();
}

ProgressLine::Hold::~Hold() {
    if (!wasVisible_) {
        return;
    }
    const std::lock_guard lock(line_->mutex_);
    line_->visible_ = true;
    line_->draw();
}

void ProgressLine::tick() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kRedrawPeriod, [this] { return stopping_; })) {
        if (visible_) {
            draw();
        }
    }
}

void ProgressLine::draw() {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now() - started_)
                             .count();
    QString text = QStringLiteral("%1: %2, %3 s").arg(prefix_, activity_).arg(seconds);
    // One character short of the width: a full line would wrap on some terminals.
    const int room = columnsOf(descriptor_) - 1;
    if (text.size() > room) {
        text = text.left(std::max(room - 3, 0)) + QStringLiteral("...");
    }
    if (drawn_ && text == drawnText_) {
        return;
    }
    write("\r\033[K" + text.toLocal8Bit());
    drawnText_ = text;
    drawn_ = true;
}

void ProgressLine::erase() {
    if (std::exchange(drawn_, false)) {
        write("\r\033[K");
    }
}

void ProgressLine::write(const QByteArray& bytes) const {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return; // the terminal went away: the status line is not worth an error
        }
        data += written;
        left -= written;
    }
}

} // namespace ostrel::cli
