#include "GameOptions.h"

#include <cwchar>

namespace sandbox_game {
namespace {

constexpr int kMaxPasses = 1000;

std::string Narrow(const std::wstring& text) {
    return std::filesystem::path(text).string();
}

int ReadPasses(const std::wstring& option, const std::wstring& text) {
    wchar_t* end = nullptr;
    const long passes = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || passes < 0 || passes > kMaxPasses) {
        throw UsageError(Narrow(option) + " wants a whole number from 0 to 1000, not '" +
                         Narrow(text) + "'");
    }
    return static_cast<int>(passes);
}

// NAME=KIND
void ReadClassFault(const std::wstring& text, GameOptions& options) {
    const std::size_t equals = text.find(L'=');
    const std::wstring kind = equals == std::wstring::npos ? L"" : text.substr(equals + 1);
    if (kind == L"bad-pointer") {
        options.classFault = ClassFault::BadPointer;
    } else if (kind == L"guard-page") {
        options.classFault = ClassFault::GuardPage;
    } else if (kind == L"in-game") {
        options.classFault = ClassFault::InGameCode;
    } else {
        throw UsageError(
            "--fault-class wants NAME=bad-pointer, NAME=guard-page or NAME=in-game, "
            "not '" +
            Narrow(text) + "'");
    }
    options.faultClass = Narrow(text.substr(0, equals));
}

}  // namespace

GameOptions ParseGameOptions(std::span<const std::wstring> arguments) {
    GameOptions options;
    bool folderGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const auto value = [&]() -> const std::wstring& {
            if (i + 1 == arguments.size()) {
                throw UsageError(Narrow(argument) + " needs a value");
            }
            return arguments[++i];
        };
        if (argument == L"--help" || argument == L"-h") {
            options.help = true;
        } else if (argument == L"--dll") {
            options.dll = value();
        } else if (argument == L"--db") {
            options.database = value();
        } else if (argument == L"--dump") {
            options.dump = value();
        } else if (argument == L"--passes") {
            options.passes = ReadPasses(argument, value());
        } else if (argument == L"--occupy-preferred-base") {
            options.occupyPreferredBase = true;
        } else if (argument == L"--unsupported-version") {
            options.unsupportedVersion = true;
        } else if (argument == L"--entry-reasons") {
            options.entryReasons = true;
        } else if (argument == L"--free-library") {
            options.freeLibrary = true;
        } else if (argument == L"--run-in") {
            options.runIn = value();
        } else if (argument == L"--own-folder-before-pass") {
            options.ownFolderBeforePass = true;
        } else if (argument == L"--load-before") {
            options.loadBefore.emplace_back(value());
        } else if (argument == L"--load-after") {
            options.loadAfter.emplace_back(value());
        } else if (argument == L"--second-copy") {
            options.secondCopy = value();
        } else if (argument == L"--fault-class") {
            ReadClassFault(value(), options);
        } else if (argument == L"--pass-stack") {
            options.passStackKilobytes = ReadPasses(argument, value());
        } else if (argument == L"--null-database-passes") {
            options.nullDatabasePasses = ReadPasses(argument, value());
        } else if (argument == L"--hold-log") {
            options.held.emplace_back(L"VexaAttribLoader.Tormelin.log");
        } else if (argument == L"--hold") {
            options.held.emplace_back(value());
        } else if (argument == L"--code-at-0x50264A") {
            const std::wstring kind = value();
            if (kind == L"jump") {
                options.removedCode = RemovedCode::OtherModsJump;
            } else if (kind == L"nops") {
                options.removedCode = RemovedCode::NoOperations;
            } else {
                throw UsageError("--code-at-0x50264A wants jump or nops, not '" + Narrow(kind) +
                                 "'");
            }
        } else if (argument == L"--callee-pops") {
            options.popping = ArgumentPopping::Callee;
        } else if (argument.starts_with(L"-")) {
            throw UsageError("unknown option " + Narrow(argument));
        } else if (folderGiven) {
            throw UsageError("only one script folder can be given");
        } else {
            options.folder = argument;
            folderGiven = true;
        }
    }
    if (options.folder.filename() != "AttribMods") {
        throw UsageError(
            "the plug-in reads the folder AttribMods in the game's folder: name a "
            "folder of that name");
    }
    return options;
}

std::string GameHelpText() {
    return R"(Usage: sandbox-game [options] [FOLDER]

A stand-in for the game: a 32-bit Windows program with the game's code and
data at the addresses the plug-in patches and calls. It builds its attribute
database, loads the plug-in as a plug-in loader does, then plays frames: each
runs the game's code through the patched call. It reports what the plug-in did
to its code and what each frame saw; the plug-in's warning boxes are captured
and printed on standard error, as vxmod prints them.

FOLDER is the scripts folder, named AttribMods (default: the one in the current
folder); its parent is the game's folder, which the game runs in, so that the
plug-in finds the scripts and writes its log there. Start the program from a
link to it in that folder to have it there too, as the game's .exe is.

  --dll FILE               the plug-in (default: VexaAttribLoader.Tormelin.asi
                           in the game's folder)
  --db FILE                the database, described as for vxmod (default: the
                           built-in example)
  --dump FILE              write the database, after the last frame, to FILE
  --passes N               frames to play, 0 to 1000 (default 1)
  --occupy-preferred-base  reserve the address the plug-in asks for first
  --unsupported-version    be another game version: the call at 0x6660C0 aims
                           elsewhere
  --entry-reasons          call the plug-in's entry point for thread start and
                           end after loading, and for unloading at the end
  --free-library           FreeLibrary the plug-in after the frames, then play
                           one more

What other mods and the game's state may do to a plug-in in the field:
  --run-in DIR             run in DIR (a launcher's folder) while the plug-in
                           loads, instead of the game's own folder
  --own-folder-before-pass with --run-in: change to the game's own folder
                           after loading the plug-in, before the first frame
  --load-before FILE       load the DLL FILE before the plug-in (repeatable)
  --load-after FILE        load the DLL FILE after the plug-in (repeatable)
  --second-copy FILE       load FILE, a second copy of the plug-in, after the
                           first frame
  --fault-class NAME=KIND  GetClass plays a fault for class NAME: bad-pointer
                           (returns 0x10), guard-page (returns a guard page)
                           or in-game (faults in the game's own code)
  --pass-stack KB          play each frame on a thread of its own whose stack
                           holds KB kilobytes (up to 1000), as a game may
  --null-database-passes N the first N frames run with a null database word
  --hold-log               hold the plug-in's log file open without sharing
  --hold FILE              hold FILE (in the folder the game runs in) open without
                           sharing, as an editor or a sync tool may
                           (repeatable)
  --code-at-0x50264A KIND  the six bytes at 0x50264A before the plug-in
                           loads: jump (another mod's jump to its own code)
                           or nops (six no-operations, as an earlier load of
                           the plug-in leaves them)
  --callee-pops            the game's GetCollection and HashString32 pop their
                           own arguments (stdcall) instead of leaving them to
                           the caller

Exit status: 0 when no script line failed, 1 when one did (a warning box was
shown), 2 when the game cannot run, 3 when the plug-in broke the game's
expectations (the routine it replaced, the registers, the entry point), 4
when the game crashed (a fault no handler took: the game's crash handler
prints it).
)";
}

}  // namespace sandbox_game
