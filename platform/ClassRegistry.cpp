// The process-wide list of registered class factories.
#include "platform/ClassRegistry.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace zarvo {
namespace {

struct Registration {
    std::uint64_t id;
    GUID clsid;
    ClassFactory factory;
};

// Components may be created on several threads at once, and registered or revoked meanwhile.
struct Registry {
    std::mutex mutex;
    std::uint64_t lastId = 0;
    std::vector<Registration> registrations;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

ClassRegistration RegisterClassFactory(const GUID& clsid, ClassFactory factory) {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.registrations.push_back({++registry.lastId, clsid, std::move(factory)});
    return ClassRegistration(registry.lastId);
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
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    std::erase_if(registry.registrations, [id = id_](const Registration& r) { return r.id == id; });
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
    ClassFactory factory;
    {
        Registry& registry = TheRegistry();
        const std::lock_guard lock(registry.mutex);
        const auto& all = registry.registrations;
        const auto newest = std::find_if(all.rbegin(), all.rend(), [&](const Registration& r) {
            return IsEqualGUID(r.clsid, clsid);
        });
        if (newest == all.rend())
            return REGDB_E_CLASSNOTREG;
        factory = newest->factory;
    }
    // Called unlocked: a factory may create other components, or take its time.
    return factory(iid, object);
}

} // namespace zarvo
