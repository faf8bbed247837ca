#pragma once

#include <functional>
#include <map>
#include <string>

#include "Connection.h"

namespace vxmod::lsp {

// What a request's handler may ask of the request while it works on it.
class RequestContext {
public:
    RequestContext(Connection& connection, const Json& id) : connection_(connection), id_(id) {}
    bool Cancelled() const { return connection_.Cancelled(id_); }
    // Throws RequestCancelled when the client has cancelled the request.
    void ThrowIfCancelled() const;

private:
    Connection& connection_;
    const Json& id_;
};

// Hands each message to its method's handler and answers requests, keeping
// to the protocol's life cycle: nothing but initialize before it, nothing
// but exit after shutdown. A handler's failure is answered with an error
// and logged; the next message is served all the same.
class Dispatcher {
public:
    // A request's result, or a ResponseError thrown; a JSON error thrown
    // while reading the parameters is answered as invalid parameters.
    using RequestHandler = std::function<Json(const Json& params, const RequestContext& context)>;
    using NotificationHandler = std::function<void(const Json& params)>;

    explicit Dispatcher(Connection& connection) : connection_(connection) {}

    // "initialize" answers the client's capabilities with the server's; the
    // life cycle begins once it has succeeded.
    void OnRequest(const std::string& method, RequestHandler handler);
    void OnNotification(const std::string& method, NotificationHandler handler);

    // Serves messages until exit or the end of the input, and returns the
    // process's exit status: 0 after shutdown, 1 otherwise. `idle` runs
    // whenever no message is waiting.
    int Run(const std::function<void()>& idle);

private:
    enum class State { Starting, Serving, ShutDown };

    // Returns the exit status once exit has come.
    std::optional<int> Handle(const Json& message);
    void Answer(const Json& id, const std::string& method, const Json& params);
    void Notified(const std::string& method, const Json& params);
    void Respond(const Json& id, Json result);
    void RespondError(const Json& id, int code, const std::string& message);

    Connection& connection_;
    State state_ = State::Starting;
    std::map<std::string, RequestHandler, std::less<>> requests_;
    std::map<std::string, NotificationHandler, std::less<>> notifications_;
};

}  // namespace vxmod::lsp
