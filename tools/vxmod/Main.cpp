// vxmod: runs and checks mod scripts without the game.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CheckCommand.h"
#include "DiffCommand.h"
#include "ExitStatus.h"
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
    }
    return vxmod::ExitStatus::kUnusable;
}

}  // namespace

int main(int argc, char** argv) {
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
