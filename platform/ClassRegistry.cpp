// The process-wide list of registered class factories.
#include "platform/ClassRegistry.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct Registration {
    std::uint64_t id;
    GUID clsid;
    ClassFactory factory;
};

std::vector<Registration>& Registrations() {
    static std::vector<Registration> registrations;
    return registrations;
}

} // namespace

ClassRegistration RegisterClassFactory(const GUID& clsid, ClassFactory factory) {
    static std::uint64_t lastId = 0;
    Registrations().push_back({++lastId, clsid, std::move(factory)});
    return ClassRegistration(lastId);
}

ClassRegistration::ClassRegistration(ClassRegistration&& other) noexcept
    : id_(std::exchange(other.id_, 0)) {}

ClassRegistration& ClassRegistration::operator=(ClassRegistration&& other) noexcept {
    if (this != &other) {
        Revoke();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

ClassRegistration::~ClassRegistration() {
    Revoke();
}

void ClassRegistration::Revoke() noexcept {
    if (id_ == 0)
        return;
    std::erase_if(Registrations(), [id = id_](const Registration& r) { return r.id == id; });
    id_ = 0;
}

HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, std::uint32_t context, const GUID& iid,
                         void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    if ((context & CLSCTX_INPROC) == 0)
        return REGDB_E_CLASSNOTREG;
    const auto& all = Registrations();
    const auto newest = std::find_if(all.rbegin(), all.rend(), [&](const Registration& r) {
        return IsEqualGUID(r.clsid, clsid);
    });
    if (newest == all.rend())
        return REGDB_E_CLASSNOTREG;
    return newest->factory(iid, object);
}
