// The office extension's UNO components: a job that the office runs at its start and
// whenever a window opens (it starts the bridge and shows the add-ins' toolbars), the
// handler of our buttons' commands (vnd.ostrel.addin:), and the listener that lets the
// add-ins disconnect before the office ends.
#include "bridge.h"
#include "command_bars.h"
#include "uno_text.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/TerminationVetoException.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XTerminateListener.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>
#include <cppuhelper/implbase4.hxx>
#include <cppuhelper/implementationentry.hxx>
#include <cppuhelper/supportsservice.hxx>

namespace {

using namespace com::sun::star;
using ostrel::bridge::Bridge;
using uno::Reference;
using uno::Sequence;

constexpr const char* kJobName = "com.ostrel.kestrine.AddinBridgeJob";
constexpr const char* kCommandsName = "com.ostrel.kestrine.AddinCommands";

Sequence<OUString> oneName(const char* name) {
    const OUString text = OUString::createFromAscii(name);
    return Sequence<OUString>(&text, 1);
}

class TerminationListener : public cppu::WeakImplHelper1<frame::XTerminateListener> {
public:
    void SAL_CALL queryTermination(const lang::EventObject&) override {
        if (!Bridge::instance().mayTerminate()) {
            throw frame::TerminationVetoException();
        }
    }
    void SAL_CALL notifyTermination(const lang::EventObject&) override {
        Bridge::instance().terminated();
    }
    void SAL_CALL disposing(const lang::EventObject&) override {}
};

class AddinBridgeJob : public cppu::WeakImplHelper2<task::XJob, lang::XServiceInfo> {
public:
    explicit AddinBridgeJob(Reference<uno::XComponentContext> context)
        : context_(std::move(context)) {}

    uno::Any SAL_CALL execute(const Sequence<beans::NamedValue>&) override {
        static bool listening = false;
        Bridge& bridge = Bridge::instance();
        bridge.start(context_);
        if (!listening) {
            frame::Desktop::create(context_)->addTerminateListener(new TerminationListener());
            listening = true;
        }
        bridge.windowsChanged();
        return uno::Any();
    }

    OUString SAL_CALL getImplementationName() override {
        return OUString::createFromAscii(kJobName);
    }
    sal_Bool SAL_CALL supportsService(const OUString& name) override {
        return cppu::supportsService(this, name);
    }
    Sequence<OUString> SAL_CALL getSupportedServiceNames() override { return oneName(kJobName); }

private:
    Reference<uno::XComponentContext> context_;
};

class AddinCommands : public cppu::WeakImplHelper4<frame::XDispatchProvider, frame::XDispatch,
                                                   lang::XInitialization, lang::XServiceInfo> {
public:
    void SAL_CALL initialize(const Sequence<uno::Any>&) override {}

    Reference<frame::XDispatch> SAL_CALL queryDispatch(const util::URL& url, const OUString&,
                                                       sal_Int32) override {
        if (ostrel::bridge::buttonFromCommand(ostrel::bridge::toUtf8(url.Complete))) {
            return this;
        }
        return {};
    }
    Sequence<Reference<frame::XDispatch>>
        SAL_CALL queryDispatches(const Sequence<frame::DispatchDescriptor>& requests) override {
        Sequence<Reference<frame::XDispatch>> result(requests.getLength());
        auto* out = result.getArray();
        for (sal_Int32 i = 0; i < requests.getLength(); ++i) {
            out[i] = queryDispatch(requests[i].FeatureURL, requests[i].FrameName,
                                   requests[i].SearchFlags);
        }
        return result;
    }

    void SAL_CALL dispatch(const util::URL& url, const Sequence<beans::PropertyValue>&) override {
        if (const auto id =
                ostrel::bridge::buttonFromCommand(ostrel::bridge::toUtf8(url.Complete))) {
            Bridge::instance().click(*id);
        }
    }
    void SAL_CALL addStatusListener(const Reference<frame::XStatusListener>& listener,
                                    const util::URL& url) override {
        Bridge::instance().addStatusListener(listener, url);
    }
    void SAL_CALL removeStatusListener(const Reference<frame::XStatusListener>& listener,
                                       const util::URL& url) override {
        Bridge::instance().removeStatusListener(listener, url);
    }

    OUString SAL_CALL getImplementationName() override {
        return OUString::createFromAscii(kCommandsName);
    }
    sal_Bool SAL_CALL supportsService(const OUString& name) override {
        return cppu::supportsService(this, name);
    }
    Sequence<OUString> SAL_CALL getSupportedServiceNames() override {
        return oneName("com.sun.star.frame.ProtocolHandler");
    }
};

Reference<uno::XInterface> SAL_CALL createJob(const Reference<uno::XComponentContext>& context) {
    return static_cast<cppu::OWeakObject*>(new AddinBridgeJob(context));
}
OUString SAL_CALL jobName() {
    return OUString::createFromAscii(kJobName);
}
Sequence<OUString> SAL_CALL jobServices() {
    return oneName(kJobName);
}

Reference<uno::XInterface> SAL_CALL createCommands(const Reference<uno::XComponentContext>&) {
    return static_cast<cppu::OWeakObject*>(new AddinCommands());
}
OUString SAL_CALL commandsName() {
    return OUString::createFromAscii(kCommandsName);
}
Sequence<OUString> SAL_CALL commandsServices() {
    return oneName("com.sun.star.frame.ProtocolHandler");
}

const cppu::ImplementationEntry kEntries[] = {
    {createJob, jobName, jobServices, cppu::createSingleComponentFactory, nullptr, 0},
    {createCommands, commandsName, commandsServices, cppu::createSingleComponentFactory, nullptr,
     0},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0},
};

} // namespace

extern "C" SAL_DLLPUBLIC_EXPORT void*
component_getFactory(const char* implementationName, void* serviceManager, void* registryKey) {
    return cppu::component_getFactoryHelper(implementationName, serviceManager, registryKey,
                                            kEntries);
}
