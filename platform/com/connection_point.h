// Connection points: how an object offers events and how sinks subscribe to them.
//
// ConnectionPoint is a part of its container object (it shares the container's
// reference count), holds the advised sinks with their cookies and hands them out for
// firing. ConnectableObject<I...> is an object that offers IConnectionPointContainer
// besides I... and owns one ConnectionPoint per event interface:
//
//     class Button final : public ConnectableObject<IDispatch> {
//     public:
//         Button() { clicks_ = &addConnectionPoint(DIID_ButtonEvents); }
//         void click() {
//             for (const auto& sink : clicks_->dispatchSinks()) {
//                 std::vector<Variant> args{...};
//                 invokeMethod(sink.get(), 1, args);
//             }
//         }
//         ...
//     private:
//         ConnectionPoint* clicks_;
//     };
//
// Advise asks the sink for the event interface (a dispinterface sink answers its
// IDispatch) and answers CONNECT_E_CANNOTCONNECT when it has none; Unadvise of an
// unknown cookie answers CONNECT_E_NOCONNECTION. Cookies start at 1 and are not reused.
#pragma once

#include "com/com.h"
#include "com/comptr.h"
#include "com/object.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace ostrel::com {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, const IID& eventInterface);
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint() = default;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override { return container_.AddRef(); }
    ULONG Release() override { return container_.Release(); }

    HRESULT GetConnectionInterface(IID* pIID) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT Unadvise(DWORD dwCookie) override;
    HRESULT EnumConnections(IUnknown** ppEnum) override;

    const IID& eventInterface() const { return iid_; }
    // The sinks advised now (each the pointer to the event interface), for firing:
    // a snapshot, so a sink may unadvise while it is being called.
    std::vector<ComPtr<IUnknown>> sinks() const;
    // The same, for dispinterface events, whose sinks are IDispatch.
    std::vector<ComPtr<IDispatch>> dispatchSinks() const;
    // Drops every sink (the container is going away).
    void unadviseAll();

private:
    IConnectionPointContainer& container_;
    IID iid_;
    mutable std::mutex mutex_;
    DWORD nextCookie_ = 1;
    std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
};

template <class... Interfaces>
class ConnectableObject : public Implements<IConnectionPointContainer, Interfaces...> {
public:
    HRESULT EnumConnectionPoints(IUnknown** ppEnum) override {
        if (ppEnum != nullptr) {
            *ppEnum = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
        if (ppCP == nullptr) {
            return E_POINTER;
        }
        *ppCP = nullptr;
        for (const auto& point : points_) {
            if (point->eventInterface() == riid) {
                *ppCP = point.get();
                point->AddRef();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }

protected:
    ~ConnectableObject() override {
        for (const auto& point : points_) {
            point->unadviseAll();
        }
    }

    ConnectionPoint& addConnectionPoint(const IID& eventInterface) {
        points_.push_back(std::make_unique<ConnectionPoint>(
            *static_cast<IConnectionPointContainer*>(this), eventInterface));
        return *points_.back();
    }

private:
    std::vector<std::unique_ptr<ConnectionPoint>> points_;
};

} // namespace ostrel::com
