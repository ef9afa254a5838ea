#include "model/BuildOrderFile.h"

#include "model/AtomicFile.h"
#include "model/DevelopmentSnapshot.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tsm {

const char* const kBuildOrderIgnoredText =
    "The assembly order stored beside the model does not fit it; the derived order is used.";

namespace {

const char* const kHeader = "tessaly build order 1";

// Enough for a line per part of a development far beyond any the viewer draws.
constexpr std::uintmax_t kMaxSidecarBytes = std::uintmax_t(16) << 20;

struct PartMark {
    long long faces = 0;
    long long firstFace = -1;
};

PartMark MarkOf(const Part& part) {
    PartMark mark;
    mark.faces = static_cast<long long>(part.faces.size());
    for (const Face* face : part.faces) {
        const long long index = PartPool::FaceIndex(*face);
        if (index >= 0 && (mark.firstFace < 0 || index < mark.firstFace)) mark.firstFace = index;
    }
    return mark;
}

// The next line without its end; false at the end of the text.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    const size_t end = text.find('\n');
    line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// Whole decimal numbers separated by single spaces, exactly `count` of them.
bool Numbers(std::string_view line, size_t count, std::vector<long long>& out) {
    out.clear();
    const char* p = line.data();
    const char* end = line.data() + line.size();
    while (p < end && out.size() < count) {
        long long value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || next == p) return false;
        out.push_back(value);
        p = next;
        if (p < end && *p == ' ') ++p;
    }
    return p == end && out.size() == count;
}

Outcome Damaged(size_t lineNumber) {
    return Outcome::Failed("line " + std::to_string(lineNumber) + " of the assembly order cannot be used");
}

} // namespace

std::string BuildOrderPath(const std::string& modelPath) {
    return modelPath + ".order";
}

std::string BuildOrderText(const Development& development) {
    std::vector<std::pair<int, size_t>> steps;
    for (size_t p = 0; p < development.parts.size(); ++p)
        if (development.parts[p]->buildStep > 0) steps.emplace_back(development.parts[p]->buildStep, p);
    if (steps.empty()) return {};
    std::sort(steps.begin(), steps.end());
    std::string text = std::string(kHeader) + "\nparts " + std::to_string(steps.size()) + "\n";
    for (const auto& [step, p] : steps) {
        const PartMark mark = MarkOf(*development.parts[p]);
        text += std::to_string(p) + " " + std::to_string(mark.faces) + " " + std::to_string(mark.firstFace) +
                "\n";
    }
    return text;
}

Outcome ApplyBuildOrderText(Development& development, std::string_view text) {
    std::string_view line;
    std::vector<long long> numbers;
    if (!NextLine(text, line) || line != kHeader) return Damaged(1);
    if (!NextLine(text, line) || line.substr(0, 6) != "parts " || !Numbers(line.substr(6), 1, numbers) ||
        numbers[0] != static_cast<long long>(development.parts.size()))
        return Damaged(2);
    const size_t n = development.parts.size();
    std::vector<int> steps(n, 0);
    for (size_t step = 1; step <= n; ++step) {
        if (!NextLine(text, line) || !Numbers(line, 3, numbers)) return Damaged(step + 2);
        const long long p = numbers[0];
        if (p < 0 || static_cast<size_t>(p) >= n || steps[p] != 0) return Damaged(step + 2);
        const PartMark mark = MarkOf(*development.parts[p]);
        if (mark.faces != numbers[1] || mark.firstFace != numbers[2]) return Damaged(step + 2);
        steps[p] = static_cast<int>(step);
    }
    while (NextLine(text, line))
        if (!line.empty()) return Damaged(n + 3);
    for (size_t p = 0; p < n; ++p) development.parts[p]->buildStep = steps[p];
    return Outcome::Ok();
}

Outcome SaveBuildOrderBeside(const std::string& modelPath, const Development* development) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(modelPath, error)) return Outcome::Ok();
    const std::string path = BuildOrderPath(modelPath);
    const std::string text = development ? BuildOrderText(*development) : std::string();
    if (!text.empty()) return WriteWholeFile(path, text);
    if (!std::filesystem::is_regular_file(path, error)) return Outcome::Ok();
    if (!std::filesystem::remove(path, error) && error)
        return Outcome::Failed("cannot remove " + path + ": " + error.message());
    return Outcome::Ok();
}

Outcome LoadBuildOrderBeside(const std::string& modelPath, Development& development) {
    const std::string path = BuildOrderPath(modelPath);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return Outcome::Ok();
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxSidecarBytes) return Outcome::Failed("the assembly order is too large");
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return Outcome::Failed("cannot read " + path);
    return ApplyBuildOrderText(development, text);
}

} // namespace tsm
