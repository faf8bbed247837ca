#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <spdlog/logger.h>
#include <spdlog/sinks/ostream_sink.h>

namespace vexa::test {

// A logger whose lines the test reads back, as "level|message".
class LogCapture {
public:
    LogCapture()
        : sink_(std::make_shared<spdlog::sinks::ostream_sink_st>(stream_)),
          logger_(std::make_shared<spdlog::logger>("capture", sink_)) {
        sink_->set_pattern("%l|%v");
    }

    std::shared_ptr<spdlog::logger> Logger() const { return logger_; }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(stream_.str());
        for (std::string line; std::getline(in, line);) {
            if (line.ends_with('\r')) {
                line.pop_back();  // spdlog ends lines with CR LF on Windows
            }
            lines.push_back(line);
        }
        return lines;
    }

private:
    std::ostringstream stream_;
    std::shared_ptr<spdlog::sinks::ostream_sink_st> sink_;
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace vexa::test
