// The program's version and the names of the files it reads and writes in the working folder.
#pragma once

#include <string>

namespace vardo {

// Shown in the banner, the log file's name and the reply to "protover".
inline constexpr const char* VERSION = "0.72";

// The opening book, read once at start-up.
inline constexpr const char* BOOK_FILE = "vardo.bk";

// The session log: "vardo" + version + ".log", opened for appending.
inline std::string LogFileName() {
    return std::string("vardo") + VERSION + ".log";
}

}  // namespace vardo
