// PNG encoding alone, size and time of every compression level, on the
// screens of a corpus (bench/corpus.sh), as ratios against libpng at zlib's
// level 6 with its adaptive filters, measured in the same run. Not a test:
// it prints figures.
//   encode_bench CORPUS_FOLDER [--runs N] [--grid | --level N | --try EFFORT...] [--formats]
// --grid also tries each filter choice at each libdeflate level, for
// choosing what the seven levels are; --try FILTER,LEVEL,WHOLE,BUSYLEVEL,BUSYWHOLE
// (FILTER sub, fewest or smallest; WHOLE 0 or 1) tries one effort, and may
// be given again; --level N runs one level alone;
// --formats adds JPEG at quality 90, BMP and GIF (quantised, and dithered).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/png_files.h"
#include "imagelib/codecs.h"
#include "imagelib/colour_reduction.h"

using namespace dudo;
namespace fs = std::filesystem;

namespace {

struct Figure {
    double ms;
    std::size_t bytes;
};

Figure Measure(const std::function<std::size_t()>& encode, int runs) {
    std::vector<double> times;
    std::size_t bytes = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        bytes = encode();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], bytes};
}

struct Row {
    std::string name;
    std::function<std::size_t(const Image&)> encode;  // gives the file's size
};

Row PngRow(const std::string& name, PngEffort effort) {
    auto png = std::make_shared<PngEncoder>();  // as the library keeps it
    return {name, [png, effort](const Image& image) {
                std::size_t size = 0;
                png->Encode(image, effort, [&](std::span<const std::uint8_t> part) { size += part.size(); });
                return size;
            }};
}

// An effort as --try gives it: "smallest,7,1,2,1".
Row TriedRow(const std::string& effort) {
    char filter[16] = {};
    int level = 1, whole = 0, busyLevel = 1, busyWhole = 0;
    std::sscanf(effort.c_str(), "%15[a-z],%d,%d,%d,%d", filter, &level, &whole, &busyLevel, &busyWhole);
    const RowFilter rows = !std::strcmp(filter, "sub") ? RowFilter::Sub
                           : !std::strcmp(filter, "fewest") ? RowFilter::Fewest
                                                            : RowFilter::Smallest;
    return PngRow(effort, {level, rows, whole != 0, busyLevel, busyWhole != 0});
}

std::vector<Row> Rows(bool grid, int only, bool formats, const std::vector<std::string>& tried) {
    std::vector<Row> rows;
    for (const std::string& effort : tried) rows.push_back(TriedRow(effort));
    if (!tried.empty()) return rows;
    for (int level = 1; level <= 7; ++level)
        if (only == 0 || only == level) rows.push_back(PngRow("level " + std::to_string(level), PngEffortOf(level)));
    if (formats) {
        rows.push_back({"JPEG 90", [](const Image& image) { return EncodeJpeg(image, 90).size(); }});
        rows.push_back({"BMP", [](const Image& image) { return EncodeBmp(image).size(); }});
        rows.push_back({"GIF", [](const Image& image) { return EncodeGif(image, false, false).size(); }});
        rows.push_back({"GIF dithered", [](const Image& image) {
                            return EncodeGif(Quantise(image, 256, true), false, true).size();
                        }});
    }
    if (!grid) return rows;
    const char* filters[] = {"sub", "fewest", "smallest"};
    for (int deflate : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})
        for (int f = 0; f < 3; ++f)
            for (bool whole : {false, true})
                rows.push_back(PngRow("d" + std::to_string(deflate) + " " + filters[f] + (whole ? " whole" : ""),
                                      {deflate, static_cast<RowFilter>(f), whole, std::min(deflate, 1), whole}));
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: encode_bench CORPUS_FOLDER [--runs N] [--grid | --level N] [--formats]\n");
        return 2;
    }
    int runs = 5;
    bool grid = false, formats = false;
    int only = 0;  // one level alone, as for its peak memory
    std::vector<std::string> tried;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::atoi(argv[++i]);
        if (!std::strcmp(argv[i], "--grid")) grid = true;
        if (!std::strcmp(argv[i], "--formats")) formats = true;
        if (!std::strcmp(argv[i], "--level") && i + 1 < argc) only = std::atoi(argv[++i]);
        if (!std::strcmp(argv[i], "--try") && i + 1 < argc) tried.push_back(argv[++i]);
    }
    const std::vector<fs::path> files = bench::CorpusFiles(argv[1]);
    const std::vector<Row> rows = Rows(grid, only, formats, tried);
    // Over the whole corpus: geometric means of the ratios against libpng.
    std::map<std::string, std::pair<double, double>> logSum;
    for (const fs::path& file : files) {
        const Image image = bench::LoadPng(file);
        // One level alone skips libpng, whose copies would hide the level's own peak memory.
        const Figure base =
            only || !tried.empty() ? Figure{1, 1} : Measure([&] { return bench::LibpngLevel6Size(image); }, std::max(1, runs / 2));
        std::printf("%s: libpng level 6 %zu bytes in %.1f ms\n", file.filename().c_str(), base.bytes, base.ms);
        for (const Row& row : rows) {
            const Figure f = Measure([&] { return row.encode(image); }, runs);
            const double size = static_cast<double>(f.bytes) / base.bytes, time = f.ms / base.ms;
            logSum[row.name].first += std::log(size);
            logSum[row.name].second += std::log(time);
            std::printf("  %-20s %9zu bytes %7.1f ms   size x%.3f  time x%.3f\n", row.name.c_str(), f.bytes, f.ms,
                        size, time);
        }
    }
    std::printf("Whole corpus, geometric means against libpng level 6:\n");
    for (const Row& row : rows) {
        const auto [size, time] = logSum[row.name];
        std::printf("  %-20s size x%.3f  time x%.3f\n", row.name.c_str(), std::exp(size / files.size()),
                    std::exp(time / files.size()));
    }
}
