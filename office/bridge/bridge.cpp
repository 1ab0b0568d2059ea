#include "bridge.h"

#include "addin_host.h"
#include "addin_thread.h"
#include "clipboard_picture.h"
#include "uno_text.h"
#include "writer_toolbars.h"

#include "registry/registry.h"

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <cppuhelper/implbase1.hxx>
#include <osl/file.hxx>
#include <osl/process.h>

#include <cstdlib>

#include <algorithm>

namespace ostrel::bridge {

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

class MainThreadTask : public cppu::WeakImplHelper1<awt::XCallback> {
public:
    explicit MainThreadTask(std::function<void()> task) : task_(std::move(task)) {}
    void SAL_CALL notify(const uno::Any&) override {
        try {
            task_();
        } catch (const uno::Exception&) {
            // The office is in the middle of something (closing a window); the next
            // change brings the toolbars in line again.
        }
    }

private:
    std::function<void()> task_;
};

// Add-ins belong to a word processor someone works with: not to an office started
// headless or invisible (such as the private office of a conversion), and not where no
// display is there for their dialogs (Qt would end the process).
bool hostsAddins() {
    for (sal_uInt32 i = 0; i < osl_getCommandArgCount(); ++i) {
        rtl_uString* raw = nullptr;
        osl_getCommandArg(i, &raw);
        const OUString argument(raw, SAL_NO_ACQUIRE);
        for (const char* option : {"headless", "invisible"}) {
            const OUString name = OUString::createFromAscii(option);
            if (argument == "-" + name || argument == "--" + name) {
                return false;
            }
        }
    }
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != 0) {
            return true;
        }
    }
    return false;
}

} // namespace

Bridge& Bridge::instance() {
    // Never destroyed: the add-ins are disconnected at the office's termination, and
    // the office ends its process without unloading our library first.
    static Bridge* bridge = new Bridge();
    return *bridge;
}

void Bridge::start(const Reference<uno::XComponentContext>& context) {
    {
        std::lock_guard lock(mutex_);
        if (phase_ != Phase::Idle) {
            return;
        }
        if (!hostsAddins()) {
            phase_ = Phase::Stopped;
            return;
        }
        phase_ = Phase::Running;
    }
    context_ = context;
    toolbars_ = std::make_unique<WriterToolbars>(context_);
    toolbars_->prepareProfile();
    model_.setObserver([this] { scheduleSync(); });
    thread_ = std::make_unique<AddinThread>();
    const auto registryDirectory = registry::defaultDirectory();
    thread_->post([this, registryDirectory] {
        host_ = std::make_unique<AddinHost>(*this, registryDirectory);
        host_->connectAll();
    });
}

void Bridge::windowsChanged() {
    if (toolbars_) {
        // The window is not fully set up while its events are sent: catch up after.
        scheduleSync();
    }
}

void Bridge::click(int buttonId) {
    {
        std::lock_guard lock(mutex_);
        if (phase_ != Phase::Running || busy_) {
            return;
        }
        busy_ = true;
    }
    // Like a modal dialog of Word's own: the windows take no input until the add-in is
    // done, yet they keep painting since this thread returns at once.
    toolbars_->setWindowsEnabled(false);
    thread_->post([this, buttonId] {
        host_->click(buttonId);
        runOnMainThread([this] {
            toolbars_->setWindowsEnabled(true);
            std::lock_guard lock(mutex_);
            busy_ = false;
        });
    });
}

void Bridge::addStatusListener(const Reference<frame::XStatusListener>& listener,
                               const util::URL& url) {
    {
        std::lock_guard lock(mutex_);
        listeners_.push_back({listener, url});
    }
    notifyStatus(model_.bars());
}

void Bridge::removeStatusListener(const Reference<frame::XStatusListener>& listener,
                                  const util::URL& url) {
    std::lock_guard lock(mutex_);
    std::erase_if(listeners_, [&](const Listener& l) {
        return l.listener == listener && l.url.Complete == url.Complete;
    });
}

bool Bridge::mayTerminate() {
    std::lock_guard lock(mutex_);
    switch (phase_) {
    case Phase::Idle:
    case Phase::Stopped:
        return true;
    case Phase::Stopping:
        return false;
    case Phase::Running:
        break;
    }
    if (busy_) {
        return false; // an add-in's dialog is open: it has to be closed first
    }
    phase_ = Phase::Stopping;
    // The add-ins may still call into the office while they disconnect, and this thread
    // holds the office's lock while the termination runs: disconnect them on their own
    // thread, then end the office again.
    thread_->post([this] {
        host_.reset();
        runOnMainThread([this] {
            {
                std::lock_guard relock(mutex_);
                phase_ = Phase::Stopped;
            }
            frame::Desktop::create(context_)->terminate();
        });
    });
    return false;
}

void Bridge::terminated() {
    if (thread_) {
        // Normally gone already (see mayTerminate); otherwise it goes on its own thread.
        thread_->post([this] { host_.reset(); });
    }
    if (toolbars_) {
        toolbars_->removeAll();
    }
    thread_.reset(); // its add-ins are gone; the thread ends its loop
    model_.setObserver(nullptr);
}

std::optional<std::string> Bridge::activeDocumentPath() {
    try {
        Reference<frame::XModel> document(frame::Desktop::create(context_)->getCurrentComponent(),
                                          UNO_QUERY);
        Reference<lang::XServiceInfo> info(document, UNO_QUERY);
        if (!info.is() || !info->supportsService("com.sun.star.text.TextDocument")) {
            return std::nullopt;
        }
        OUString path;
        if (document->getURL().isEmpty() ||
            osl::FileBase::getSystemPathFromFileURL(document->getURL(), path) !=
                osl::FileBase::E_None) {
            return std::string(); // never saved to a file
        }
        return toUtf8(path);
    } catch (const uno::Exception&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> Bridge::clipboardPicture() {
    return clipboardPicturePng();
}

void Bridge::scheduleSync() {
    if (!syncPending_.exchange(true)) {
        runOnMainThread([this] {
            syncPending_ = false;
            sync();
        });
    }
}

void Bridge::sync() {
    const auto bars = model_.bars();
    toolbars_->apply(bars);
    notifyStatus(bars);
}

void Bridge::notifyStatus(const std::vector<BarState>& bars) {
    std::vector<Listener> listeners;
    {
        std::lock_guard lock(mutex_);
        listeners = listeners_;
    }
    for (const auto& l : listeners) {
        const auto id = buttonFromCommand(toUtf8(l.url.Complete));
        bool enabled = false;
        for (const auto& bar : bars) {
            for (const auto& button : bar.buttons) {
                if (id && button.id == *id) {
                    enabled = button.enabled;
                }
            }
        }
        frame::FeatureStateEvent event;
        event.FeatureURL = l.url;
        event.IsEnabled = enabled;
        event.Requery = false;
        try {
            l.listener->statusChanged(event);
        } catch (const uno::Exception&) {
        }
    }
}

void Bridge::runOnMainThread(std::function<void()> task) {
    Reference<awt::XRequestCallback> callbacks = awt::AsyncCallback::create(context_);
    callbacks->addCallback(new MainThreadTask(std::move(task)), uno::Any());
}

} // namespace ostrel::bridge
