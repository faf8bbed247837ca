#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vxmod::lsp {

using Json = nlohmann::json;

// The severities of a log line or a message shown to the user.
enum class MessageType { Error = 1, Warning = 2, Info = 3, Log = 4 };

// JSON-RPC over a pair of streams, messages framed as the language server
// protocol frames them. A thread of its own reads the input, so that a
// request's cancellation is seen while the request is being worked on, and
// newer messages while older work runs; the messages wait in a queue for the
// thread that works on them. Input that is no message (a broken header, a
// body that is no JSON) is answered where the protocol has an answer and
// logged where it has none; the connection goes on with the next message.
class Connection {
public:
    Connection(std::FILE* input, std::FILE* output);
    // The reading thread is left to end with the input: it holds what it
    // uses itself.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Start();
    // The next message, waiting for one; none once the input has ended.
    std::optional<Json> Take();
    // Whether a waiting message is one `which` picks.
    bool AnyWaiting(const std::function<bool(const Json&)>& which) const;

    void Send(const Json& message);
    void Notify(std::string_view method, Json params);
    // A log line for the client's log (window/logMessage), and for standard
    // error, which editors keep as the server's own log.
    void Log(MessageType type, const std::string& text);

    // Whether the client cancelled the request with this id.
    bool Cancelled(const Json& id) const;
    void Forget(const Json& id);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace vxmod::lsp
