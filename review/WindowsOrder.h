#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vxmod {

// The game runs on Windows, where a folder on an NTFS drive lists its entries
// sorted by name: compared as UTF-16 code units after each is upper-cased
// (the drive's upper-case table: a-z and the letters of Latin, Greek and
// Cyrillic that have a capital). Other systems list in their own order;
// sorting the same way everywhere makes vxmod run scripts in the game's order.
void SortAsWindowsLists(std::vector<std::filesystem::directory_entry>& entries);

// The name as NTFS compares it: UTF-16, upper-cased code unit by code unit.
// A byte that is not UTF-8 (on systems whose names are bytes) is kept as a
// code unit of its own, so that the order stays total.
std::u16string WindowsSortKey(const std::filesystem::path& name);

}  // namespace vxmod
