// vardo-trace DATA OUT_DIR: traces the strong evaluation over the positions of a data file (as
// vardo-datagen writes it: "FEN | score | result" a line) for the tuner, tools/tune_eval.py.
// Positions the evaluation scores by a rule of its own (known draws and wins) are left out, as
// are lines it cannot read (counted on standard error).
//
// It writes into OUT_DIR, all numbers little-endian:
// - manifest.json: the terms (name, entries, kind, text) and every weight's current pair, in
//   the order of strong/eval_terms.h.
// - positions.bin: per position, 16 bytes: the result (float32, 1 a White win), the current
//   evaluation and the search's score (int32 each, White's point of view), the phase (uint8),
//   the endgame scale (uint8), and two bytes of padding.
// - linear.bin: per nonzero count, 8 bytes: the position's number (uint32), the weight's
//   number (uint16) and White's count less Black's (int16). Sorted by position.
// - safety_white.bin, safety_black.bin: the same, for the safety weights in the danger White's
//   (Black's) men pose to the other king, where it is counted.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "board/board.h"
#include "strong/eval_values.h"
#include "strong/strong_evaluator.h"
#include "support/standard_streams.h"

namespace {

struct PositionRecord {
    float result;
    std::int32_t score;
    std::int32_t search;
    std::uint8_t phase;
    std::uint8_t scale;
    std::uint8_t padding[2];
};
static_assert(sizeof(PositionRecord) == 16);

struct CountRecord {
    std::uint32_t position;
    std::uint16_t weight;
    std::int16_t count;
};
static_assert(sizeof(CountRecord) == 8);

// A file written in large blocks; false once a write failed.
class Output {
   public:
    explicit Output(const std::string& path) : file(std::fopen(path.c_str(), "wb")) {}
    ~Output() {
        if (file) std::fclose(file);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    template <typename T>
    void Put(const T& record) {
        ok = ok && file && std::fwrite(&record, sizeof record, 1, file) == 1;
    }
    bool Close() {
        ok = ok && file && std::fclose(file) == 0;
        file = nullptr;
        return ok;
    }

   private:
    std::FILE* file;
    bool ok = true;
};

bool WriteManifest(const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fprintf(out, "{\"terms\": [\n");
    bool first = true;
    for (const vardo::TermInfo& term : vardo::TERM_INFO) {
        std::fprintf(out,
                     "%s  {\"name\": \"%s\", \"entries\": %d, \"kind\": \"%s\", \"text\": \"%s\"}",
                     first ? "" : ",\n", term.name, term.entries,
                     term.kind == vardo::TermKind::LINEAR ? "linear" : "safety", term.text);
        first = false;
    }
    std::fprintf(out, "\n], \"values\": [\n");
    const vardo::Score* weights = reinterpret_cast<const vardo::Score*>(&vardo::EVAL_WEIGHTS);
    for (int i = 0; i < vardo::WEIGHT_COUNT; ++i)
        std::fprintf(out, "%s  [%d, %d]", i ? ",\n" : "", vardo::MgOf(weights[i]),
                     vardo::EgOf(weights[i]));
    std::fprintf(out,
                 "\n], \"constants\": {\"max_phase\": %d, \"scale_normal\": %d, "
                 "\"danger_mg_divisor\": %d, \"danger_eg_divisor\": %d, \"danger_cap\": %d}}\n",
                 vardo::MAX_PHASE, vardo::SCALE_NORMAL, vardo::DANGER_MG_DIVISOR,
                 vardo::DANGER_EG_DIVISOR, vardo::DANGER_CAP);
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    vardo::UseBinaryStandardStreams();
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::printf("usage: vardo-trace DATA OUT_DIR\n");
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: vardo-trace DATA OUT_DIR\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "vardo-trace: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::string dir = argv[2];
    if (!WriteManifest(dir + "/manifest.json")) {
        std::fprintf(stderr, "vardo-trace: cannot write into %s\n", argv[2]);
        return 2;
    }
    Output positions(dir + "/positions.bin");
    Output linear(dir + "/linear.bin");
    Output safety[2] = {Output(dir + "/safety_white.bin"), Output(dir + "/safety_black.bin")};

    vardo::StrongEvaluator evaluator;
    vardo::EvalTrace trace;
    std::uint32_t count = 0;
    long unreadable = 0;
    long special = 0;
    for (std::string line; std::getline(in, line);) {
        const std::size_t bar = line.find(" | ");
        const std::size_t second = bar == std::string::npos ? bar : line.find(" | ", bar + 3);
        vardo::Board board;
        if (second == std::string::npos || !board.SetFromFen(line.substr(0, bar))) {
            ++unreadable;
            continue;
        }
        const std::string result = line.substr(second + 3, 3);
        PositionRecord record{};
        record.result = result == "1.0" ? 1.0f : result == "0.0" ? 0.0f : 0.5f;
        record.search = std::atoi(line.c_str() + bar + 3);
        record.score = evaluator.Trace(board, trace);
        if (trace.special) {
            ++special;
            continue;
        }
        record.phase = static_cast<std::uint8_t>(trace.phase);
        record.scale = static_cast<std::uint8_t>(trace.scale);
        positions.Put(record);
        for (int i = 0; i < vardo::WEIGHT_COUNT; ++i) {
            const int net = trace.linear[i][vardo::WHITE] - trace.linear[i][vardo::BLACK];
            if (net != 0)
                linear.Put(CountRecord{count, static_cast<std::uint16_t>(i),
                                       static_cast<std::int16_t>(net)});
            for (int c = vardo::WHITE; c <= vardo::BLACK; ++c)
                if (trace.safety[i][c] != 0)
                    safety[c].Put(
                        CountRecord{count, static_cast<std::uint16_t>(i), trace.safety[i][c]});
        }
        ++count;
    }
    // Every file is closed, whichever fails first.
    bool ok = positions.Close();
    ok = linear.Close() && ok;
    ok = safety[vardo::WHITE].Close() && ok;
    ok = safety[vardo::BLACK].Close() && ok;
    std::fprintf(stderr,
                 "vardo-trace: %u positions traced, %ld scored by a rule of their own, %ld "
                 "lines unreadable\n",
                 count, special, unreadable);
    if (!ok) {
        std::fprintf(stderr, "vardo-trace: cannot write into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
