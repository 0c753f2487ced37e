// Build tool: turns the readable program definitions into the factory bank.
//   orva-make-bank DEFINITIONS.txt OUTPUT.mem
// Parameter names, ranges and option texts come from the control table, so the
// definitions say what a musician reads on the knob ("Release = 300").
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/ControlTable.h"
#include "host/PresetBank.h"

namespace {

struct Failure {
    int line;
    std::string message;
};

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(value);
}

int IndexOfName(const std::string& name) {
    for (int index = 0; index < kHostParameterCount; ++index) {
        const ControlDescriptor& d = DescriptorOf(index);
        if (descriptorOfIndex[index] != 0 && d.label && name == d.label) return index;
    }
    return -1;
}

// Normalised value of "Name = VALUE" for a host parameter.
float NormalisedOf(int index, const std::string& valueText, int line) {
    const ControlDescriptor& d = DescriptorOf(index);
    double display;
    if (!ParseNumber(valueText, display)) {
        const int items = CountOptionItems(d.options);
        for (int k = 0; k < items; ++k) {
            char item[64];
            if (CopyOptionItem(d.options, k, item, 63) && valueText == item)
                return items > 1 ? static_cast<float>(static_cast<double>(k) / (items - 1)) : 0.0f;
        }
        throw Failure{line, "'" + valueText + "' is neither a number nor an option of " + d.label};
    }
    const double low = d.low, high = d.high;
    if (display < std::min(low, high) - 1e-6 || display > std::max(low, high) + 1e-6) {
        std::ostringstream why;
        why << d.label << " = " << valueText << " lies outside " << low << " .. " << high;
        throw Failure{line, why.str()};
    }
    if (high == low) return 0.0f;
    double n = (display - low) / (high - low);
    return static_cast<float>(n < 0 ? 0 : (n > 1 ? 1 : n));
}

void Generate(std::istream& in, std::vector<PresetMemory>& bank) {
    int counter = 0;
    for (PresetMemory& m : bank) InitialisePresetMemory(m, counter);
    std::vector<int16_t> midiMap(kPresetParamCount, -1);
    std::vector<bool> defined(kProgramCount, false);
    std::vector<int> current;  // programs the following value lines apply to
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        std::string text = Trim(raw);
        if (text.empty() || text[0] == '#') continue;
        if (text.rfind("midimap", 0) == 0) {
            std::istringstream words(text.substr(7));
            std::string pair;
            while (words >> pair) {
                size_t eq = pair.find('=');
                double index, controller;
                if (eq == std::string::npos || !ParseNumber(pair.substr(0, eq), index) ||
                    !ParseNumber(pair.substr(eq + 1), controller) || index < 0 || index >= kPresetParamCount ||
                    controller < -32768 || controller > 32767)
                    throw Failure{line, "bad midimap entry '" + pair + "'"};
                midiMap[static_cast<size_t>(index)] = static_cast<int16_t>(controller);
            }
            continue;
        }
        if (text.rfind("program", 0) == 0) {
            // program N "Name" [from M]   or   program A-B "Name #" from M
            size_t q1 = text.find('"'), q2 = text.rfind('"');
            if (q1 == std::string::npos || q2 == q1) throw Failure{line, "program needs a quoted name"};
            std::string range = Trim(text.substr(7, q1 - 7)), name = text.substr(q1 + 1, q2 - q1 - 1);
            std::string rest = Trim(text.substr(q2 + 1));
            double first, last, from = -1;
            size_t dash = range.find('-');
            if (dash == std::string::npos) {
                if (!ParseNumber(range, first)) throw Failure{line, "bad program number"};
                last = first;
            } else if (!ParseNumber(range.substr(0, dash), first) || !ParseNumber(range.substr(dash + 1), last)) {
                throw Failure{line, "bad program range"};
            }
            if (!rest.empty() && (rest.rfind("from", 0) != 0 || !ParseNumber(Trim(rest.substr(4)), from)))
                throw Failure{line, "expected 'from N' after the name"};
            if (first < 0 || last >= kProgramCount || first > last) throw Failure{line, "program out of range"};
            current.clear();
            for (int p = static_cast<int>(first), n = 1; p <= static_cast<int>(last); ++p, ++n) {
                if (defined[static_cast<size_t>(p)]) throw Failure{line, "program " + std::to_string(p) + " defined twice"};
                defined[static_cast<size_t>(p)] = true;
                PresetMemory& m = bank[static_cast<size_t>(p)];
                if (from >= 0) {
                    if (from >= kProgramCount || !defined[static_cast<size_t>(from)] || from == p)
                        throw Failure{line, "'from' names a program not defined above"};
                    std::memcpy(m.values, bank[static_cast<size_t>(from)].values, sizeof m.values);
                }
                std::string programName = name;
                size_t hash = programName.find('#');
                if (hash != std::string::npos) programName.replace(hash, 1, std::to_string(n));
                if (programName.size() > 24) throw Failure{line, "name longer than 24 characters"};
                std::memset(m.name, 0, sizeof m.name);
                std::memcpy(m.name, programName.data(), programName.size());
                current.push_back(p);
            }
            continue;
        }
        size_t eq = text.find('=');
        if (eq == std::string::npos || current.empty()) throw Failure{line, "expected 'Parameter = value'"};
        std::string key = Trim(text.substr(0, eq)), value = Trim(text.substr(eq + 1));
        int index;
        float normalised;
        if (key.size() > 2 && key.front() == '[' && key.back() == ']') {
            double i, n;
            if (!ParseNumber(key.substr(1, key.size() - 2), i) || i < 0 || i >= kPresetParamCount)
                throw Failure{line, "bad parameter index " + key};
            if (!ParseNumber(value, n) || n < 0 || n > 1) throw Failure{line, "normalised values lie in 0..1"};
            index = static_cast<int>(i);
            normalised = static_cast<float>(n);
        } else {
            index = IndexOfName(key);
            if (index < 0) throw Failure{line, "unknown parameter '" + key + "'"};
            normalised = NormalisedOf(index, value, line);
        }
        for (int p : current) bank[static_cast<size_t>(p)].values[index] = normalised;
    }
    for (int p = 0; p < kProgramCount; ++p)
        if (!defined[static_cast<size_t>(p)]) throw Failure{line, "program " + std::to_string(p) + " is not defined"};
    for (PresetMemory& m : bank) {
        for (int i = 0; i < kPresetParamCount; ++i) m.midiMap[i] = midiMap[static_cast<size_t>(i)];
        m.spare = 0x31;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DEFINITIONS.txt OUTPUT.mem\n", argv[0]);
        return 2;
    }
    BuildControlIndexMaps();
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }
    std::vector<PresetMemory> bank(kProgramCount);
    try {
        Generate(in, bank);
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s:%d: %s\n", argv[1], f.line, f.message.c_str());
        return 1;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(bank.data(), sizeof(PresetMemory), bank.size(), out) != bank.size()) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        if (out) std::fclose(out);
        std::remove(argv[2]);
        return 1;
    }
    std::fclose(out);
    return 0;
}
