// palettes: how far apart the colours of every preset of the colour scheme
// screen look, with normal vision, with each dichromacy and in grey.
//
// Usage: palettes                                  the table
//        palettes simulate CONDITION IN.png OUT.png  a picture as seen so
// CONDITION: normal, protanopia, deuteranopia, tritanopia or grey.
// The table's exit status is 1 when a colour-safe preset falls below its
// threshold.
#include <cstdio>
#include <cstring>
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

int usage() {
    std::fprintf(stderr, "usage: palettes\n       palettes simulate CONDITION IN.png OUT.png\n"
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
