// palettes: how far apart the colours of every preset of the colour scheme
// screen look, with normal vision, with each dichromacy and in grey.
//
// Usage: palettes                                  the table
//        palettes simulate CONDITION IN.png OUT.png  a picture as seen so
//        palettes reach [SEED]                       how far apart six colours
//                                                    can be kept at all
// CONDITION: normal, protanopia, deuteranopia, tritanopia or grey.
// The table's exit status is 1 when a colour-safe preset falls below its
// threshold.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <iterator>
#include <string>
#include <vector>

#include "game/frontend/frontend.h"
#include "game/puzzle/state.h"
#include "tools/palettes/colour_vision.h"

namespace cv = colour_vision;

namespace {

std::vector<cv::Rgb> palette_of(const std::array<int, 18>& channels) {
    std::vector<cv::Rgb> palette;
    for (size_t i = 0; i < channels.size(); i += 3) palette.push_back({channels[i], channels[i + 1], channels[i + 2]});
    return palette;
}

// One row: the smallest difference per condition and its pair of digits.
// Returns whether the row keeps the threshold in the conditions it must.
bool print_row(const char* name, const std::array<int, 18>& channels, bool colour_safe) {
    const std::vector<cv::Rgb> palette = palette_of(channels);
    std::printf("%-12s", name);
    bool keeps = true;
    for (cv::Condition c : cv::ALL_CONDITIONS) {
        const cv::ClosestPair p = cv::closest_pair(palette, c);
        std::printf("  %5.1f (%d-%d)", p.difference, p.first + 1, p.second + 1);
        if (c != cv::Condition::Grey && p.difference < COLOUR_SAFE_DIFFERENCE) keeps = false;
    }
    const char* verdict = !colour_safe ? "" : keeps ? "  safe" : "  BELOW THRESHOLD";
    std::printf("%s\n", verdict);
    return !colour_safe || keeps;
}

// The smallest difference over the conditions a colour-safe palette serves.
double worst_case(const std::vector<cv::Rgb>& palette) {
    double worst = INFINITY;
    for (cv::Condition c : cv::SAFE_CONDITIONS) worst = std::min(worst, cv::closest_pair(palette, c).difference);
    return worst;
}

// A plain hill climb over six colours with even channels in 20..254 (what
// the arrows can reach), from random starts: a lower bound on what any
// palette of six can keep in every condition at once, names aside.
int reach(unsigned seed) {
    constexpr int STARTS = 12, STEPS = 12000, LOW = 20, HIGH = 254, MOVE = 20;
    std::mt19937 random(seed);
    auto channel = [&] { return LOW + 2 * static_cast<int>(random() % ((HIGH - LOW) / 2 + 1)); };
    std::vector<cv::Rgb> best;
    double best_worst = -1;
    for (int start = 0; start < STARTS; start++) {
        std::vector<cv::Rgb> palette(6);
        for (cv::Rgb& c : palette) c = {channel(), channel(), channel()};
        double worst = worst_case(palette);
        for (int step = 0; step < STEPS; step++) {
            std::vector<cv::Rgb> next = palette;
            cv::Rgb& c = next[random() % 6];
            int& v = random() % 3 == 0 ? c.r : random() % 2 == 0 ? c.g : c.b;
            v = std::clamp(v + 2 * (static_cast<int>(random() % (MOVE + 1)) - MOVE / 2), LOW, HIGH);
            const double w = worst_case(next);
            if (w >= worst) {
                worst = w;
                palette = next;
            }
        }
        if (worst > best_worst) {
            best_worst = worst;
            best = palette;
        }
    }
    std::printf("Best of %d climbs (seed %u):", STARTS, seed);
    for (const cv::Rgb& c : best) std::printf(" (%d, %d, %d)", c.r, c.g, c.b);
    std::printf("\n");
    for (cv::Condition c : cv::ALL_CONDITIONS) {
        const cv::ClosestPair p = cv::closest_pair(best, c);
        std::printf("  %-12s %5.1f (%d-%d)\n", cv::condition_name(c), p.difference, p.first + 1, p.second + 1);
    }
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: palettes\n       palettes simulate CONDITION IN.png OUT.png\n"
                         "       palettes reach [SEED]\n"
                         "CONDITION: normal, protanopia, deuteranopia, tritanopia or grey\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "simulate") == 0) {
        cv::Condition condition;
        if (!cv::condition_from_name(argv[2], condition)) return usage();
        if (!cv::simulate_png(argv[3], argv[4], condition)) {
            std::fprintf(stderr, "palettes: cannot turn %s into %s\n", argv[3], argv[4]);
            return 1;
        }
        return 0;
    }
    if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "reach") == 0)
        return reach(argc == 3 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1u);
    if (argc != 1) return usage();

    std::printf("Smallest CIEDE2000 difference between two of the six tile colours (and\n"
                "which colours, 1..6), per condition; dichromacies simulated after Machado\n"
                "et al. 2009 at severity 1 in linear sRGB. A colour-safe preset keeps\n"
                "%.0f in every condition but grey, which is shown for information.\n\n",
                COLOUR_SAFE_DIFFERENCE);
    std::printf("%-12s", "palette");
    for (cv::Condition c : cv::ALL_CONDITIONS) std::printf("  %-11s", cv::condition_name(c));
    std::printf("\n");
    bool all_keep = print_row("defaults", DEFAULT_COLOUR_CHANNELS, false);
    for (const ColourPreset& preset : COLOUR_PRESETS)
        all_keep = print_row(preset.name, preset.channels, preset.colour_safe) && all_keep;
    return all_keep ? 0 : 1;
}
