#include "model/MtlReader.h"

#include "model/MeshText.h"
#include "model/TextCase.h"

#include <algorithm>

namespace tsm {

namespace {

using namespace meshtext;

// The number of values an option of map_Kd takes; -o, -s and -t take one to three numbers.
int OptionArguments(std::string_view option) {
    if (option == "-mm") return 2;
    if (option == "-o" || option == "-s" || option == "-t") return 3;
    for (std::string_view one :
         {"-blendu", "-blendv", "-cc", "-clamp", "-bm", "-boost", "-texres", "-imfchan", "-type"})
        if (option == one) return 1;
    return 0;
}

void ReadTextureStatement(const std::vector<std::string_view>& tokens, MtlMaterial& material) {
    double offset[2] = {0, 0}, scale[2] = {1, 1};
    bool clamp = false;
    size_t i = 1;
    while (i < tokens.size() && tokens[i].size() > 1 && tokens[i][0] == '-') {
        const std::string_view option = tokens[i++];
        const int arguments = OptionArguments(option);
        if (arguments == 0) continue; // unknown: take it as a flag
        if (arguments == 3) {
            double values[3] = {0, 0, 0};
            int count = 0;
            while (count < 3 && i < tokens.size() && ParseDouble(tokens[i], values[count])) {
                ++count;
                ++i;
            }
            // A value left out is 0 for the offset and 1 for the scale.
            if (option == "-o") offset[0] = values[0], offset[1] = count > 1 ? values[1] : 0;
            if (option == "-s" && count > 0) scale[0] = values[0], scale[1] = count > 1 ? values[1] : 1;
            continue;
        }
        if (option == "-clamp" && i < tokens.size()) clamp = tokens[i] == "on";
        i = std::min(tokens.size(), i + size_t(arguments));
    }
    if (i >= tokens.size()) return;
    // The rest of the line is the file name, spaces and all.
    const std::string_view first = tokens[i], last = tokens.back();
    std::string_view name(first.data(), size_t(last.data() + last.size() - first.data()));
    // Some exporters quote a name with spaces in it; no file name starts and ends with a quote.
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    material.texture.assign(name);
    // The options count v up the image; the model counts it down: v' = 1 - (s (1 - v) + o).
    material.mapping.matrix = {scale[0], 0, offset[0], 0, scale[1], 1 - scale[1] - offset[1]};
    if (clamp) material.mapping.wrapU = material.mapping.wrapV = TextureWrap::Clamp;
}

} // namespace

std::vector<MtlMaterial> ReadMtl(std::string_view bytes) {
    std::vector<MtlMaterial> materials;
    LineCursor cursor(bytes);
    std::string_view line;
    std::vector<std::string_view> tokens;
    while (cursor.Next(line)) {
        Tokenise(line, tokens);
        if (tokens.empty()) continue;
        // Exporters differ in the case of the keywords (map_kd, KD); the words themselves do not clash.
        const std::string keyword = AsciiLower(std::string(tokens[0]));
        if (keyword == "newmtl") {
            MtlMaterial material;
            // Joined as the OBJ reader joins the words of usemtl, so that the names meet.
            for (size_t i = 1; i < tokens.size(); ++i) {
                if (i > 1) material.name += ' ';
                material.name += tokens[i];
            }
            materials.push_back(std::move(material));
        } else if (materials.empty()) {
            continue;
        } else if (keyword == "kd" && tokens.size() >= 2) {
            // One value is a grey; a spectral or CIE colour (Kd spectral ..., Kd xyz ...) is not a number.
            double rgb[3];
            const size_t values = tokens.size() >= 4 ? 3 : 1;
            bool numbers = true;
            for (size_t c = 0; c < values; ++c) numbers = numbers && ParseDouble(tokens[1 + c], rgb[c]);
            if (!numbers) continue;
            if (values == 1) rgb[1] = rgb[2] = rgb[0];
            for (int c = 0; c < 3; ++c) materials.back().colour[c] = float(std::clamp(rgb[c], 0.0, 1.0));
            materials.back().hasColour = true;
        } else if (keyword == "map_kd") {
            ReadTextureStatement(tokens, materials.back());
        }
    }
    return materials;
}

} // namespace tsm
