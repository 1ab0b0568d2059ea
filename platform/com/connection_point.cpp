#include "com/connection_point.h"

#include <algorithm>

namespace ostrel::com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& eventInterface)
    : container_(container), iid_(eventInterface) {
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppvObject = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (pIID == nullptr) {
        return E_POINTER;
    }
    *pIID = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (ppCPC == nullptr) {
        return E_POINTER;
    }
    *ppCPC = &container_;
    container_.AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (pdwCookie == nullptr) {
        return E_POINTER;
    }
    *pdwCookie = 0;
    if (pUnkSink == nullptr) {
        return E_POINTER;
    }
    IUnknown* sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(iid_, reinterpret_cast<void**>(&sink))) ||
        sink == nullptr) {
        return CONNECT_E_CANNOTCONNECT;
    }
    const std::lock_guard lock(mutex_);
    const DWORD cookie = nextCookie_++;
    sinks_.emplace_back(cookie, ComPtr<IUnknown>::attach(sink));
    *pdwCookie = cookie;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD dwCookie) {
    ComPtr<IUnknown> released; // released after the lock, in case the sink calls back
    {
        const std::lock_guard lock(mutex_);
        const auto it = std::find_if(sinks_.begin(), sinks_.end(),
                                     [&](const auto& entry) { return entry.first == dwCookie; });
        if (it == sinks_.end()) {
            return CONNECT_E_NOCONNECTION;
        }
        released = std::move(it->second);
        sinks_.erase(it);
    }
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IUnknown** ppEnum) {
    if (ppEnum != nullptr) {
        *ppEnum = nullptr;
    }
    return E_NOTIMPL;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::sinks() const {
    const std::lock_guard lock(mutex_);
    std::vector<ComPtr<IUnknown>> out;
    out.reserve(sinks_.size());
    for (const auto& entry : sinks_) {
        out.push_back(entry.second);
    }
    return out;
}

std::vector<ComPtr<IDispatch>> ConnectionPoint::dispatchSinks() const {
    std::vector<ComPtr<IDispatch>> out;
    for (const auto& sink : sinks()) {
        // The sink was asked for the event dispinterface, whose table is IDispatch's.
        out.emplace_back(static_cast<IDispatch*>(sink.get()));
    }
    return out;
}

void ConnectionPoint::unadviseAll() {
    std::vector<std::pair<DWORD, ComPtr<IUnknown>>> released;
    {
        const std::lock_guard lock(mutex_);
        released.swap(sinks_);
    }
}

} // namespace ostrel::com
