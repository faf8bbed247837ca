// vxmod: runs and checks mod scripts without the game.
#include <exception>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#include <iostream>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CheckCommand.h"
#include "DiffCommand.h"
#include "ExitStatus.h"
#include "LspCommand.h"
#include "RunCommand.h"
#include "ShowCommand.h"
#include "loader/Version.h"

namespace {

int Dispatch(const vxmod::Invocation& invocation) {
    using Action = vxmod::Invocation::Action;
    switch (invocation.action) {
        case Action::ShowHelp:
            std::cout << vxmod::HelpText(invocation.helpTopic);
            return 0;
        case Action::ShowVersion:
            // vxmod runs the loader's own code: it is that version of the loader.
            std::cout << "vxmod " << rakor::kProductVersion << " (" << rakor::kProductName << ' '
                      << rakor::kProductVersion << ")\n";
            return 0;
        case Action::Run:
            return vxmod::RunRunCommand(invocation.run, std::cout, std::cerr);
        case Action::Check:
            return vxmod::RunCheckCommand(invocation.check, std::cout, std::cerr);
        case Action::Diff:
            return vxmod::RunDiffCommand(invocation.diff, std::cout, std::cerr);
        case Action::Show:
            return vxmod::RunShowCommand(invocation.show, std::cout, std::cerr);
        case Action::Lsp:
            return vxmod::RunLspCommand(invocation.lsp, stdin, stdout);
    }
    return vxmod::ExitStatus::kUnusable;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Bytes as they are: a message's length counts them, and the language
    // server's messages would grow by every line feed turned into CR LF.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // Unbuffered, so that counts and diagnostics come out in the order they
    // were written when both streams go to one terminal or file.
    std::cout << std::unitbuf;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        return Dispatch(vxmod::ParseArguments(arguments));
    } catch (const vxmod::UsageError& error) {
        const std::string help =
            error.Command().empty() ? "vxmod --help" : "vxmod " + error.Command() + " --help";
        std::cerr << "vxmod: " << error.what() << "\nTry '" << help << "' for more.\n";
        return vxmod::ExitStatus::kUnusable;
    } catch (const std::exception& error) {
        // Every failure vxmod knows of has its own message; this is one it does not.
        std::cerr << "vxmod: stopped by an unexpected error, which is a fault in vxmod (please "
                     "report it): "
                  << error.what() << '\n';
        return vxmod::ExitStatus::kUnusable;
    }
}
