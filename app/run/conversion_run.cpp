#include "conversion_run.h"

#include "contract/word.h"
#include "prompts/pending_prompts.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>

namespace ostrel {

using namespace std::chrono_literals;

ConversionRun::ConversionRun(RunController& controller, Work work)
    : controller_(controller), window_(controller.window_), work_(std::move(work)) {
}

ConversionRun::~ConversionRun() {
    abandon();
    join();
}

void ConversionRun::start() {
    thread_ = std::thread([this] {
        // The window has disabled its inputs and started the status line by now.
        std::this_thread::sleep_for(100ms);
        work_(*this);
        ended_ = true;
        postAlways([controller = &controller_, weak = weak_from_this()] {
            if (const auto run = weak.lock()) {
                controller->runEnded(*run);
            }
        });
    });
}

void ConversionRun::pause() {
    const std::lock_guard lock(mutex_);
    paused_ = true;
}

void ConversionRun::resume() {
    {
        const std::lock_guard lock(mutex_);
        paused_ = false;
    }
    changed_.notify_all();
    for (const auto& work : std::exchange(held_, {})) {
        if (!abandoned()) {
            work();
        }
    }
}

void ConversionRun::abandon() {
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
}

bool ConversionRun::abandoned() const {
    const std::lock_guard lock(mutex_);
    return abandoned_;
}

void ConversionRun::join(const std::function<void()>& whileWaiting) {
    if (!thread_.joinable()) {
        return;
    }
    while (!ended_) {
        if (whileWaiting) {
            whileWaiting();
        }
        std::this_thread::sleep_for(50ms);
    }
    thread_.join();
}

bool ConversionRun::proceed() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !paused_ || abandoned_; });
    return !abandoned_;
}

void ConversionRun::post(std::function<void()> work) {
    postAlways([weak = weak_from_this(), work = std::move(work)] {
        const std::shared_ptr<ConversionRun> run = weak.lock();
        if (!run || run->abandoned()) {
            return;
        }
        std::unique_lock lock(run->mutex_);
        if (run->paused_) {
            run->held_.push_back(work);
            return;
        }
        lock.unlock();
        work();
    });
}

void ConversionRun::postAlways(std::function<void()> work) {
    QMetaObject::invokeMethod(&controller_, std::move(work), Qt::QueuedConnection);
}

template <typename T> T ConversionRun::askOnWindow(std::function<T()> ask, T fallback) {
    if (!proceed()) {
        return fallback;
    }
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

void ConversionRun::showMessage(const QString& text) {
    askOnWindow<bool>(
        [this, text] {
            window_.showRunMessage(text);
            return true;
        },
        false);
}

bool ConversionRun::askYesNo(const QString& question) {
    return askOnWindow<bool>([this, question] { return window_.askRunQuestion(question); }, false);
}

PasswordAnswer ConversionRun::askDocumentPassword(const QString& fileName) {
    return {askOnWindow<std::optional<QString>>(
                [this, fileName] { return window_.askRunPassword(fileName); }, std::nullopt),
            {}};
}

void ConversionRun::setProgress(int position, int range, int fillVisible) {
    post([window = &window_, position, range, fillVisible] {
        window->showRunProgress(position, range, fillVisible);
    });
}

void ConversionRun::addConvertedFile(const QString& outputName) {
    post([window = &window_, outputName] { window->addRunConvertedFile(outputName); });
}

void ConversionRun::startPromptAnswerer() {
    postAlways([controller = &controller_] { controller->setPromptAnswerer(true); });
}

void ConversionRun::stopPromptAnswerer() {
    postAlways([controller = &controller_] { controller->setPromptAnswerer(false); });
}

RunController::RunController(RunWindow& window) : window_(window) {
    promptAnswerer_.setInterval(200);
    connect(&promptAnswerer_, &QTimer::timeout, this, &RunController::answerPrompts);
}

RunController::~RunController() {
    if (current_) {
        abandon();
    }
    waitForAbandoned();
}

void RunController::start(ConversionRun::Work work) {
    if (current_) {
        current_->join([this] { answerPrompts(); });
    }
    current_ = std::make_shared<ConversionRun>(*this, std::move(work));
    current_->start();
}

void RunController::abandon() {
    std::shared_ptr<ConversionRun> run = std::exchange(current_, nullptr);
    run->abandon();
    if (run->ended()) {
        run->join();
    } else {
        abandoned_.push_back(std::move(run));
    }
}

void RunController::waitForAbandoned() {
    // The office may still ask something while its document is abandoned.
    for (const auto& run : abandoned_) {
        run->join([this] { answerPrompts(); });
    }
    abandoned_.clear();
}

int RunController::workerCount() const {
    const auto running = [](const std::shared_ptr<ConversionRun>& run) {
        return run && !run->ended();
    };
    return static_cast<int>(running(current_)) +
           static_cast<int>(std::count_if(abandoned_.begin(), abandoned_.end(), running));
}

void RunController::setPromptAnswerer(bool running) {
    promptAnswerers_ = std::max(0, promptAnswerers_ + (running ? 1 : -1));
    if (promptAnswerers_ > 0 && !promptAnswerer_.isActive()) {
        promptAnswerer_.start();
    } else if (promptAnswerers_ == 0) {
        promptAnswerer_.stop();
    }
}

void RunController::runEnded(ConversionRun& run) {
    run.join();
    std::erase_if(abandoned_, [&](const auto& abandoned) { return abandoned.get() == &run; });
}

void RunController::answerPrompts() {
    answerPrompt(word::kPromptTitle, kPromptYes);
}

} // namespace ostrel
