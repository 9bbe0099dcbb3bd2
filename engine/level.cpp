#include "engine/level.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

#include "search/line.h"

namespace vardo {

namespace {

// Ratings and the strengths that play them, measured in games against Stockfish 15.1 set to
// the same UCI_Elo (scripts/levels.py), 20 games a point at 1 minute + 0.6 s a move: strength
// 5.43 playing about 1365, 8.87 about 1817, 16.67 about 2009 and full strength about 2347
// (42.5% against 2400). Every rating above the last plays full strength. Below Stockfish's
// lowest level, against the levels above: strength 3.12 about 983 (10% against 5.43), and the
// weakest, 0.5, about 875 (35% against 3.12); every rating below plays the weakest.
struct Anchor {
    int elo;
    double strength;
};
constexpr Anchor ANCHORS[] = {
    {875, 0.5}, {983, 3.12}, {1365, 5.43}, {1817, 8.87}, {2009, 16.67}, {2347, 20.0},
};

}  // namespace

double LevelStrength(int elo) {
    const int clamped = std::clamp(elo, MIN_LEVEL_ELO, MAX_LEVEL_ELO);
    const Anchor* above = std::find_if(std::begin(ANCHORS), std::end(ANCHORS),
                                       [&](const Anchor& a) { return a.elo >= clamped; });
    if (above == std::begin(ANCHORS)) return above->strength;
    if (above == std::end(ANCHORS)) return std::prev(above)->strength;
    const Anchor* below = std::prev(above);
    return below->strength + (above->strength - below->strength) * (clamped - below->elo) /
                                 static_cast<double>(above->elo - below->elo);
}

LevelSettings SettingsOfStrength(double strength) {
    const double s = std::clamp(strength, 0.0, LEVEL_TOP);
    const double weakness = LEVEL_TOP - s;
    LevelSettings settings;
    settings.thinkShareLow = 0.25f;
    settings.thinkShareHigh = 0.6f;
    if (weakness == 0.0) {
        // The full search: no limit of its own, the best line played.
        settings.maxDepth = MAX_DEPTH;
        return settings;
    }
    // The noise, the part of a shortfall forgiven and the most loss fall with the square of
    // the weakness: the upper levels play nearly the best line, the lower ones err freely.
    const double square = weakness * weakness;
    settings.maxDepth = 1 + static_cast<int>(std::lround(0.7 * s));
    settings.nodes = static_cast<std::uint64_t>(std::llround(150.0 * std::pow(1.8, s)));
    // The lowest levels choose among more lines, up to eight: with only the best four to
    // choose from, the level of 800 played no weaker than that of 1100.
    settings.lines = weakness > 17.5  ? 4 + static_cast<int>(std::lround((weakness - 17.5) * 2))
                     : weakness > 5.0 ? 4
                                      : 2;
    settings.keepPercent = static_cast<int>(std::lround(100.0 - 0.2125 * square));
    settings.noise = static_cast<int>(std::lround(0.3 * square));
    settings.maxLoss = static_cast<int>(std::lround(40.0 + 0.65 * square));
    return settings;
}

int ChooseLevelLine(const std::vector<LevelLine>& lines, const LevelSettings& settings,
                    Random& random) {
    int best = INT_MIN;
    for (const LevelLine& line : lines) best = std::max(best, line.score);
    int chosen = 0;
    int most = INT_MIN;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const int shortfall = best - lines[i].score;
        if (shortfall > settings.maxLoss) continue;
        const int value = -shortfall * settings.keepPercent / 100 +
                          (settings.noise > 0 ? random.Below(settings.noise + 1) : 0);
        if (value > most) {
            most = value;
            chosen = i;
        }
    }
    return chosen;
}

}  // namespace vardo
