#include "loader/WarningBox.h"

#include <windows.h>

namespace rakor {

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

void ShowWarningBox(const std::string& caption, const std::string& text) {
    // 0x30: MB_OK | MB_ICONEXCLAMATION; no owner window.
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace rakor
