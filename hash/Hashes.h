#pragma once

#include <cstdint>
#include <string>

#include "hash/DefHasher.h"
#include "hash/Hash.h"
#include "hash/HashResolver.h"
#include "hash/StringHasher.h"

namespace rakor::Attrib {

using Hash32 = autohash::Hash<std::string, uint32_t, StringHasher, HashResolver>;
using Hash64 = autohash::Hash<std::string, uint64_t, autohash::DefHasher<std::string, uint64_t>,
                              autohash::DefHashResolver<std::string, uint64_t>>;

static_assert(sizeof(Hash32) == 4, "a Hash32 is stored in host memory as one 32-bit word");
static_assert(sizeof(Hash64) == 8, "a Hash64 is stored in host memory as one 64-bit word");

}  // namespace rakor::Attrib
