#include "Connection.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include <fmt/format.h>

#include "ErrorCodes.h"
#include "MessageFraming.h"

namespace vxmod::lsp {

namespace {

constexpr std::size_t kCancellationsKept = 10000;

}  // namespace

struct Connection::Shared {
    std::FILE* input;
    std::FILE* output;

    mutable std::mutex queueMutex;
    std::condition_variable arrived;
    std::deque<Json> queue;
    bool ended = false;
    // Request ids as their JSON text: a number and a string id are apart.
    std::set<std::string> cancelled;

    std::mutex outputMutex;

    void Send(const Json& message) {
        // Names and texts of scripts are bytes, which may be no UTF-8: such
        // a byte is sent as U+FFFD rather than failing the message.
        const std::string framed =
            Framed(message.dump(-1, ' ', false, Json::error_handler_t::replace));
        const std::lock_guard lock(outputMutex);
        std::fwrite(framed.data(), 1, framed.size(), output);
        std::fflush(output);
    }

    void Log(MessageType type, const std::string& text) {
        Send({{"jsonrpc", "2.0"},
              {"method", "window/logMessage"},
              {"params", {{"type", static_cast<int>(type)}, {"message", text}}}});
        const std::lock_guard lock(outputMutex);
        std::fprintf(stderr, "vxmod lsp: %s\n", text.c_str());
    }

    void Push(Json message) {
        {
            const std::lock_guard lock(queueMutex);
            queue.push_back(std::move(message));
        }
        arrived.notify_one();
    }

    void Read() {
        MessageReader reader(input, [this](const std::string& problem) {
            Log(MessageType::Error, "unreadable input: " + problem);
        });
        while (std::optional<std::string> body = reader.Next()) {
            Json message = Json::parse(*body, nullptr, /*allow_exceptions=*/false);
            if (message.is_discarded()) {
                // The id cannot be read from what is no JSON.
                Log(MessageType::Error,
                    fmt::format("a message of {} bytes is no JSON; answered with a parse error",
                                body->size()));
                Send({{"jsonrpc", "2.0"},
                      {"id", nullptr},
                      {"error",
                       {{"code", ErrorCode::kParseError}, {"message", "the message is no JSON"}}}});
                continue;
            }
            if (message.is_object() && message.contains("method") &&
                message["method"] == "$/cancelRequest") {
                const Json* params = message.contains("params") ? &message["params"] : nullptr;
                if (params != nullptr && params->is_object() && params->contains("id")) {
                    const std::lock_guard lock(queueMutex);
                    // A cancellation that came after its answer is never
                    // asked about; a long session must not keep them all.
                    if (cancelled.size() >= kCancellationsKept) {
                        cancelled.clear();
                    }
                    cancelled.insert((*params)["id"].dump());
                }
                continue;
            }
            Push(std::move(message));
        }
        const std::lock_guard lock(queueMutex);
        ended = true;
        arrived.notify_one();
    }
};

Connection::Connection(std::FILE* input, std::FILE* output) : shared_(std::make_shared<Shared>()) {
    shared_->input = input;
    shared_->output = output;
}

Connection::~Connection() = default;

void Connection::Start() {
    std::thread([shared = shared_] { shared->Read(); }).detach();
}

std::optional<Json> Connection::Take() {
    std::unique_lock lock(shared_->queueMutex);
    shared_->arrived.wait(lock, [&] { return !shared_->queue.empty() || shared_->ended; });
    if (shared_->queue.empty()) {
        return std::nullopt;
    }
    Json message = std::move(shared_->queue.front());
    shared_->queue.pop_front();
    return message;
}

bool Connection::AnyWaiting(const std::function<bool(const Json&)>& which) const {
    const std::lock_guard lock(shared_->queueMutex);
    for (const Json& message : shared_->queue) {
        if (which(message)) {
            return true;
        }
    }
    return false;
}

void Connection::Send(const Json& message) {
    shared_->Send(message);
}

void Connection::Notify(std::string_view method, Json params) {
    Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

void Connection::Log(MessageType type, const std::string& text) {
    shared_->Log(type, text);
}

bool Connection::Cancelled(const Json& id) const {
    const std::lock_guard lock(shared_->queueMutex);
    return shared_->cancelled.contains(id.dump());
}

void Connection::Forget(const Json& id) {
    const std::lock_guard lock(shared_->queueMutex);
    shared_->cancelled.erase(id.dump());
}

}  // namespace vxmod::lsp
