#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Generated inputs at the scale of a large mod pack: a described database of a
// few thousand collections, a script in the mix such packs have, and a hash
// list. Everything is deterministic (a fixed seed and the standard's own
// mt19937 sequence), so every run and every machine measures the same text.
namespace vexa::bench {

struct WorkloadShape {
    // Collections of the database: car brands and models, engines, tyres.
    int brands = 40;
    int modelsPerBrand = 50;
    int engines = 500;
    int tyres = 500;
};

// The names the script refers to, in the order the database declares them.
struct DatabaseNames {
    std::vector<std::string> brands;  // class "car", children of "default"
    std::vector<std::string> models;  // class "car", children of a brand; each owns its arrays
    std::vector<std::string> engines;
    std::vector<std::string> tyres;

    std::size_t Collections() const;
};

DatabaseNames MakeDatabaseNames(const WorkloadShape& shape = {});

// The database in the description format that `vxmod run --db` reads.
std::string MakeDatabaseJson(const DatabaseNames& names);

// A script of `lines` lines: about 60% plain update_field lines, 15% array
// elements, 15% members of structured values, 5% add_node, 3% resize_field and
// 2% comments and blank lines. Lines name layout fields, own entries and
// fields inherited from one and two parents, and the collections earlier
// add_node lines made. As in a pack, a collection's lines come in runs of one
// to eight, and a new collection's lines follow its add_node. About one line
// in a thousand fails as a modder's slip would, and `failingPerThousand` more
// fail in every way a line can (no class, no collection, no field, an element
// beyond the array, a value that cannot be read, no such member, a field that
// is no array), as in a pack for cars or a game version that is not there.
std::string MakeScript(const DatabaseNames& names, int lines, int failingPerThousand = 0,
                       unsigned seed = 9);

// `count` distinct names of the kind a hash list holds (about 20 characters on
// average), one a line.
std::string MakeHashList(int count, unsigned seed = 7);

}  // namespace vexa::bench
