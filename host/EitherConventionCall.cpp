#include "host/EitherConventionCall.h"

#if defined(_MSC_VER) && !defined(__clang__)

namespace rakor::Host {

// The same instructions as the GCC version below, in MSVC's syntax.
__declspec(naked) uint32_t CallEitherConvention(uintptr_t, uint32_t, uint32_t) noexcept {
    __asm {
        push ebp
        mov  ebp, esp
        push dword ptr [ebp + 16]
        push dword ptr [ebp + 12]
        call dword ptr [ebp + 8]
        mov  esp, ebp
        pop  ebp
        ret
    }
}

}  // namespace rakor::Host

#else

// cdecl: the caller pops the three words it passed to this function.
extern "C" uint32_t VexaCallEitherConvention(uintptr_t function, uint32_t first,
                                             uint32_t second) asm("vexa_call_either_convention");

asm(R"(
    .text
    .globl vexa_call_either_convention
vexa_call_either_convention:
    pushl %ebp              # EBP is kept by every x86 convention: it holds
    movl  %esp, %ebp        #   the stack pointer across the host's function
    pushl 16(%ebp)          # second word
    pushl 12(%ebp)          # first word (with the caller's 16-byte alignment,
                            #   the host's function is entered aligned too)
    call  *8(%ebp)          # the host's function; it may pop the words or not
    movl  %ebp, %esp        # the stack as before the two pushes, either way
    popl  %ebp
    ret                     # EAX: the host's result
)");

namespace rakor::Host {

uint32_t CallEitherConvention(uintptr_t function, uint32_t first, uint32_t second) noexcept {
    return VexaCallEitherConvention(function, first, second);
}

}  // namespace rakor::Host

#endif
