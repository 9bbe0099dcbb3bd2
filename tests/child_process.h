// A program run by a test as a child process: its standard input and output are pipes the test
// writes and reads, its standard error goes to a file. The only place in the tests that knows
// how the system starts, waits for and ends a process.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace vardo::testing {

class ChildProcess {
   public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills a child still running, then releases everything.
    ~ChildProcess();

    // Starts `program` (a path; ".exe" is added where the system needs it) with `args` in
    // `folder`, its standard error written to `errorFile`. False when it could not be started.
    bool Start(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::filesystem::path& folder, const std::filesystem::path& errorFile);
    // Writes all of `text` to the child's input; false when the input is closed or broken.
    bool Write(const std::string& text);
    // Closes the child's input: its end of input.
    void CloseInput();
    // Reads what the child writes, blocking; 0 at the end of its output.
    std::size_t Read(char* buffer, std::size_t size);
    // Waits for the child to end; its exit code, or -1 when it did not end within `timeout`
    // (it is then killed).
    int Wait(std::chrono::milliseconds timeout);
    // CPU seconds (user + system) the child has used so far; -1 when unknown.
    double CpuSeconds() const;

   private:
    void CloseOutput();
#ifdef _WIN32
    void* process = nullptr;
    void* toChild = nullptr;
    void* fromChild = nullptr;
#else
    int pid = -1;
    int toChild = -1;
    int fromChild = -1;
#endif
    bool waited = false;
    int exitCode = -1;
};

// The path of a program built in the build folder, by its name.
std::filesystem::path BuiltProgram(const std::string& name);

// A new empty folder under the system's temporary folder, named after `name` and this process,
// so that test runs of several builds at once never share a file.
std::filesystem::path PrivateFolder(const std::string& name);

// What a program run to its end left.
struct RunOutcome {
    int status = -1;  // exit code; -1 when it was killed after the time
    std::string out;
    std::string err;
};

// Runs `program` with `args` in `folder`, gives it `input` and then its end of input, and
// collects its output until it ends (killed after `timeout`).
RunOutcome RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& folder, const std::string& input = "",
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace vardo::testing
