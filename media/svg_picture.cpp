// Pixels as SVG rectangles: runs per row, merged down the rows, one path a
// colour, so the LCD's 122 x 32 dots come to a few kilobytes.
#include "media/svg_picture.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace svg {

std::string Colour(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
    return text;
}

std::string PixelGroup(const uint32_t* pixels, int width, int height, int stride) {
    if (width <= 0 || height <= 0) return "<g/>\n";
    const auto at = [&](int x, int y) { return pixels[size_t(y) * size_t(stride) + size_t(x)] & 0xFFFFFFu; };
    std::unordered_map<uint32_t, size_t> counts;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ++counts[at(x, y)];
    uint32_t ground = 0;
    size_t most = 0;
    for (const auto& [colour, n] : counts)
        if (n > most || (n == most && colour < ground)) {
            ground = colour;
            most = n;
        }
    struct Run {
        int x, y, w, h;
    };
    // Runs still growing downwards, by (x, width, colour); closed ones by colour.
    std::map<std::tuple<int, int, uint32_t>, Run> open;
    std::map<uint32_t, std::vector<Run>> closed;
    for (int y = 0; y < height; ++y) {
        std::map<std::tuple<int, int, uint32_t>, Run> next;
        for (int x = 0; x < width;) {
            const uint32_t colour = at(x, y);
            int end = x + 1;
            while (end < width && at(end, y) == colour) ++end;
            if (colour != ground) {
                const auto key = std::make_tuple(x, end - x, colour);
                const auto above = open.find(key);
                Run run = above != open.end() ? above->second : Run{x, y, end - x, 0};
                if (above != open.end()) open.erase(above);
                ++run.h;
                next.emplace(key, run);
            }
            x = end;
        }
        for (const auto& [key, run] : open) closed[std::get<2>(key)].push_back(run);
        open = std::move(next);
    }
    for (const auto& [key, run] : open) closed[std::get<2>(key)].push_back(run);

    std::string out = "<g shape-rendering=\"crispEdges\">\n";
    out += "<rect width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" fill=\"" +
           Colour(ground) + "\"/>\n";
    for (auto& [colour, runs] : closed) {
        std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
        out += "<path fill=\"" + Colour(colour) + "\" d=\"";
        for (const Run& r : runs)
            out += "M" + std::to_string(r.x) + " " + std::to_string(r.y) + "h" + std::to_string(r.w) + "v" +
                   std::to_string(r.h) + "h-" + std::to_string(r.w) + "z";
        out += "\"/>\n";
    }
    return out + "</g>\n";
}

std::string Document(const std::string& body, int width, int height, int scale) {
    const std::string w = std::to_string(width), h = std::to_string(height);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           std::to_string(width * scale) + "\" height=\"" + std::to_string(height * scale) + "\" viewBox=\"0 0 " + w +
           " " + h + "\">\n" + body + "</svg>\n";
}

}  // namespace svg
