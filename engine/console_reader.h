// The console thread: reads input lines and queues them for the command loop. Output goes
// through the same object too: WriteLine is how every line reaches the console.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>

#include "support/thread.h"

namespace vardo {

// Input lines waiting for the command loop, oldest first, without their line ends.
using CommandQueue = std::deque<std::string>;

// Longest line kept: the rest of a longer line is dropped, so a stream without line ends
// cannot make the reader hold more than this.
inline constexpr std::size_t MAX_LINE_LENGTH = 64 * 1024;

class ConsoleReader : public Thread {
   public:
    // Switches the output to unit buffering. Reading begins with Begin.
    explicit ConsoleReader(std::istream& input = std::cin, std::ostream& output = std::cout);
    // Waits for the console thread, which ends after it has read "quit" or the end of input.
    ~ConsoleReader() override;

    // Starts the console thread. A thread that cannot start is reported on standard error and
    // in the log, and "quit" is queued, since no other line could ever arrive. Lines typed
    // before this call wait in the input stream and are read in order.
    void Begin();

    // Moves the oldest queued line into `line`; false (line untouched) when none is queued.
    bool PopLine(std::string& line);
    // Whether the input has ended. Once true, every line read before the end is in the queue:
    // a PopLine that fails after it has said so means no line will ever come again.
    bool InputEnded() const { return ended.load(); }

    // Writes the text up to its first NUL, one line end, and flushes. Lines written by several
    // threads at once come out whole and in some order.
    void WriteLine(std::string text);

    // Sleeps until a line is queued, Wake is called, or `milliseconds` have passed.
    void WaitForInput(int milliseconds);
    // Ends a WaitForInput early (or the next one, when none is sleeping).
    void Wake();

   protected:
    // Reads lines until "quit" or the end of input, which raises InputEnded.
    void Run() override;

   private:
    void Append(std::string line);

    std::istream& input;
    std::ostream& output;
    CommandQueue queue;  // guarded by the reader's own Mutex
    std::atomic<bool> ended{false};

    std::mutex outputMutex;  // one line on the output at a time

    std::mutex wakeMutex;  // guards woken
    std::condition_variable wakeSignal;
    bool woken = false;
};

// Reads one line of at most MAX_LINE_LENGTH characters into `line`, dropping the rest of a
// longer one; the line end is consumed and not stored, and so is one carriage return just
// before it. False at the end of input when nothing was read (a last line without a line end
// still counts as a line).
bool ReadLine(std::istream& input, std::string& line);

}  // namespace vardo
