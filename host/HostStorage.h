#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

// Values in the host's memory are read and written only by copying bytes.
// The host aligns its storage to 4 bytes at most (one- and two-byte array
// elements to less), while a compiler may give a type a stricter alignment
// than that: MinGW aligns 64-bit members, and so the structures holding a
// 64-bit hash, to 8. Dereferencing a T* into host memory would then be a
// misaligned access, which the compiler is free to turn into a fault.
namespace rakor::Host {

template <typename T>
T LoadFrom(const void* address) {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, address, sizeof(T));
    return value;
}

template <typename T>
void StoreTo(void* address, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(address, &value, sizeof(T));
}

// The address `offset` bytes past `address`, as an untyped address again.
inline void* ByteOffset(void* address, std::size_t offset) {
    return static_cast<std::byte*>(address) + offset;
}

}  // namespace rakor::Host
