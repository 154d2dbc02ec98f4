#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace gpu {

// COM-style intrusive reference count. Objects start at one reference, owned by the Ref that creation fills.
class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    std::uint32_t AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::uint32_t Release() {
        std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) lastReferenceGone();
        return left;
    }
    std::uint32_t refCount() const { return refs_.load(std::memory_order_relaxed); }
    // Adds a reference unless the last one has already gone (the object is being destroyed): for tables that
    // hand out live objects again without owning them.
    bool tryAddRef() {
        std::uint32_t count = refs_.load(std::memory_order_relaxed);
        while (count != 0) {
            if (refs_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel)) return true;
        }
        return false;
    }

protected:
    virtual ~RefCounted() = default;
    // The last reference went: objects that must outlive something else may defer their destruction.
    virtual void lastReferenceGone() { delete this; }

private:
    std::atomic<std::uint32_t> refs_{1};
};

// Owning pointer like ComPtr: copies add a reference, destruction releases one.
template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    Ref(const Ref& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <typename U>
    Ref(const Ref<U>& other) : p_(other.get()) {
        if (p_) p_->AddRef();
    }
    ~Ref() { reset(); }

    Ref& operator=(const Ref& other) {
        Ref(other).swap(*this);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept {
        Ref(std::move(other)).swap(*this);
        return *this;
    }
    Ref& operator=(std::nullptr_t) {
        reset();
        return *this;
    }

    // Takes over a reference the caller already holds (a freshly created object).
    static Ref adopt(T* p) {
        Ref r;
        r.p_ = p;
        return r;
    }
    // Adds a reference to a borrowed pointer.
    static Ref share(T* p) {
        if (p) p->AddRef();
        return adopt(p);
    }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    void swap(Ref& other) noexcept { std::swap(p_, other.p_); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }
    friend bool operator==(const Ref& a, std::nullptr_t) { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace gpu
