#pragma once

// The loader's two changes to the game's code, written when the library is
// attached to the game's process. Windows only.
namespace rakor {

// Checks every byte it will change: that the game's call at 0x6660C0 is the
// call of 0x664780 that the loader takes over, and that the six bytes at
// 0x50264A are the game's own (or the no-operations an earlier load wrote).
// Then it keeps the library loaded for good and writes both patches: that
// call aimed at ApplyModsHook, then six no-operations at 0x50264A. When a
// check fails, or the library cannot be kept or the call cannot be written,
// it writes nothing, says why in the log (the bytes found and those
// expected) and leaves the game to run unmodified. True when both patches are in place. Either way
// the log gets one line about it, which names the loader's version.
bool InstallPatches() noexcept;

// A five-byte relative call of `target` (0xE8 and the distance from the end
// of the call) at `at`. False, and nothing written, when the code cannot be
// made writable.
bool WriteCall(void* at, const void* target) noexcept;

// Six 0x90 bytes at `at`. False, and nothing written, when the code cannot be
// made writable.
bool WriteNops6(void* at) noexcept;

}  // namespace rakor
