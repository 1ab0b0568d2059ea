#include "type_library.h"

#include "addin_module.h"

#include "com/guid.h"
#include "com/object.h"
#include "registry/registry.h"

#include <algorithm>

namespace kestrine {
namespace {

// Type information handed to clients. Nothing in the system reads more of it than its
// existence; it keeps the library loaded while a client holds it.
class InterfaceTypeInfo final : public ostrel::com::Implements<ITypeInfo> {
private:
    ostrel::com::ModuleLock lock_{AddinModule::instance().count()};
};

} // namespace

HRESULT TypeInfoHolder::load() {
    if (!loaded_) {
        const ostrel::registry::Registry registry;
        const std::string key = "TypeLib\\" + ostrel::com::guidToString(libid_) + "\\1.0";
        if (!registry.keyExists(ostrel::registry::Hive::ClassesRoot, key)) {
            return TYPE_E_LIBNOTREGISTERED;
        }
        loaded_ = true;
    }
    return S_OK;
}

HRESULT TypeInfoHolder::getTypeInfoCount(UINT* count) const {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT TypeInfoHolder::getTypeInfo(UINT index, ITypeInfo** info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    *info = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    if (const HRESULT h = load(); FAILED(h)) {
        return h;
    }
    *info = ostrel::com::make<InterfaceTypeInfo>().detach();
    return *info == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT TypeInfoHolder::getIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, DISPID* ids) {
    if (riid != GUID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if ((count > 0 && names == nullptr) || (count > 0 && ids == nullptr)) {
        return E_POINTER;
    }
    if (const HRESULT h = load(); FAILED(h)) {
        return h;
    }
    std::fill_n(ids, count, DISPID_UNKNOWN);
    if (count == 0) {
        return S_OK;
    }
    const QString wanted = QString::fromUtf16(names[0]);
    const auto found = std::ranges::find_if(members_, [&](const DispatchMember& member) {
        return wanted.compare(QString::fromUtf16(member.name), Qt::CaseInsensitive) == 0;
    });
    if (found == members_.end()) {
        return DISP_E_UNKNOWNNAME;
    }
    ids[0] = found->id;
    // Our members take no named arguments.
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT TypeInfoHolder::prepareInvoke(REFIID riid, DISPID member) {
    if (riid != GUID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (const HRESULT h = load(); FAILED(h)) {
        return h;
    }
    const bool known = std::ranges::any_of(
        members_, [&](const DispatchMember& entry) { return entry.id == member; });
    return known ? S_OK : DISP_E_MEMBERNOTFOUND;
}

} // namespace kestrine
