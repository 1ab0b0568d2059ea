// The process-wide bridge between the word processor and the add-ins: starts the
// add-in thread when the office starts, shows the add-ins' command bars in every Writer
// window, routes a toolbar button's command to its add-in, keeps Writer's windows
// disabled while an add-in handles a click, and disconnects the add-ins before the
// office ends.
#pragma once

#include "command_bars.h"
#include "host_services.h"

#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/URL.hpp>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace ostrel::bridge {

namespace uno = com::sun::star::uno;
namespace frame = com::sun::star::frame;

class AddinHost;
class AddinThread;
class WriterToolbars;

class Bridge final : public HostServices {
public:
    static Bridge& instance();

    // Main thread. Idempotent: the first call starts the add-ins.
    void start(const uno::Reference<uno::XComponentContext>& context);
    // Main thread: a window opened; show the bars in it.
    void windowsChanged();
    // Main thread: a button's command. Returns at once; the add-in runs on its thread.
    void click(int buttonId);

    // The Enabled state of each button reaches the toolbars through status listeners.
    void addStatusListener(const uno::Reference<frame::XStatusListener>& listener,
                           const com::sun::star::util::URL& url);
    void removeStatusListener(const uno::Reference<frame::XStatusListener>& listener,
                              const com::sun::star::util::URL& url);

    // Main thread, from the office's termination: false while the add-ins still have to
    // be disconnected (the bridge does that and asks the office to end again).
    bool mayTerminate();
    void terminated();

    // HostServices (add-in thread).
    CommandBarModel& commandBars() override { return model_; }
    std::optional<std::string> activeDocumentPath() override;
    std::vector<std::uint8_t> clipboardPicture() override;

private:
    enum class Phase { Idle, Running, Stopping, Stopped };
    struct Listener {
        uno::Reference<frame::XStatusListener> listener;
        com::sun::star::util::URL url;
    };

    Bridge() = default;
    void scheduleSync();
    void sync(); // main thread
    void runOnMainThread(std::function<void()> task);
    void notifyStatus(const std::vector<BarState>& bars);

    std::mutex mutex_; // phase_, busy_, listeners_
    Phase phase_ = Phase::Idle;
    bool busy_ = false; // an add-in is handling a click
    std::vector<Listener> listeners_;
    std::atomic<bool> syncPending_{false};

    uno::Reference<uno::XComponentContext> context_;
    CommandBarModel model_;
    std::unique_ptr<WriterToolbars> toolbars_;
    std::unique_ptr<AddinThread> thread_;
    std::unique_ptr<AddinHost> host_; // lives and dies on the add-in thread
};

} // namespace ostrel::bridge
