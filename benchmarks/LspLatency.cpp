// vxmod lsp as an editor meets it on a large pack: ten scripts of 10,000
// lines each (the mix of benchmarks/Workload.h, written independently, so
// they set many of the same values differently) against the described
// database of about 3,000 collections. An edit in the fifth script, again
// and again: the time until its diagnostics are published, and until those
// of the scripts after it are (a quick-fix request that waits for the check
// answers once every changed script's diagnostics are out); a completion in
// the fifth script; the server's peak memory. Figures, not pass/fail.
//
//     lsp_latency VXMOD [EDITS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include "Workload.h"
#include "tools/lsp/FileUri.h"
#include "tools/lsp/MessageFraming.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kScripts = 10;
constexpr int kLinesPerScript = 10000;
constexpr int kEditedScript = 5;

// The server as a child process on two pipes.
class Server {
public:
    Server(const std::string& vxmod, const fs::path& folder) {
        int toServer[2];
        int fromServer[2];
        if (pipe(toServer) != 0 || pipe(fromServer) != 0) {
            std::perror("pipe");
            std::exit(2);
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toServer[0], 0);
            dup2(fromServer[1], 1);
            close(toServer[1]);
            close(fromServer[0]);
            fs::current_path(folder);
            execl(vxmod.c_str(), vxmod.c_str(), "lsp", "--db", "database.json",
                  static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        close(toServer[0]);
        close(fromServer[1]);
        out_ = fdopen(toServer[1], "wb");
        in_ = fdopen(fromServer[0], "rb");
        reader_.emplace(in_, [](const std::string& problem) {
            std::fprintf(stderr, "lsp_latency: %s\n", problem.c_str());
        });
    }

    void Send(const Json& message) {
        const std::string framed = vxmod::lsp::Framed(message.dump());
        std::fwrite(framed.data(), 1, framed.size(), out_);
        std::fflush(out_);
    }
    int Request(const std::string& method, Json params) {
        Send(
            {{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", std::move(params)}});
        return id_;
    }
    void Notify(const std::string& method, Json params) {
        Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
    }
    Json Next() {
        std::optional<std::string> body = reader_->Next();
        if (!body) {
            std::fprintf(stderr, "lsp_latency: the server stopped\n");
            std::exit(2);
        }
        return Json::parse(*body);
    }
    Json AnswerTo(int id) {
        for (;;) {
            Json message = Next();
            if (message.contains("id") && message["id"] == id && !message.contains("method")) {
                return message;
            }
        }
    }
    // The peak resident memory of the server, in KiB.
    long PeakKib() const {
        std::ifstream status(fmt::format("/proc/{}/status", pid_));
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmHWM:")) {
                return std::atol(line.c_str() + 6);
            }
        }
        return -1;
    }
    void Stop() {
        AnswerTo(Request("shutdown", nullptr));
        Notify("exit", Json::object());
        int status = 0;
        waitpid(pid_, &status, 0);
    }

private:
    pid_t pid_ = 0;
    std::FILE* out_ = nullptr;
    std::FILE* in_ = nullptr;
    std::optional<vxmod::lsp::MessageReader> reader_;
    int id_ = 0;
};

double Milliseconds(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

void Print(const std::string& what, const std::vector<double>& times) {
    std::printf("%-62s median %7.1f ms   p95 %7.1f ms   max %7.1f ms\n", what.c_str(),
                Percentile(times, 0.5), Percentile(times, 0.95), Percentile(times, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lsp_latency VXMOD [EDITS]\n");
        return 2;
    }
    const std::string vxmod = fs::absolute(argv[1]).string();
    const int edits = argc > 2 ? std::atoi(argv[2]) : 40;

    const fs::path folder =
        fs::temp_directory_path() / fmt::format("vexa-lsp-latency-{}", getpid());
    fs::remove_all(folder);
    fs::create_directories(folder / "AttribMods");
    const vexa::bench::DatabaseNames names = vexa::bench::MakeDatabaseNames();
    std::ofstream(folder / "database.json") << vexa::bench::MakeDatabaseJson(names);
    std::vector<fs::path> scripts;
    for (int i = 1; i <= kScripts; ++i) {
        scripts.push_back(folder / "AttribMods" / fmt::format("pack-{:02}.vxmod", i));
        std::ofstream(scripts.back())
            << vexa::bench::MakeScript(names, kLinesPerScript, 0, static_cast<unsigned>(100 + i));
    }
    std::printf("%zu collections, %d scripts of %d lines; the edit is in script %d\n",
                names.Collections(), kScripts, kLinesPerScript, kEditedScript);

    Server server(vxmod, folder);
    const auto started = Clock::now();
    server.AnswerTo(server.Request("initialize", {{"rootUri", vxmod::lsp::UriOfPath(folder)},
                                                  {"capabilities", Json::object()}}));
    server.Notify("initialized", Json::object());
    const std::string last = vxmod::lsp::UriOfPath(scripts.back());
    const Json waitForCheck = {
        {"textDocument", {{"uri", last}}},
        {"range",
         {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}}},
        {"context", {{"diagnostics", Json::array()}}}};
    server.AnswerTo(server.Request("textDocument/codeAction", waitForCheck));
    std::printf("%-62s %7.1f ms\n", "first check of the whole pack", Milliseconds(started));

    // Edits in the first, the fifth and the last script: the later the
    // script, the fewer are checked again.
    int version = 1;
    for (const int scriptNumber : {kEditedScript, 1, kScripts}) {
        const fs::path& edited = scripts[static_cast<std::size_t>(scriptNumber - 1)];
        const std::string uri = vxmod::lsp::UriOfPath(edited);
        std::string text;
        {
            std::ifstream in(edited, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), {});
        }
        server.Notify(
            "textDocument/didOpen",
            {{"textDocument",
              {{"uri", uri}, {"languageId", "vxmod"}, {"version", ++version}, {"text", text}}}});
        server.AnswerTo(server.Request("textDocument/codeAction", waitForCheck));

        // The edit: the command word of a line in the middle of the script,
        // misspelt and put right in turn, so that the script's own
        // diagnostics change each time.
        int line = 0;
        for (std::size_t start = 0, number = 0; start < text.size(); ++number) {
            if (number >= static_cast<std::size_t>(kLinesPerScript / 2) &&
                text.compare(start, 13, "update_field ") == 0) {
                line = static_cast<int>(number);
                break;
            }
            start = text.find('\n', start) + 1;
        }
        std::vector<double> own;
        std::vector<double> all;
        std::vector<double> completions;
        for (int edit = 0; edit < edits; ++edit) {
            const bool typo = edit % 2 == 0;
            const auto sent = Clock::now();
            server.Notify(
                "textDocument/didChange",
                {{"textDocument", {{"uri", uri}, {"version", ++version}}},
                 {"contentChanges", Json::array({{{"range",
                                                   {{"start", {{"line", line}, {"character", 7}}},
                                                    {"end", {{"line", line}, {"character", 12}}}}},
                                                  {"text", typo ? "feild" : "field"}}})}});
            const int check = server.Request("textDocument/codeAction", waitForCheck);
            bool ownSeen = false;
            for (;;) {
                const Json message = server.Next();
                if (!ownSeen && message.value("method", "") == "textDocument/publishDiagnostics" &&
                    message["params"]["uri"] == uri) {
                    own.push_back(Milliseconds(sent));
                    ownSeen = true;
                }
                if (message.contains("id") && message["id"] == check) {
                    all.push_back(Milliseconds(sent));
                    break;
                }
            }
            // A field name a few lines further on, with the database where it stands there.
            const auto asked = Clock::now();
            server.AnswerTo(
                server.Request("textDocument/completion",
                               {{"textDocument", {{"uri", uri}}},
                                {"position", {{"line", line + 3}, {"character", 14}}}}));
            completions.push_back(Milliseconds(asked));
        }
        Print(fmt::format("an edit in script {}: until its diagnostics are out", scriptNumber),
              own);
        Print(fmt::format("an edit in script {}: until those of scripts {} to {} are out",
                          scriptNumber, scriptNumber, kScripts),
              all);
        Print(fmt::format("a completion in script {}, after the check", scriptNumber), completions);
    }
    std::printf("%-62s %7.1f MiB\n", "the server's peak memory",
                static_cast<double>(server.PeakKib()) / 1024);
    server.Stop();
    fs::remove_all(folder);
    return 0;
}
