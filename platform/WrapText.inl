// Line breaking of tooltip texts (a template: the measure comes from cairo in the
// window and from a fixed-width stand-in in the tests).
#pragma once

namespace orva::platform {

template <typename Measure>
std::vector<std::string> wrapText(const std::string& text, int32_t maxWidth, Measure measure) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        std::string line;
        size_t pos = 0;
        while (pos < paragraph.size()) {
            size_t wordEnd = paragraph.find(' ', pos);
            if (wordEnd == std::string::npos) wordEnd = paragraph.size();
            std::string word = paragraph.substr(pos, wordEnd - pos);
            std::string candidate = line.empty() ? word : line + " " + word;
            if (measure(candidate) <= maxWidth) {
                line = candidate;
            } else {
                if (!line.empty()) lines.push_back(line);
                line.clear();
                // A word wider than the limit by itself is broken between characters.
                std::string piece;
                for (size_t i = 0; i < word.size();) {
                    size_t len = 1;
                    const unsigned char c = static_cast<unsigned char>(word[i]);
                    if (c >= 0xF0) len = 4;
                    else if (c >= 0xE0) len = 3;
                    else if (c >= 0xC0) len = 2;
                    std::string next = piece + word.substr(i, len);
                    if (!piece.empty() && measure(next) > maxWidth) {
                        lines.push_back(piece);
                        piece = word.substr(i, len);
                    } else {
                        piece = next;
                    }
                    i += len;
                }
                line = piece;
            }
            pos = wordEnd + 1;
        }
        lines.push_back(line);
        if (end == text.size()) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace orva::platform
