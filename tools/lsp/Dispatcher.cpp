#include "Dispatcher.h"

#include <exception>

#include <fmt/format.h>

#include "ErrorCodes.h"
#include "ResponseError.h"

namespace vxmod::lsp {

void RequestContext::ThrowIfCancelled() const {
    if (Cancelled()) {
        throw RequestCancelled();
    }
}

void Dispatcher::OnRequest(const std::string& method, RequestHandler handler) {
    requests_[method] = std::move(handler);
}

void Dispatcher::OnNotification(const std::string& method, NotificationHandler handler) {
    notifications_[method] = std::move(handler);
}

int Dispatcher::Run(const std::function<void()>& idle) {
    connection_.Start();
    for (;;) {
        if (idle && !connection_.AnyWaiting([](const Json&) { return true; })) {
            // Work between messages fails alone, as a request does.
            try {
                idle();
            } catch (const std::exception& error) {
                connection_.Log(MessageType::Error,
                                fmt::format("work between messages failed: {}", error.what()));
            }
        }
        const std::optional<Json> message = connection_.Take();
        if (!message) {
            // The client went away without exit.
            return state_ == State::ShutDown ? 0 : 1;
        }
        if (const std::optional<int> status = Handle(*message)) {
            return *status;
        }
    }
}

std::optional<int> Dispatcher::Handle(const Json& message) {
    if (!message.is_object()) {
        // A batch or a bare value: JSON-RPC, but no message of this protocol.
        connection_.Log(MessageType::Error,
                        "a message that is no JSON object was answered with "
                        "an invalid request error");
        RespondError(nullptr, ErrorCode::kInvalidRequest, "a message must be a JSON object");
        return std::nullopt;
    }
    const auto method = message.find("method");
    const auto id = message.find("id");
    const bool hasId = id != message.end() && (id->is_number_integer() || id->is_string());
    if (method == message.end() || !method->is_string()) {
        if (hasId && (message.contains("result") || message.contains("error"))) {
            return std::nullopt;  // an answer to a request this server never sends
        }
        connection_.Log(MessageType::Error,
                        "a message without a method was answered with an "
                        "invalid request error");
        RespondError(hasId ? *id : Json(nullptr), ErrorCode::kInvalidRequest,
                     "a message must name its method");
        return std::nullopt;
    }
    const std::string name = method->get<std::string>();
    const Json params = message.contains("params") ? message["params"] : Json::object();
    if (name == "exit") {
        return state_ == State::ShutDown ? 0 : 1;
    }
    if (id != message.end()) {
        if (!hasId) {
            RespondError(nullptr, ErrorCode::kInvalidRequest,
                         "a request's id must be a number or a string");
            return std::nullopt;
        }
        Answer(*id, name, params);
    } else {
        Notified(name, params);
    }
    return std::nullopt;
}

void Dispatcher::Answer(const Json& id, const std::string& method, const Json& params) {
    if (state_ == State::Starting && method != "initialize") {
        RespondError(id, ErrorCode::kServerNotInitialized,
                     fmt::format("'{}' before initialize", method));
        return;
    }
    if (state_ != State::Starting && method == "initialize") {
        RespondError(id, ErrorCode::kInvalidRequest, "initialize was received already");
        return;
    }
    if (state_ == State::ShutDown) {
        RespondError(id, ErrorCode::kInvalidRequest, fmt::format("'{}' after shutdown", method));
        return;
    }
    if (method == "shutdown") {
        state_ = State::ShutDown;
    }
    const auto handler = requests_.find(method);
    if (handler == requests_.end()) {
        if (method == "shutdown") {
            Respond(id, nullptr);
        } else {
            RespondError(id, ErrorCode::kMethodNotFound, fmt::format("no method '{}'", method));
        }
        return;
    }
    const RequestContext context(connection_, id);
    try {
        context.ThrowIfCancelled();
        Json result = handler->second(params, context);
        if (method == "initialize") {
            state_ = State::Serving;
        }
        Respond(id, std::move(result));
    } catch (const ResponseError& error) {
        RespondError(id, error.Code(), error.what());
    } catch (const Json::exception& error) {
        connection_.Log(MessageType::Error, fmt::format("'{}' with parameters it cannot use: {}",
                                                        method, error.what()));
        RespondError(id, ErrorCode::kInvalidParams, error.what());
    } catch (const std::exception& error) {
        connection_.Log(MessageType::Error, fmt::format("'{}' failed: {}", method, error.what()));
        RespondError(id, ErrorCode::kInternalError, error.what());
    }
    connection_.Forget(id);
}

void Dispatcher::Notified(const std::string& method, const Json& params) {
    if (state_ != State::Serving) {
        // Dropped, as the protocol wants, before initialize and after shutdown.
        return;
    }
    const auto handler = notifications_.find(method);
    if (handler == notifications_.end()) {
        // "$/" notifications may be left unanswered without a word.
        if (!method.starts_with("$/")) {
            connection_.Log(MessageType::Log, fmt::format("no notification '{}': ignored", method));
        }
        return;
    }
    try {
        handler->second(params);
    } catch (const std::exception& error) {
        connection_.Log(MessageType::Error,
                        fmt::format("notification '{}' failed: {}", method, error.what()));
    }
}

void Dispatcher::Respond(const Json& id, Json result) {
    connection_.Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void Dispatcher::RespondError(const Json& id, int code, const std::string& message) {
    connection_.Send(
        {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

}  // namespace vxmod::lsp
