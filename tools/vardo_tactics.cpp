// vardo-tactics [--strong] [--threads N] [--hash MB] [--ms MILLISECONDS] FILE: searches every
// position of an EPD file for MILLISECONDS (default 1000) as in a new game and counts those where
// the move found is one of the position's bm moves. Prints one line per position,
// "<id> expected <bm moves> found <move> ok|miss depth <completed depth> score <cp>", then
// "solved S of N". The exit status is 0 whatever was solved (this measures; it does not test), 2
// for a wrong call or a file that cannot be read whole.
//
// An EPD line is the four position fields, then operations ending in ';': "bm" with one or more
// moves (coordinate or algebraic notation), "id" with a name (the line number when missing),
// "hmvc" and "fmvn" for the move counters; others are ignored. Blank lines and lines starting
// with '#' are skipped. tools/make_tactics.py writes tests/data/tactics.epd in this form.

#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "engine/arguments.h"
#include "engine/search_choice.h"
#include "search/stop_flag.h"
#include "support/standard_streams.h"

namespace {

constexpr int DEFAULT_MILLISECONDS = 1000;
constexpr int MAX_MILLISECONDS = 3'600'000;

struct Tactic {
    std::string id;
    std::string fen;
    std::vector<std::string> best;  // coordinate text of every bm move
};

// Remembers the depth of the last iteration the search completed.
class DepthKeeper : public vardo::SearchListener {
   public:
    void OnIteration(int depth, unsigned /*nodes*/, float /*seconds*/, int /*score*/,
                     const vardo::Line& /*line*/) override {
        completed = depth;
    }
    int completed = 0;
};

// Raises vardo::stopFlag once `limit` has passed, unless told before that the search is over.
// The flag is lowered before the thread starts, so that a stop raised early is never lost.
class Watchdog {
   public:
    explicit Watchdog(std::chrono::milliseconds limit) {
        vardo::stopFlag = false;
        thread_ = std::thread([this, limit] {
            std::unique_lock lock(mutex_);
            if (!woken_.wait_for(lock, limit, [this] { return over_; })) vardo::stopFlag = true;
        });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            over_ = true;
        }
        woken_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

   private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool over_ = false;
    std::thread thread_;  // last: started once the fields it reads are built
};

bool ParseNumber(std::string_view text, int low, int high, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && value >= low && value <= high;
}

// The operands of one EPD operation, a quoted operand unquoted.
std::vector<std::string> Operands(std::istringstream& in) {
    std::vector<std::string> operands;
    for (std::string word; in >> word;) {
        if (word.front() == '"') {
            std::string rest;
            std::getline(in, rest);
            word = word.substr(1) + rest;
            if (!word.empty() && word.back() == '"') word.pop_back();
        }
        operands.push_back(word);
    }
    return operands;
}

// Reads one EPD line into `tactic`; the error's text when it cannot.
std::string ReadLine(const std::string& line, int lineNumber, Tactic& tactic) {
    std::istringstream in(line);
    std::string fields[4];
    for (std::string& field : fields)
        if (!(in >> field)) return "fewer than four position fields";
    std::string halfMoves = "0";
    std::string moveNumber = "1";
    std::vector<std::string> bestTexts;
    tactic.id = std::to_string(lineNumber);
    std::string rest;
    std::getline(in, rest);
    std::istringstream operations(rest);
    for (std::string operation; std::getline(operations, operation, ';');) {
        std::istringstream words(operation);
        std::string code;
        if (!(words >> code)) continue;
        const std::vector<std::string> operands = Operands(words);
        if (code == "bm") {
            bestTexts.insert(bestTexts.end(), operands.begin(), operands.end());
        } else if (code == "id" && !operands.empty()) {
            tactic.id = operands.front();
        } else if (code == "hmvc" && operands.size() == 1) {
            halfMoves = operands.front();
        } else if (code == "fmvn" && operands.size() == 1) {
            moveNumber = operands.front();
        }
    }
    tactic.fen = fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3] + " " + halfMoves +
                 " " + moveNumber;
    vardo::Board board;
    if (!board.SetFromFen(tactic.fen)) return "position refused";
    if (bestTexts.empty()) return "no bm";
    tactic.best.clear();
    for (const std::string& text : bestTexts) {
        const vardo::MoveEntry entry = vardo::ParseMove(text, board);
        if (entry.move.IsNull()) return "bm " + text + " is no legal move";
        tactic.best.push_back(vardo::CoordinateText(entry.move));
    }
    return "";
}

// The usage line: on standard error for a wrong call (status 2), on standard output when asked
// for with --help (status 0).
int Usage(std::FILE* stream = stderr) {
    std::fprintf(stream,
                 "usage: vardo-tactics [--strong] [--threads N] [--hash MB] [--ms MILLISECONDS] "
                 "FILE\n");
    return stream == stderr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    bool strong = false;
    int threads = 1;
    std::size_t hashMegabytes = vardo::TranspositionTable::DEFAULT_MEGABYTES;
    int milliseconds = DEFAULT_MILLISECONDS;
    const char* fileName = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argc == 2 && (argument == "--help" || argument == "-h")) return Usage(stdout);
        if (argument == "--strong") {
            strong = true;
        } else if (argument == "--threads") {
            if (i + 1 == argc || !vardo::ParseThreads(argv[++i], threads)) {
                std::fprintf(stderr, "vardo-tactics: --threads needs a number from 0 to %d\n",
                             vardo::MAX_THREADS);
                return 2;
            }
        } else if (argument == "--hash") {
            if (i + 1 == argc || !vardo::ParseHashMegabytes(argv[++i], hashMegabytes)) {
                std::fprintf(stderr,
                             "vardo-tactics: --hash needs a size in megabytes from 0 to %zu\n",
                             vardo::MAX_HASH_MEGABYTES);
                return 2;
            }
        } else if (argument == "--ms") {
            if (i + 1 == argc || !ParseNumber(argv[++i], 1, MAX_MILLISECONDS, milliseconds)) {
                std::fprintf(stderr, "vardo-tactics: --ms needs a number from 1 to %d\n",
                             MAX_MILLISECONDS);
                return 2;
            }
        } else if (fileName == nullptr && !argument.starts_with("-")) {
            fileName = argv[i];
        } else {
            return Usage();
        }
    }
    if (fileName == nullptr) return Usage();

    // The whole file is read before any search, so that a bad line ends the run at once.
    std::ifstream file(fileName);
    if (!file) {
        std::fprintf(stderr, "vardo-tactics: cannot read %s\n", fileName);
        return 2;
    }
    std::vector<Tactic> tactics;
    int lineNumber = 0;
    for (std::string line; std::getline(file, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        Tactic tactic;
        const std::string error = ReadLine(line, lineNumber, tactic);
        if (!error.empty()) {
            std::fprintf(stderr, "vardo-tactics: %s:%d: %s\n", fileName, lineNumber, error.c_str());
            return 2;
        }
        tactics.push_back(std::move(tactic));
    }
    if (file.bad()) {
        std::fprintf(stderr, "vardo-tactics: cannot read %s\n", fileName);
        return 2;
    }

    const std::unique_ptr<vardo::SearchEngine> search =
        vardo::MakeSearch(strong, hashMegabytes, threads);
    vardo::SearchEngine& searcher = *search;
    if (searcher.Table().Megabytes() != hashMegabytes)
        std::fprintf(stderr, "vardo-tactics: %s\n",
                     vardo::TableReducedText(hashMegabytes, searcher.Table().Megabytes()).c_str());
    int solved = 0;
    for (const Tactic& tactic : tactics) {
        vardo::Board board;
        board.SetFromFen(tactic.fen);    // accepted when the file was read
        searcher.ClearOrderingMemory();  // each position as in a new game
        DepthKeeper keeper;
        vardo::BestMove best;
        {
            const Watchdog watchdog{std::chrono::milliseconds(milliseconds)};
            best = searcher.Search(board, &keeper, vardo::SearchLimits());
        }
        const std::string found = vardo::CoordinateText(best.move);
        bool ok = false;
        std::string expected;
        for (const std::string& move : tactic.best) {
            ok = ok || move == found;
            expected += (expected.empty() ? "" : ",") + move;
        }
        solved += ok;
        std::printf("%s expected %s found %s %s depth %d score %d\n", tactic.id.c_str(),
                    expected.c_str(), found.c_str(), ok ? "ok" : "miss", keeper.completed,
                    best.score);
        std::fflush(stdout);
    }
    std::printf("solved %d of %zu\n", solved, tactics.size());
    return 0;
}
