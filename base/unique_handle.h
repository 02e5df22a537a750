#pragma once
// One owner for one handle. Traits supply the handle type, its empty value and the release call:
//   struct BitmapTraits { using Type = HBITMAP; static Type empty() { return nullptr; }
//                         static void release(Type h) { DeleteObject(h); } };
#include <utility>

namespace qrl {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Type get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::empty(); }

    // Gives up ownership without releasing.
    Type release() noexcept { return std::exchange(handle_, Traits::empty()); }

    void reset(Type handle = Traits::empty()) noexcept {
        Type old = std::exchange(handle_, handle);
        if (old != Traits::empty()) Traits::release(old);
    }

private:
    Type handle_ = Traits::empty();
};

}  // namespace qrl
