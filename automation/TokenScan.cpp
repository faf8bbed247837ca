#include "automation/TokenScan.h"

namespace rakor::Attrib::Automation {

bool CanScanTokensInWindows() {
#if defined(VEXA_TOKEN_SCAN_SSE2) && defined(__GNUC__)
    static const bool sse2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return sse2;
#elif defined(VEXA_TOKEN_SCAN_SSE2)
    return true;  // code from MSVC for x86 needs SSE2 itself
#else
    return false;
#endif
}

}  // namespace rakor::Attrib::Automation
