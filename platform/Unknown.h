// Reference-counted interfaces: the IUnknown base, a counting implementation and a smart pointer.
#pragma once

#include "platform/Guid.h"
#include "platform/HResult.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace zarvo {

inline constexpr GUID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class IUnknown {
public:
    static constexpr const GUID& kIid = IID_IUnknown;

    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// Implements IUnknown for one interface; the object deletes itself when the last reference goes.
// A new object starts with one reference, owned by whoever created it.
template <typename Interface> class RefCounted : public Interface {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, Interface::kIid)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++references_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~RefCounted() = default;

private:
    std::atomic<std::uint32_t> references_{1};
};

// Owns one reference to an interface and releases it on every way out.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(T* owned) noexcept : pointer_(owned) {}
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    T& operator*() const noexcept { return *pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    void Reset(T* owned = nullptr) noexcept {
        if (T* old = std::exchange(pointer_, owned))
            old->Release();
    }
    // Releases the current reference and hands out the slot for an out-parameter.
    void** PutVoid() noexcept {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }

private:
    T* pointer_ = nullptr;
};

} // namespace zarvo
