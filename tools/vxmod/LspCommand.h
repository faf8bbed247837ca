#pragma once

#include <cstdio>

#include "Arguments.h"

namespace vxmod {

// `vxmod lsp`: a language server on `input` and `output` (standard input and
// output), the review's language services behind the protocol. Returns the
// exit status: 0 after the client's shutdown and exit, 1 otherwise.
int RunLspCommand(const LspOptions& options, std::FILE* input, std::FILE* output);

}  // namespace vxmod
