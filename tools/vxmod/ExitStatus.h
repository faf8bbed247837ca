#pragma once

// What vxmod's exit status says, for every command.
namespace vxmod::ExitStatus {

inline constexpr int kClean = 0;
// run: a line failed; check: an error was found; diff: the script leaves out
// a change that no script can make.
inline constexpr int kFindings = 1;
// The command line, a database file or a folder could not be used.
inline constexpr int kUnusable = 2;

}  // namespace vxmod::ExitStatus
