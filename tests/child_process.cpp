#include "child_process.h"

#include <atomic>
#include <cstdio>
#include <thread>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>
#endif

namespace vardo::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path BuiltProgram(const std::string& name) {
    return fs::path(VARDO_BINARY_DIR) / (name + VARDO_EXECUTABLE_SUFFIX);
}

fs::path PrivateFolder(const std::string& name) {
#ifdef _WIN32
    const unsigned long id = GetCurrentProcessId();
#else
    const long id = ::getpid();
#endif
    const fs::path folder = fs::temp_directory_path() / (name + "_" + std::to_string(id));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

#ifdef _WIN32

namespace {

// One argument as the C runtime's parser reads it back: in quotes, with the backslashes before
// a quote doubled and the quote escaped.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text.push_back(c);
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

unsigned long ThisProcessId() {
    return GetCurrentProcessId();
}

void CloseIfOpen(void*& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

bool ChildProcess::Start(const fs::path& program, const std::vector<std::string>& args,
                         const fs::path& folder, const fs::path& errorFile) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0)) return false;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        CloseHandle(inRead);
        CloseHandle(inWrite);
        return false;
    }
    // The test's own ends stay out of the child, or the child would never see its input end.
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE err =
        CreateFileW(errorFile.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = err == INVALID_HANDLE_VALUE ? nullptr : err;
    std::wstring command = Quoted(fs::path(program).make_preferred().wstring());
    for (const std::string& arg : args) command += L" " + Quoted(fs::path(arg).wstring());
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       fs::path(folder).make_preferred().wstring().c_str(), &startup, &info);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    if (!started) {
        CloseHandle(inWrite);
        CloseHandle(outRead);
        return false;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    toChild = inWrite;
    fromChild = outRead;
    return true;
}

bool ChildProcess::Write(const std::string& text) {
    std::size_t done = 0;
    while (toChild != nullptr && done < text.size()) {
        DWORD written = 0;
        if (!WriteFile(toChild, text.data() + done, static_cast<DWORD>(text.size() - done),
                       &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return done == text.size();
}

void ChildProcess::CloseInput() {
    CloseIfOpen(toChild);
}

void ChildProcess::CloseOutput() {
    CloseIfOpen(fromChild);
}

std::size_t ChildProcess::Read(char* buffer, std::size_t size) {
    DWORD got = 0;
    if (fromChild == nullptr ||
        !ReadFile(fromChild, buffer, static_cast<DWORD>(size), &got, nullptr))
        return 0;
    return got;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (waited || process == nullptr) return exitCode;
    if (WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0) {
        DWORD code = 0;
        exitCode = GetExitCodeProcess(process, &code) ? static_cast<int>(code) : -1;
    } else {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
        exitCode = -1;
    }
    waited = true;
    return exitCode;
}

double ChildProcess::CpuSeconds() const {
    FILETIME created, exited, kernel, user;
    if (process == nullptr || !GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1.0;
    auto ticks = [](const FILETIME& time) {
        return static_cast<double>(static_cast<unsigned long long>(time.dwHighDateTime) << 32 |
                                   time.dwLowDateTime);
    };
    // FILETIME counts hundreds of nanoseconds.
    return (ticks(kernel) + ticks(user)) / 1e7;
}

ChildProcess::~ChildProcess() {
    CloseInput();
    if (!waited && process != nullptr) Wait(0ms);
    CloseOutput();
    CloseIfOpen(process);
}

#else

namespace {

unsigned long ThisProcessId() {
    return static_cast<unsigned long>(::getpid());
}

}  // namespace

bool ChildProcess::Start(const fs::path& program, const std::vector<std::string>& args,
                         const fs::path& folder, const fs::path& errorFile) {
    // A write to a program that has already ended must fail, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string programText = program.string();
    const std::string folderText = folder.string();
    const std::string errorText = errorFile.string();
    std::vector<char*> argv{const_cast<char*>(programText.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return false;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (::chdir(folderText.c_str()) != 0) ::_exit(126);
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        const int err = ::open(errorText.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0) ::dup2(err, 2);
        ::execv(programText.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    toChild = in[1];
    fromChild = out[0];
    return true;
}

bool ChildProcess::Write(const std::string& text) {
    std::size_t done = 0;
    while (toChild >= 0 && done < text.size()) {
        const ssize_t n = ::write(toChild, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return done == text.size();
}

void ChildProcess::CloseInput() {
    if (toChild >= 0) ::close(toChild);
    toChild = -1;
}

void ChildProcess::CloseOutput() {
    if (fromChild >= 0) ::close(fromChild);
    fromChild = -1;
}

std::size_t ChildProcess::Read(char* buffer, std::size_t size) {
    if (fromChild < 0) return 0;
    const ssize_t n = ::read(fromChild, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (waited || pid <= 0) return exitCode;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            exitCode = -1;
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    waited = true;
    return exitCode;
}

double ChildProcess::CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(in, text);
    // The fields after the command name in parentheses; utime and stime are the 14th and 15th
    // fields of the line, the 12th and 13th after the closing parenthesis.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0.0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i == 12 || i == 13) ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

ChildProcess::~ChildProcess() {
    CloseInput();
    if (!waited && pid > 0) Wait(0ms);
    CloseOutput();
}

#endif

RunOutcome RunProgram(const fs::path& program, const std::vector<std::string>& args,
                      const fs::path& folder, const std::string& input,
                      std::chrono::milliseconds timeout) {
    // Named for this process and run: test programs running at once may share the folder.
    static std::atomic<int> runs{0};
    RunOutcome outcome;
    const fs::path errorFile = folder / ("vardo-run-stderr-" + std::to_string(ThisProcessId()) +
                                         "-" + std::to_string(runs++) + ".txt");
    ChildProcess child;
    if (!child.Start(program, args, folder, errorFile)) return outcome;
    std::thread reader([&] {
        char buffer[4096];
        while (const std::size_t n = child.Read(buffer, sizeof buffer))
            outcome.out.append(buffer, n);
    });
    child.Write(input);
    child.CloseInput();
    outcome.status = child.Wait(timeout);
    reader.join();
    {
        std::FILE* file = std::fopen(errorFile.string().c_str(), "rb");
        if (file != nullptr) {
            char buffer[4096];
            while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, file))
                outcome.err.append(buffer, n);
            std::fclose(file);
        }
    }
    fs::remove(errorFile);
    return outcome;
}

}  // namespace vardo::testing
