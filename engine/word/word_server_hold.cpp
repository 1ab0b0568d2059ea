#include "word_server_hold.h"

#include "word_automation.h"
#include "word_registration.h"

#include <QString>

namespace ostrel::word {

ServerHold::ServerHold() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ensureServerRegistered();
    const QString name = QString::fromLatin1(kProgId);
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(name.utf16()), &clsid))) {
        return;
    }
    com::ComPtr<IClassFactory> factory;
    if (SUCCEEDED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                   factory.putVoid())) &&
        factory && SUCCEEDED(factory->LockServer(TRUE))) {
        factory_ = std::move(factory);
    }
}

ServerHold::~ServerHold() {
    if (factory_) {
        factory_->LockServer(FALSE);
    }
}

} // namespace ostrel::word
