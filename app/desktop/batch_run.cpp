#include "batch_run.h"

#include "document_conversion.h"

#include <QMetaObject>

#include <chrono>

namespace ostrel {

using namespace std::chrono_literals;

BatchRun::BatchRun(RunWindow& window, QObject* context, QStringList documents,
                   ConversionOptions options)
    : window_(window), context_(context), documents_(std::move(documents)),
      options_(std::move(options)) {
}

BatchRun::~BatchRun() {
    abandon();
    join();
}

void BatchRun::start() {
    thread_ = std::thread(&BatchRun::conversionWorker, this);
}

unsigned BatchRun::conversionWorker(BatchRun* run) {
    // The page has disabled its inputs and started the status animation by now.
    std::this_thread::sleep_for(100ms);
    DocumentConverter converter(*run);
    const auto count = static_cast<int>(run->documents_.size());
    for (int i = 0; i < count && run->proceed(); ++i)
        converter.convertEntry(run->documents_.at(i), i, count, run->options_);
    if (run->proceed())
        run->post([window = &run->window_] { window->finishRun(); });
    run->ended_ = true;
    run->postAlways([window = &run->window_, weak = run->weak_from_this()] {
        if (auto ended = weak.lock())
            window->runEnded(*ended);
    });
    return 0;
}

void BatchRun::pause() {
    const std::lock_guard lock(mutex_);
    paused_ = true;
}

void BatchRun::resume() {
    {
        const std::lock_guard lock(mutex_);
        paused_ = false;
    }
    changed_.notify_all();
}

void BatchRun::abandon() {
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
}

bool BatchRun::abandoned() const {
    const std::lock_guard lock(mutex_);
    return abandoned_;
}

void BatchRun::join(const std::function<void()>& whileWaiting) {
    if (!thread_.joinable())
        return;
    while (!ended_) {
        if (whileWaiting)
            whileWaiting();
        std::this_thread::sleep_for(50ms);
    }
    thread_.join();
}

bool BatchRun::proceed() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !paused_ || abandoned_; });
    return !abandoned_;
}

void BatchRun::post(std::function<void()> work) {
    postAlways([weak = weak_from_this(), window = &window_, work = std::move(work)] {
        const std::shared_ptr<BatchRun> run = weak.lock();
        if (run && !run->abandoned())
            window->deliver(run, work);
    });
}

void BatchRun::postAlways(std::function<void()> work) {
    QMetaObject::invokeMethod(context_, std::move(work), Qt::QueuedConnection);
}

template <typename T> T BatchRun::askOnWindow(std::function<T()> ask, T fallback) {
    if (!proceed())
        return fallback;
    auto answer = std::make_shared<std::optional<T>>();
    post([this, answer, ask = std::move(ask)] {
        T value = ask();
        {
            const std::lock_guard lock(mutex_);
            *answer = std::move(value);
        }
        changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return answer->has_value() || abandoned_; });
    return answer->has_value() ? **answer : fallback;
}

void BatchRun::showMessage(const QString& text) {
    askOnWindow<bool>(
        [this, text] {
            window_.showRunMessage(text);
            return true;
        },
        false);
}

bool BatchRun::askYesNo(const QString& question) {
    return askOnWindow<bool>([this, question] { return window_.askRunQuestion(question); }, false);
}

std::optional<QString> BatchRun::askDocumentPassword(const QString& fileName) {
    return askOnWindow<std::optional<QString>>(
        [this, fileName] { return window_.askRunPassword(fileName); }, std::nullopt);
}

void BatchRun::setProgress(int position, int range, int fillVisible) {
    post([window = &window_, position, range, fillVisible] {
        window->showRunProgress(position, range, fillVisible);
    });
}

void BatchRun::addConvertedFile(const QString& outputName) {
    post([window = &window_, outputName] { window->addRunConvertedFile(outputName); });
}

void BatchRun::startPromptAnswerer() {
    postAlways([window = &window_] { window->setPromptAnswerer(true); });
}

void BatchRun::stopPromptAnswerer() {
    postAlways([window = &window_] { window->setPromptAnswerer(false); });
}

} // namespace ostrel
