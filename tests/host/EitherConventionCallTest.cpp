#include <cstdint>

#include <gtest/gtest.h>

#include "host/EitherConventionCall.h"

// The host's functions without a this-object may pop their arguments or leave
// them to the caller: the call must leave the stack where it was either way.
namespace rakor::Host {
namespace {

#if defined(__GNUC__)
#define TEST_STDCALL __attribute__((stdcall))
#define TEST_CDECL __attribute__((cdecl))
#else
#define TEST_STDCALL __stdcall
#define TEST_CDECL __cdecl
#endif

uint32_t TEST_CDECL CallerPops(uint32_t first, uint32_t second) {
    return first * 31 + second;
}
uint32_t TEST_STDCALL CalleePops(uint32_t first, uint32_t second) {
    return first * 31 + second;
}
uint32_t TEST_STDCALL CalleePopsOneWord(uint32_t only) {
    return only ^ 0xA5A5A5A5u;
}

#if defined(__GNUC__)
uint32_t StackPointer() {
    uint32_t pointer = 0;
    asm volatile("movl %%esp, %0" : "=r"(pointer));
    return pointer;
}
#endif

TEST(EitherConventionCall, KeepsTheStackWhicheverSidePops) {
    struct Case {
        const char* name;
        uintptr_t function;
        uint32_t expected;
    };
    const Case cases[] = {
        {"caller pops", reinterpret_cast<uintptr_t>(&CallerPops), 7 * 31 + 9},
        {"callee pops", reinterpret_cast<uintptr_t>(&CalleePops), 7 * 31 + 9},
        {"callee pops one word", reinterpret_cast<uintptr_t>(&CalleePopsOneWord), 7 ^ 0xA5A5A5A5u},
    };
    for (const Case& c : cases) {
#if defined(__GNUC__)
        const uint32_t before = StackPointer();
#endif
        // A stack left 8 bytes off per call would run out of this frame at once.
        for (int i = 0; i < 100000; ++i) {
            ASSERT_EQ(CallEitherConvention(c.function, 7, 9), c.expected) << c.name;
        }
#if defined(__GNUC__)
        EXPECT_EQ(StackPointer(), before) << c.name;
#endif
    }
}

}  // namespace
}  // namespace rakor::Host
