#include "support/log.h"

#include <ctime>

namespace vardo {

Log* theLog = nullptr;

namespace {

// The kind field: the kind's name padded to 9 characters between semicolons, 11 in all, so
// every message starts in the same column.
constexpr const char* EVENT_FIELD = ";Event    ;";
constexpr const char* WARNING_FIELD = ";Warning  ;";
constexpr const char* ERROR_FIELD = ";Error    ;";

}  // namespace

Log::Log(const std::string& fileName) : stream(fileName, std::ios::out | std::ios::app) {}

Log::~Log() = default;

void Log::Event(std::string message) {
    Write(EVENT_FIELD, message);
}

void Log::Warning(std::string message) {
    Write(WARNING_FIELD, message);
}

void Log::Error(std::string message) {
    Write(ERROR_FIELD, message);
}

void Log::Write(const char* kind, const std::string& message) {
    // The line is built first and written in one piece under the lock, so lines written by
    // several threads at once never interleave. A stream that failed to open ignores it.
    const std::string line = Timestamp() + kind + message + "\n";
    std::lock_guard<std::mutex> guard(lineMutex);
    stream << line;
    stream.flush();
}

std::string Timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);  // localtime is not safe to call from several threads
#endif
    // "%m/%d/%Y %X" as the C locale writes it, with %X spelled out as %H:%M:%S so that the
    // stamp stays 19 characters even if the program's locale is ever changed.
    char buffer[64];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%m/%d/%Y %H:%M:%S", &local);
    return std::string(buffer, length);
}

void LogEvent(const std::string& message) {
    if (theLog != nullptr) theLog->Event(message);
}

void LogWarning(const std::string& message) {
    if (theLog != nullptr) theLog->Warning(message);
}

void LogError(const std::string& message) {
    if (theLog != nullptr) theLog->Error(message);
}

}  // namespace vardo
