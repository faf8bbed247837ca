// Prints the parser's command table, one command a line: its word, then
// "action" when the line becomes an action or "no-effect" for the words that
// are accepted and do nothing. The editor tests hold the editors' files
// against it, so that they name exactly the words the loader accepts.
#include <cstdio>

#include "automation/CommandParser.h"

int main() {
    for (const auto& command : rakor::Attrib::Automation::Commands()) {
        std::printf("%.*s %s\n", static_cast<int>(command.word.size()), command.word.data(),
                    command.BuildsAction() ? "action" : "no-effect");
    }
    return 0;
}
