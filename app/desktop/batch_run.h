// One batch run: the worker thread that converts the listed documents one after the
// other, and the engine's host on its side. The worker never touches a widget: whatever
// it shows or changes is handed to the user-interface thread, and for questions it waits
// there for the answer. The user can pause the run (the worker stops at its next step)
// and abandon it; an abandoned run quits its Word instance, ends Ghostscript and changes
// nothing on the page any more.
#pragma once

#include "conversion_host.h"
#include "conversion_options.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace ostrel {

class BatchRun;

// What a run asks of the window that started it. Every call is made on the window's
// (user-interface) thread, and never for an abandoned run.
class RunWindow {
public:
    virtual ~RunWindow() = default;
    virtual void showRunMessage(const QString& text) = 0;
    virtual bool askRunQuestion(const QString& question) = 0;
    virtual std::optional<QString> askRunPassword(const QString& fileName) = 0;
    virtual void showRunProgress(int position, int range, int fillVisible) = 0;
    virtual void addRunConvertedFile(const QString& outputName) = 0;
    // The worker's final steps, after the last document.
    virtual void finishRun() = 0;
    // Hands the run's work to the window, which may hold it back (while it asks whether
    // to stop) and then hands it on or drops it.
    virtual void deliver(const std::shared_ptr<BatchRun>& run, std::function<void()> work) = 0;

    // Made for every run, abandoned or not: the prompt answerer and the thread's end.
    virtual void setPromptAnswerer(bool running) = 0;
    virtual void runEnded(BatchRun& run) = 0;
};

// Made with std::make_shared: the work it hands to the window holds it only weakly.
class BatchRun : public ConversionHost, public std::enable_shared_from_this<BatchRun> {
public:
    // window lives on context's thread and outlives the run's worker.
    BatchRun(RunWindow& window, QObject* context, QStringList documents, ConversionOptions options);
    // Abandons a run that is still going and waits for its worker.
    ~BatchRun() override;

    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    void start();
    // From now on the worker makes no further step until resume() or abandon().
    void pause();
    void resume();
    // The worker converts nothing more and reports nothing more.
    void abandon();
    bool abandoned() const;
    // The worker's thread procedure has returned.
    bool ended() const { return ended_; }
    // Waits for the worker; while it is still ending, whileWaiting is called every 50 ms
    // (the user-interface thread answers the office's prompts there).
    void join(const std::function<void()>& whileWaiting = {});

    const ConversionOptions& options() const { return options_; }

    // The engine's host, called on the worker's thread.
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& question) override;
    std::optional<QString> askDocumentPassword(const QString& fileName) override;
    void setProgress(int position, int range, int fillVisible) override;
    void addConvertedFile(const QString& outputName) override;
    void startPromptAnswerer() override;
    void stopPromptAnswerer() override;
    bool proceed() override;

private:
    static unsigned conversionWorker(BatchRun* run);
    // Queued to the window's thread; dropped once the run is abandoned.
    void post(std::function<void()> work);
    // Queued to the window's thread whatever becomes of the run.
    void postAlways(std::function<void()> work);
    // Runs ask on the window's thread and waits for its answer; fallback when the run
    // is abandoned first.
    template <typename T> T askOnWindow(std::function<T()> ask, T fallback);

    RunWindow& window_;
    QObject* context_;
    const QStringList documents_;
    const ConversionOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool paused_ = false;
    bool abandoned_ = false;
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

} // namespace ostrel
