// Creation of components by class identifier, through factories registered at run time.
#pragma once

#include "platform/Guid.h"
#include "platform/HResult.h"
#include "platform/Unknown.h"

#include <cstdint>
#include <functional>

namespace zarvo {

inline constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
inline constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr std::uint32_t CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// Creates a new object and stores a reference to its interface `iid` in *object.
using ClassFactory = std::function<HRESULT(const GUID& iid, void** object)>;

// Keeps a factory registered for as long as it lives; the newest registration of a class wins.
class ClassRegistration {
public:
    ClassRegistration() = default;
    ClassRegistration(ClassRegistration&& other) noexcept;
    ClassRegistration& operator=(ClassRegistration&& other) noexcept;
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration();

private:
    friend ClassRegistration RegisterClassFactory(const GUID& clsid, ClassFactory factory);
    explicit ClassRegistration(std::uint64_t id) noexcept : id_(id) {}
    void Revoke() noexcept;

    std::uint64_t id_ = 0;
};

[[nodiscard]] ClassRegistration RegisterClassFactory(const GUID& clsid, ClassFactory factory);

// Creates an instance of the class `clsid`; REGDB_E_CLASSNOTREG when no factory is registered.
HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, std::uint32_t context, const GUID& iid,
                         void** object);

} // namespace zarvo
