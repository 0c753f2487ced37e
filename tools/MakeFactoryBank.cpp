// Build tool: turns the readable program definitions into the factory bank and,
// on request, into the Markdown table of programs in the documentation.
//   orva-make-bank DEFINITIONS.txt OUTPUT.mem
//   orva-make-bank DEFINITIONS.txt [OUTPUT.mem] --table PROGRAMS.md
//   orva-make-bank DEFINITIONS.txt [OUTPUT.mem] --check-table PROGRAMS.md
// Parameter names, ranges and option texts come from the control table, so the
// definitions say what a musician reads on the knob ("Release = 300"). With
// --table every program needs an 'about' line; --check-table fails when the
// given file differs from the table the definitions produce.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

// What the definitions say about each program besides its values.
struct ProgramInfo {
    int line = 0;         // line of its 'program' statement
    int group = -1;       // programs defined by one statement share a group
    std::string about;    // one-line description for the table
    int aboutLine = 0;
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

bool ParseWhole(const std::string& text, double& value) {
    return ParseNumber(text, value) && value == std::floor(value);
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

// A value line may end with a comment: "Attack = 50   # 0.5 ms".
std::string WithoutComment(const std::string& text) {
    const size_t hash = text.find('#');
    return hash == std::string::npos ? text : Trim(text.substr(0, hash));
}

void Generate(std::istream& in, std::vector<PresetMemory>& bank, std::vector<ProgramInfo>& info) {
    int counter = 0;
    for (PresetMemory& m : bank) InitialisePresetMemory(m, counter);
    info.assign(kProgramCount, ProgramInfo{});
    std::vector<int16_t> midiMap(kPresetParamCount, -1);
    std::vector<bool> defined(kProgramCount, false);
    std::vector<int> current;  // programs the following value lines apply to
    std::string raw;
    int line = 0, groups = 0;
    while (std::getline(in, raw)) {
        ++line;
        std::string text = Trim(raw);
        if (text.empty() || text[0] == '#') continue;
        if (text.rfind("midimap", 0) == 0) {
            std::istringstream words(WithoutComment(text).substr(7));
            std::string pair;
            while (words >> pair) {
                size_t eq = pair.find('=');
                double index, controller;
                if (eq == std::string::npos || !ParseWhole(pair.substr(0, eq), index) ||
                    !ParseWhole(pair.substr(eq + 1), controller) || index < 0 || index >= kPresetParamCount ||
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
            std::string rest = WithoutComment(Trim(text.substr(q2 + 1)));
            double first, last, from = -1;
            size_t dash = range.find('-');
            if (dash == std::string::npos) {
                if (!ParseWhole(range, first)) throw Failure{line, "bad program number"};
                last = first;
            } else if (!ParseWhole(range.substr(0, dash), first) || !ParseWhole(range.substr(dash + 1), last)) {
                throw Failure{line, "bad program range"};
            }
            if (!rest.empty() && (rest.rfind("from", 0) != 0 || !ParseWhole(Trim(rest.substr(4)), from)))
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
                info[static_cast<size_t>(p)].line = line;
                info[static_cast<size_t>(p)].group = groups;
                current.push_back(p);
            }
            ++groups;
            continue;
        }
        if (text.rfind("about", 0) == 0 && (text.size() == 5 || std::isspace(static_cast<unsigned char>(text[5])))) {
            // about "What the program is for."
            const std::string quoted = Trim(text.substr(5));
            if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
                throw Failure{line, "about needs its text in quotes"};
            const std::string about = Trim(quoted.substr(1, quoted.size() - 2));
            if (about.empty()) throw Failure{line, "about text is empty"};
            if (about.find('"') != std::string::npos) throw Failure{line, "about text contains a quote"};
            if (current.empty()) throw Failure{line, "about before any program"};
            for (int p : current) {
                ProgramInfo& i = info[static_cast<size_t>(p)];
                if (!i.about.empty())
                    throw Failure{line, "program " + std::to_string(p) + " already has an about line (line " +
                                            std::to_string(i.aboutLine) + ")"};
                i.about = about;
                i.aboutLine = line;
            }
            continue;
        }
        text = WithoutComment(text);
        size_t eq = text.find('=');
        if (eq == std::string::npos || current.empty()) throw Failure{line, "expected 'Parameter = value'"};
        std::string key = Trim(text.substr(0, eq)), value = Trim(text.substr(eq + 1));
        int index;
        float normalised;
        if (key.size() > 2 && key.front() == '[' && key.back() == ']') {
            double i, n;
            if (!ParseWhole(key.substr(1, key.size() - 2), i) || i < 0 || i >= kPresetParamCount)
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

// ---------------------------------------------------------------------------
// The table of programs.

// Display value of parameter `name` in a record.
double Display(const PresetMemory& m, const char* name) {
    const int index = IndexOfName(name);
    const ControlDescriptor& d = DescriptorOf(index);
    return d.low + (d.high - d.low) * static_cast<double>(m.values[index]);
}

// Option text of parameter `name` in a record.
std::string Option(const PresetMemory& m, const char* name) {
    const int index = IndexOfName(name);
    const ControlDescriptor& d = DescriptorOf(index);
    const int items = CountOptionItems(d.options);
    const int k = items > 1 ? static_cast<int>(std::lround(m.values[index] * (items - 1))) : 0;
    char item[64] = {};
    CopyOptionItem(d.options, k, item, 63);
    return item;
}

// The contour curves of the parameter adjustment, numbered as in their option list.
double Contour(int curve, double x) {
    const double b = x - 0.5;
    switch (curve) {
        case 1: return x * x;
        case 2: return x * x * x * x;
        case 3: return 1.0 - (1.0 - x) * (1.0 - x);
        case 4: return 2.0 * b * std::fabs(b) + 0.5;
        case 5: return 4.0 * b * std::fabs(b) * std::fabs(b) + 0.5;
        case 6: return b - 2.0 * b * std::fabs(b) + x;
        default: return x;
    }
}

// A number as a musician writes it: integers above 100, one decimal above 10.
std::string Number(double v) {
    char text[32];
    const double a = std::fabs(v);
    std::snprintf(text, sizeof text, a >= 100 ? "%.0f" : (a >= 10 ? "%.1f" : "%.2f"), v);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string Signed(double v) { return (v > 0.0 ? "+" : "") + Number(v); }

std::string Frequency(double hz) { return hz >= 1000.0 ? Number(hz / 1000.0) + " kHz" : Number(hz) + " Hz"; }

// A time or gain group as the engine applies it: the knob through the group's
// contour, scaled by ConstA and offset by ConstB. Names the curve and span when
// they differ from the factory ones (Lin over the knob's full range).
struct Shaped {
    double value;
    std::string note;
};

Shaped ShapeOf(const PresetMemory& m, const char* knob, const char* group, const char* unit) {
    const int index = IndexOfName(knob);
    const ControlDescriptor& d = DescriptorOf(index);
    const double knobValue = Display(m, knob);
    const std::string a = std::string(group) + "ConstA", b = std::string(group) + "ConstB",
                      c = std::string(group) + "Contour";
    const double constA = Display(m, a.c_str()), constB = Display(m, b.c_str());
    const int curve = IndexOfName(c.c_str()) >= 0
                          ? static_cast<int>(std::lround(m.values[IndexOfName(c.c_str())] * 6.0))
                          : 0;
    const double range = d.high;  // the knobs run from 0 (gain: symmetric around 0)
    double value;
    if (d.low < 0.0) {
        const double x = knobValue / range;
        value = (x >= 0.0 ? Contour(curve, x) : -Contour(curve, -x)) * constA + constB;
    } else {
        value = Contour(curve, knobValue / range) * constA + constB;
    }
    std::string note;
    if (curve != 0 || std::fabs(constA - range) > 0.01 || std::fabs(constB) > 0.01) {
        note = " (knob at " + Number(knobValue) + ", " + Option(m, c.c_str()) + " curve over " + Number(constB) + "–" +
               Number(constA + constB) + " " + unit + ")";
    }
    return {value, note};
}

std::string KeySettings(const PresetMemory& m) {
    std::vector<std::string> parts;
    const std::string mode = Option(m, "Stereo Mode");
    if (mode == "M/S Mono") parts.push_back("mid/side: mid only");
    if (mode == "Sidechain") parts.push_back("sidechain key");
    const double cr = Display(m, "Comp Ratio"), er = Display(m, "Exp Ratio");
    if (std::fabs(cr - 1.0) > 1e-3)
        parts.push_back("comp " + Number(Display(m, "Comp Thresh")) + " dB " + Number(cr) + ":1 knee " +
                        Number(Display(m, "Comp.Knee")) + " %");
    if (std::fabs(er - 1.0) > 1e-3) {
        const std::string ratio = er < 1.0 ? "1:" + Number(1.0 / er) + " down" : Number(er) + ":1 up";
        parts.push_back("exp " + Number(Display(m, "Exp Thresh")) + " dB " + ratio + " knee " +
                        Number(Display(m, "Exp.Knee")) + " %");
    }
    const Shaped attack = ShapeOf(m, "Attack", "Atk", "ms"), hold = ShapeOf(m, "Hold", "Hold", "ms"),
                 release = ShapeOf(m, "Release", "Rel", "ms"), gain = ShapeOf(m, "Gain", "Gain", "dB");
    parts.push_back("attack " + Number(attack.value) + " ms" + attack.note);
    if (hold.value > 0.005) parts.push_back("hold " + Number(hold.value) + " ms" + hold.note);
    parts.push_back("release " + Number(release.value) + " ms" + release.note);
    const double autoRelease = Display(m, "Auto.Rel");
    if (autoRelease > 0.005) parts.push_back("auto release " + Number(autoRelease) + " %");
    parts.push_back(Option(m, "Lev Detect") + " " + Number(Display(m, "Sensitivity")) + " Hz");
    parts.push_back("look-ahead " + Number(Display(m, "LookAhead")) + " ms");
    parts.push_back("make-up " + Signed(gain.value) + " dB" + gain.note);
    const double dry = Display(m, "Parallel");
    if (dry > 0.005) parts.push_back("dry " + Number(dry) + " %");
    if (Display(m, "EQ Active") > 5.0) {
        std::string eq = "detector EQ";
        std::vector<std::pair<double, double>> bands;
        for (int band = 1; band <= 3; ++band) {
            const std::string f = "Eq Freq " + std::to_string(band), g = "Eq Gain " + std::to_string(band);
            const double gainDb = Display(m, g.c_str());
            if (std::fabs(gainDb) >= 0.05) bands.push_back({Display(m, f.c_str()), gainDb});
        }
        std::sort(bands.begin(), bands.end());
        for (size_t i = 0; i < bands.size(); ++i)
            eq += (i ? ", " : " ") + Frequency(bands[i].first) + " " + Signed(bands[i].second) + " dB";
        parts.push_back(eq);
    }
    const std::string meter = Option(m, "Meter Type");
    if (meter != "Std") parts.push_back("meter " + meter.substr(0, 1) + "-" + meter.substr(1));
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) text += (i ? ", " : "") + parts[i];
    return text;
}

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

std::string Table(const std::vector<PresetMemory>& bank, const std::vector<ProgramInfo>& info) {
    std::ostringstream t;
    t << "# Factory programs\n\n"
      << "Generated from `resources/presets/FactoryPrograms.txt` by `orva-make-bank --table`\n"
      << "(`ninja -C build orva-programs-doc`); a test fails when this file and the definitions differ.\n\n"
      << "How to read the settings: thresholds are peak levels in dBFS (the detector reads a sine's peak\n"
      << "in both Peak and RMS mode); an attack or release of T ms covers 99.75 % of a step in T ms; the\n"
      << "detector's frequency (Sensitivity) sets its window, hold and own release to 1/frequency;\n"
      << "\"dry\" is the Parallel share of unprocessed signal; the detector EQ shapes what the detector\n"
      << "hears, never the sound. Where a contour is set, the time shown is the one the engine uses and\n"
      << "the knob position and curve follow in brackets. Programs named after classic studio units\n"
      << "aim at the character of that kind of unit; none is a model of one.\n\n"
      << "| # | Program | What it is for | Key settings |\n"
      << "|---:|---|---|---|\n";
    for (int p = 0; p < kProgramCount;) {
        int last = p;
        while (last + 1 < kProgramCount && info[static_cast<size_t>(last + 1)].group == info[static_cast<size_t>(p)].group) ++last;
        const ProgramInfo& i = info[static_cast<size_t>(p)];
        if (i.about.empty())
            throw Failure{i.line, "program " + std::to_string(p) + " has no about line (needed for the table)"};
        const std::string number = last == p ? std::to_string(p) : std::to_string(p) + "–" + std::to_string(last);
        const std::string name = last == p ? std::string(bank[static_cast<size_t>(p)].name)
                                           : std::string(bank[static_cast<size_t>(p)].name) + " … " +
                                                 bank[static_cast<size_t>(last)].name;
        t << "| " << number << " | " << Escaped(name) << " | " << Escaped(i.about) << " | "
          << Escaped(KeySettings(bank[static_cast<size_t>(p)])) << " |\n";
        p = last + 1;
    }
    return t.str();
}

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s DEFINITIONS.txt OUTPUT.mem\n"
                 "       %s DEFINITIONS.txt [OUTPUT.mem] --table PROGRAMS.md\n"
                 "       %s DEFINITIONS.txt [OUTPUT.mem] --check-table PROGRAMS.md\n",
                 self, self, self);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string definitions, output, table, checkTable;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--table" || arg == "--check-table") {
            if (i + 1 >= argc) return Usage(argv[0]);
            (arg == "--table" ? table : checkTable) = argv[++i];
        } else if (definitions.empty()) {
            definitions = arg;
        } else if (output.empty()) {
            output = arg;
        } else {
            return Usage(argv[0]);
        }
    }
    if (definitions.empty() || (output.empty() && table.empty() && checkTable.empty())) return Usage(argv[0]);

    BuildControlIndexMaps();
    std::ifstream in(definitions);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", definitions.c_str());
        return 1;
    }
    std::vector<PresetMemory> bank(kProgramCount);
    std::vector<ProgramInfo> info;
    std::string markdown;
    try {
        Generate(in, bank, info);
        if (!table.empty() || !checkTable.empty()) markdown = Table(bank, info);
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s:%d: %s\n", definitions.c_str(), f.line, f.message.c_str());
        return 1;
    }
    if (!output.empty()) {
        FILE* out = std::fopen(output.c_str(), "wb");
        if (!out || std::fwrite(bank.data(), sizeof(PresetMemory), bank.size(), out) != bank.size()) {
            std::fprintf(stderr, "%s: cannot write\n", output.c_str());
            if (out) std::fclose(out);
            std::remove(output.c_str());
            return 1;
        }
        std::fclose(out);
    }
    if (!table.empty()) {
        std::ofstream md(table, std::ios::binary);
        if (!(md << markdown) || !md.flush()) {
            std::fprintf(stderr, "%s: cannot write\n", table.c_str());
            return 1;
        }
    }
    if (!checkTable.empty()) {
        std::ifstream md(checkTable, std::ios::binary);
        const std::string committed((std::istreambuf_iterator<char>(md)), std::istreambuf_iterator<char>());
        if (!md.good() && !md.eof()) {
            std::fprintf(stderr, "%s: cannot read\n", checkTable.c_str());
            return 1;
        }
        if (committed != markdown) {
            std::fprintf(stderr,
                         "%s differs from the table that %s produces; regenerate it with\n"
                         "  orva-make-bank %s --table %s   (or: ninja -C build orva-programs-doc)\n",
                         checkTable.c_str(), definitions.c_str(), definitions.c_str(), checkTable.c_str());
            return 1;
        }
    }
    return 0;
}
