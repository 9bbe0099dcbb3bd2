// The session log: one timestamped line per message, appended to a file in the working folder.
#pragma once

#include <fstream>
#include <mutex>
#include <string>

namespace vardo {

class Log {
   public:
    // Opens the file for appending; when it cannot be opened every line is silently dropped.
    explicit Log(const std::string& fileName);
    virtual ~Log();

    void Event(std::string message);
    void Warning(std::string message);
    void Error(std::string message);

   private:
    void Write(const char* kind, const std::string& message);
    std::ofstream stream;
    std::mutex lineMutex;  // lines from several threads come out whole
};

// The local date and time as "%m/%d/%Y %X".
std::string Timestamp();

// The process-wide log; null when there is none. Every part that reports writes through it.
// It is read without a lock: set it before starting any thread that logs, and clear it only
// after those threads have ended.
extern Log* theLog;

// Convenience writers that do nothing while there is no log.
void LogEvent(const std::string& message);
void LogWarning(const std::string& message);
void LogError(const std::string& message);

}  // namespace vardo
