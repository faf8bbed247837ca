#include "BenchmarkDatabase.h"

#include "sandbox/DatabaseDescription.h"
#include "sandbox/OrderedJson.h"

namespace vexa::bench {

void LiveDatabase::Rebuild() {
    static const nlohmann::ordered_json description =
        rakor::Sandbox::ParseOrderedJson(MakeDatabaseJson(names));
    database.reset();
    database = std::make_unique<rakor::Sandbox::Database>();
    rakor::Sandbox::LoadDescription(*database, description);
}

}  // namespace vexa::bench
