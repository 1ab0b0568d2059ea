// Conversions on a worker thread for a window. The worker never touches a widget: what it
// shows or changes is handed to the window's thread, and for questions it waits there for
// the answer. The window can pause a run (the worker stops at its next step, and what it
// hands over is held back until the run resumes) and abandon it: an abandoned run quits
// its Word instance, ends Ghostscript and changes nothing in the window any more. While
// the engine prints, pending "Microsoft Office Word" prompts are answered with Yes.
#pragma once

#include "conversion_host.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ostrel {

class RunController;

// What a run asks of the window that started it: on the window's thread, and never for
// an abandoned run.
class RunWindow {
public:
    virtual ~RunWindow() = default;
    virtual void showRunMessage(const QString& text) = 0;
    virtual bool askRunQuestion(const QString& question) = 0;
    virtual std::optional<QString> askRunPassword(const QString&) { return std::nullopt; }
    virtual void showRunProgress(int /*position*/, int /*range*/, int /*fillVisible*/) {}
    virtual void addRunConvertedFile(const QString&) {}
};

// One run: its worker thread and the engine's host on that thread. Made by RunController.
class ConversionRun : public ConversionHost, public std::enable_shared_from_this<ConversionRun> {
public:
    // The run's work, on the worker thread.
    using Work = std::function<void(ConversionRun&)>;

    ConversionRun(RunController& controller, Work work);
    // Abandons a run that is still going and waits for its worker.
    ~ConversionRun() override;
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    // From the worker: work for the window's thread, dropped once the run is abandoned.
    void post(std::function<void()> work);

    // On the window's thread.
    void pause();
    // Serves what was held back while paused.
    void resume();
    void abandon();
    bool abandoned() const;
    // The worker's work has returned.
    bool ended() const { return ended_; }
    // Waits for the worker; while it is still ending, whileWaiting is called every 50 ms.
    void join(const std::function<void()>& whileWaiting = {});

    // The engine's host, on the worker's thread.
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& question) override;
    PasswordAnswer askDocumentPassword(const QString& fileName) override;
    void setProgress(int position, int range, int fillVisible) override;
    void addConvertedFile(const QString& outputName) override;
    void startPromptAnswerer() override;
    void stopPromptAnswerer() override;
    bool proceed() override;

private:
    friend class RunController;
    void start();
    // Queued to the window's thread whatever becomes of the run.
    void postAlways(std::function<void()> work);
    // Asks on the window's thread and waits for the answer; fallback once abandoned.
    template <typename T> T askOnWindow(std::function<T()> ask, T fallback);

    RunController& controller_;
    RunWindow& window_;
    const Work work_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool paused_ = false;
    bool abandoned_ = false;
    std::atomic<bool> ended_{false};
    std::vector<std::function<void()>> held_; // the window's thread only
    std::thread thread_;
};

// The window's side: the current run, the abandoned ones still ending, the prompt answerer.
class RunController : public QObject {
public:
    explicit RunController(RunWindow& window);
    // Abandons every run and waits for its worker.
    ~RunController() override;

    // Starts work on a new worker, once the run before has ended.
    void start(ConversionRun::Work work);
    // The last run started, until it is abandoned; it may have ended.
    ConversionRun* current() const { return current_.get(); }
    // The current run goes; its worker ends on its own.
    void abandon();
    // Waits for the workers of abandoned runs.
    void waitForAbandoned();
    // Workers not waited for yet.
    int workerCount() const;

private:
    friend class ConversionRun;
    void setPromptAnswerer(bool running);
    void runEnded(ConversionRun& run);
    void answerPrompts();

    RunWindow& window_;
    std::shared_ptr<ConversionRun> current_;
    std::vector<std::shared_ptr<ConversionRun>> abandoned_;
    QTimer promptAnswerer_;
    int promptAnswerers_ = 0;
};

} // namespace ostrel
