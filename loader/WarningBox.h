#pragma once

#include <string>

namespace rakor {

// The game's warning: a message box with one OK button and the exclamation
// icon that blocks until it is closed. Caption and text are UTF-8 (display
// paths may hold any character) and go to the wide box call as UTF-16, so a
// path such as "AttribMods/Über.vxmod" shows as written. Windows only.
void ShowWarningBox(const std::string& caption, const std::string& text);

// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD. Windows only.
std::wstring WideFromUtf8(const std::string& text);

}  // namespace rakor
