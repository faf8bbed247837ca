#include "DiffCommand.h"

namespace vxmod {

int RunDiffCommand(const DiffOptions&, std::ostream&, std::ostream&) {
    return 2;
}

}  // namespace vxmod
