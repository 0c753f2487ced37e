// orva-render: renders audio files through a VST 2.x plug-in loaded the way a DAW
// loads it (dlopen, VSTPluginMain, the AEffect record), by default our own.
//
//   orva-render IN OUT [--program N | --program-name NAME] [--set "Name=value" ...]
//               [--sidechain FILE] [--block N] [--bits 16|24|32|float] [--plot FILE.png]
//               [--plugin PATH] [--quiet]
//   orva-render --list-programs [--plugin PATH]
//   orva-render --list-params [--program ...] [--set ...] [--plugin PATH]
//   orva-render --version
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "OrvaVersion.h"
#include "host/ControlTable.h"
#include "tools/AudioFile.h"
#include "tools/LevelTrace.h"
#include "tools/PluginLoader.h"

namespace {

constexpr int32_t kOurId = VstFourCC('O', 'T', 's', 'q');
constexpr int32_t kEditorPictureCall = VstFourCC('O', 'T', 'e', 'd');  // the plug-in's editor-picture calls

struct Options {
    std::string input, output, sidechain, plot, editorPng, plugin = ORVA_DEFAULT_PLUGIN;
    int program = -1;
    std::string programName;
    std::vector<std::string> settings;
    int block = 512;
    SampleEncoding encoding = SampleEncoding::kSameAsInput;
    bool listPrograms = false, listParams = false, quiet = false;
    float editorScale = 1.0f;
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "orva-render: %s\n", message.c_str());
    std::exit(1);
}

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: orva-render IN OUT [--program N | --program-name NAME] [--set \"Name=value\" ...]\n"
                 "                  [--sidechain FILE] [--block N] [--bits 16|24|32|float] [--plot FILE.png]\n"
                 "                  [--editor-png FILE.png [--editor-scale 1|1.5|2]] [--plugin PATH] [--quiet]\n"
                 "       orva-render --list-programs [--plugin PATH]\n"
                 "       orva-render --list-params [--program ...] [--set ...] [--plugin PATH]\n"
                 "       orva-render --version\n");
}

bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

Options ParseArguments(int argc, char** argv) {
    Options o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--program") {
            if (!ParseInt(value(), o.program)) Fail("--program takes a program number");
        } else if (arg == "--program-name") {
            o.programName = value();
        } else if (arg == "--set") {
            o.settings.push_back(value());
        } else if (arg == "--sidechain") {
            o.sidechain = value();
        } else if (arg == "--block") {
            if (!ParseInt(value(), o.block) || o.block < 1 || o.block > 65536) Fail("--block takes 1 to 65536 frames");
        } else if (arg == "--bits") {
            if (!ParseEncoding(value(), o.encoding)) Fail("--bits takes 16, 24, 32 or float");
        } else if (arg == "--plot") {
            o.plot = value();
        } else if (arg == "--editor-png") {
            o.editorPng = value();
        } else if (arg == "--editor-scale") {
            const std::string v = value();
            if (v == "1") o.editorScale = 1.0f;
            else if (v == "1.5") o.editorScale = 1.5f;
            else if (v == "2") o.editorScale = 2.0f;
            else Fail("--editor-scale takes 1, 1.5 or 2");
        } else if (arg == "--plugin") {
            o.plugin = value();
        } else if (arg == "--list-programs") {
            o.listPrograms = true;
        } else if (arg == "--list-params") {
            o.listParams = true;
        } else if (arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--version") {
            std::printf("orva-render %s\n", ORVA_VERSION_STRING);
            std::exit(0);
        } else if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            std::exit(0);
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            Usage(stderr);
            Fail("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (o.program >= 0 && !o.programName.empty()) Fail("give --program or --program-name, not both");
    if (!o.listPrograms && !o.listParams) {
        if (positional.size() != 2) {
            Usage(stderr);
            std::exit(2);
        }
        o.input = positional[0];
        o.output = positional[1];
    }
    return o;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool IsOurs(PluginLoader& plugin) { return plugin.effect()->uniqueID == kOurId; }

int FindParameter(PluginLoader& plugin, const std::string& name) {
    AEffect* e = plugin.effect();
    for (int i = 0; i < e->numParams; ++i)
        if (plugin.ParameterName(i) == name) return i;
    for (int i = 0; i < e->numParams; ++i)
        if (Lower(plugin.ParameterName(i)) == Lower(name)) return i;
    return -1;
}

// Normalised value of a "Name=value" setting; fails with a clear message.
void ApplySetting(PluginLoader& plugin, const std::string& setting) {
    const size_t eq = setting.find('=');
    if (eq == std::string::npos) Fail("--set takes \"Name=value\", not '" + setting + "'");
    const std::string name = Trim(setting.substr(0, eq)), valueText = Trim(setting.substr(eq + 1));
    const int index = FindParameter(plugin, name);
    if (index < 0) Fail("unknown parameter '" + name + "' (see --list-params)");
    char* end = nullptr;
    const double number = std::strtod(valueText.c_str(), &end);
    const bool numeric = !valueText.empty() && *end == 0 && std::isfinite(number);
    float normalised = 0.0f;
    if (IsOurs(plugin)) {
        const ControlDescriptor& d = DescriptorOf(index);
        const int items = CountOptionItems(d.options);
        bool found = false;
        for (int k = 0; k < items && !numeric; ++k) {
            char item[64];
            if (CopyOptionItem(d.options, k, item, 63) && Lower(item) == Lower(valueText)) {
                normalised = items > 1 ? static_cast<float>(k) / static_cast<float>(items - 1) : 0.0f;
                found = true;
            }
        }
        if (!found) {
            if (!numeric) Fail("'" + valueText + "' is not a value of " + name + (items ? " (options: " + std::string(d.options) + ")" : ""));
            const double low = std::min(d.low, d.high), high = std::max(d.low, d.high);
            if (number < low || number > high) {
                char range[96];
                std::snprintf(range, sizeof range, "%g lies outside %g to %g", number, low, high);
                Fail(name + " = " + range);
            }
            normalised = d.high != d.low ? static_cast<float>((number - d.low) / (d.high - d.low)) : 0.0f;
        }
    } else {
        if (!numeric || number < 0.0 || number > 1.0)
            Fail("this plug-in's parameters take normalised values 0 to 1 ('" + setting + "')");
        normalised = static_cast<float>(number);
    }
    plugin.effect()->setParameter(plugin.effect(), index, normalised);
}

void SelectProgram(PluginLoader& plugin, const Options& o) {
    AEffect* e = plugin.effect();
    int program = o.program;
    if (!o.programName.empty()) {
        for (int p = 0; p < e->numPrograms && program < 0; ++p)
            if (Lower(plugin.ProgramName(p)) == Lower(o.programName)) program = p;
        if (program < 0) Fail("unknown program '" + o.programName + "' (see --list-programs)");
    }
    if (program >= e->numPrograms) Fail("program " + std::to_string(program) + " does not exist (0 to " + std::to_string(e->numPrograms - 1) + ")");
    if (program >= 0) plugin.Dispatch(effSetProgram, 0, program);
}

std::string ProgramTitle(PluginLoader& plugin) {
    const int current = static_cast<int>(plugin.Dispatch(effGetProgram));
    return std::to_string(current) + " \"" + plugin.ProgramName(current) + "\"";
}

void ListPrograms(PluginLoader& plugin) {
    for (int p = 0; p < plugin.effect()->numPrograms; ++p) std::printf("%4d  %s\n", p, plugin.ProgramName(p).c_str());
}

void ListParameters(PluginLoader& plugin) {
    const bool ours = IsOurs(plugin);
    std::printf("  #  %-14s %-22s %s\n", "name", ours ? "range" : "", "value");
    for (int i = 0; i < plugin.effect()->numParams; ++i) {
        std::string range;
        if (ours && descriptorOfIndex[i] != 0) {
            const ControlDescriptor& d = DescriptorOf(i);
            char text[64];
            if (CountOptionItems(d.options) > 0) {
                range = d.options;
                if (!range.empty() && range.back() == ',') range.pop_back();
            } else {
                std::snprintf(text, sizeof text, "%g .. %g", d.low, d.high);
                range = text;
            }
        }
        std::printf(" %2d  %-14s %-22s %s\n", i, plugin.ParameterName(i).c_str(), range.c_str(), plugin.ParameterDisplay(i).c_str());
    }
}

// Display value of one of our parameters, from its normalised value.
double DisplayOf(PluginLoader& plugin, int index) {
    const ControlDescriptor& d = DescriptorOf(index);
    return d.low + (d.high - d.low) * plugin.effect()->getParameter(plugin.effect(), index);
}

class Progress {
public:
    Progress(bool enabled, size_t total) : enabled_(enabled), total_(total) {}
    void Update(size_t done) {
        if (!enabled_ || total_ == 0) return;
        const int percent = static_cast<int>(100 * done / total_);
        if (percent == last_) return;
        last_ = percent;
        char bar[41];
        const int filled = percent * 40 / 100;
        for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
        bar[40] = 0;
        std::fprintf(stderr, "\r  [%s] %3d%%", bar, percent);
        std::fflush(stderr);
    }
    void Finish() {
        if (enabled_ && last_ >= 0) std::fprintf(stderr, "\r%60s\r", "");
    }

private:
    bool enabled_;
    size_t total_;
    int last_ = -1;
};

std::string Db(double db) {
    char text[32];
    if (!std::isfinite(db)) return "   -inf";
    std::snprintf(text, sizeof text, "%7.2f", db);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = ParseArguments(argc, argv);
    BuildControlIndexMaps();

    PluginLoader plugin;
    if (!plugin.Load(o.plugin, /*allowLegacyMain=*/false)) Fail(plugin.error());
    AEffect* e = plugin.effect();
    if (e->numOutputs < 2 || e->numInputs < 2) Fail("the plug-in is not a stereo effect");
    if (!(e->flags & effFlagsCanReplacing)) Fail("the plug-in does not offer processReplacing");

    SelectProgram(plugin, o);
    for (const std::string& s : o.settings) ApplySetting(plugin, s);
    if (o.listPrograms) ListPrograms(plugin);
    if (o.listParams) ListParameters(plugin);
    if (o.listPrograms || o.listParams) return 0;

    // Read everything before any output is written.
    std::string error;
    AudioData input;
    if (!ReadAudioFile(o.input, input, error)) Fail(error);
    if (input.channels == 1 && !o.quiet)
        std::fprintf(stderr, "orva-render: '%s' is mono: processed as two equal channels, written back as mono\n", o.input.c_str());
    int format = 0;
    if (!OutputFormat(o.output, input.format, o.encoding, format, error)) Fail(error);
    const size_t frames = input.frames();
    std::vector<float> sideL(frames, 0.0f), sideR(frames, 0.0f);
    if (!o.sidechain.empty()) {
        AudioData side;
        if (!ReadAudioFile(o.sidechain, side, error)) Fail(error);
        if (side.sampleRate != input.sampleRate)
            Fail("the sidechain runs at " + std::to_string(side.sampleRate) + " Hz, the input at " + std::to_string(input.sampleRate) + " Hz");
        if (side.frames() != frames && !o.quiet)
            std::fprintf(stderr, "orva-render: the sidechain is %s than the input: %s\n",
                         side.frames() < frames ? "shorter" : "longer",
                         side.frames() < frames ? "padded with silence" : "its end is not used");
        const size_t n = std::min(frames, side.frames());
        std::copy(side.left.begin(), side.left.begin() + static_cast<long>(n), sideL.begin());
        std::copy(side.right.begin(), side.right.begin() + static_cast<long>(n), sideR.begin());
    }

    // Render, as a host would: rate, block size, resume, blocks, suspend.
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(input.sampleRate));
    plugin.Dispatch(effSetBlockSize, 0, o.block);
    plugin.Dispatch(effMainsChanged, 0, 1);
    std::vector<float> outL(frames), outR(frames);
    // The editor, without a window, follows the rendering: one frame-timer tick
    // every 14 ms of audio, so its meters and scope show the end of the file. Its
    // pictures that ease toward their values arrive first (1 s of ticks), and it
    // is drawn right after the last block: ticks without audio, or the suspend,
    // would let the meters fall as a stopped host does.
    const bool editor = !o.editorPng.empty();
    if (editor && !plugin.Dispatch(effVendorSpecific, kEditorPictureCall, 1, nullptr, o.editorScale))
        Fail("the plug-in cannot draw its editor");
    for (int i = 0; editor && i < 72; ++i) plugin.Dispatch(effVendorSpecific, kEditorPictureCall, 2);
    const double tickFrames = input.sampleRate * 0.014;
    double nextTick = tickFrames;
    Progress progress(!o.quiet && isatty(STDERR_FILENO) && frames > static_cast<size_t>(input.sampleRate) * 5, frames);
    const auto started = std::chrono::steady_clock::now();
    for (size_t at = 0; at < frames; at += static_cast<size_t>(o.block)) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(o.block), frames - at));
        float* in[4] = {input.left.data() + at, input.right.data() + at, sideL.data() + at, sideR.data() + at};
        float* out[2] = {outL.data() + at, outR.data() + at};
        e->processReplacing(e, in, out, n);
        progress.Update(at + static_cast<size_t>(n));
        for (; editor && double(at + size_t(n)) >= nextTick; nextTick += tickFrames)
            plugin.Dispatch(effVendorSpecific, kEditorPictureCall, 2);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    progress.Finish();
    if (editor) {
        const bool written = plugin.Dispatch(effVendorSpecific, kEditorPictureCall, 3, const_cast<char*>(o.editorPng.c_str()));
        plugin.Dispatch(effVendorSpecific, kEditorPictureCall, 0);
        if (!written) Fail("cannot write " + o.editorPng);
    }
    plugin.Dispatch(effMainsChanged, 0, 0);

    if (!WriteAudioFile(o.output, format, input.sampleRate, input.channels, outL, outR, error)) Fail(error);

    // What happened to the levels.
    const bool ours = IsOurs(plugin);
    const double lookAheadMs = ours ? DisplayOf(plugin, 15) : 0.0;
    const int delay = e->initialDelay;  // our look-ahead, reported as latency
    const double makeup = ours ? DisplayOf(plugin, 14) : 0.0;
    const LevelTrace trace = MeasureLevels(input.left, input.right, outL, outR, input.sampleRate, delay, makeup);
    if (!o.plot.empty()) {
        if (!PlotLevels(trace, o.output + " - program " + ProgramTitle(plugin), o.plot, error)) Fail(error);
    }
    if (!o.quiet) {
        const double duration = static_cast<double>(frames) / input.sampleRate;
        std::printf("%s -> %s   %d Hz, %s, %.2f s, program %s\n", o.input.c_str(), o.output.c_str(), input.sampleRate,
                    input.channels == 1 ? "mono" : "stereo", duration, ProgramTitle(plugin).c_str());
        std::printf("            peak L   peak R    RMS L    RMS R   (dBFS)\n");
        std::printf("  input    %s  %s  %s  %s\n", Db(PeakDb(input.left)).c_str(), Db(PeakDb(input.right)).c_str(),
                    Db(RmsDb(input.left)).c_str(), Db(RmsDb(input.right)).c_str());
        std::printf("  output   %s  %s  %s  %s\n", Db(PeakDb(outL)).c_str(), Db(PeakDb(outR)).c_str(),
                    Db(RmsDb(outL)).c_str(), Db(RmsDb(outR)).c_str());
        std::printf("  gain reduction   max %.1f dB, average %.1f dB (make-up %.1f dB excluded)\n", trace.maxReductionDb,
                    trace.averageReductionDb, makeup);
        std::printf("  look-ahead       %.2f ms = %d samples (reported to the host as latency)\n", lookAheadMs, delay);
        std::printf("  time             %.3f s, %.1f x real time\n", seconds, seconds > 0 ? duration / seconds : 0.0);
        if (!o.plot.empty()) std::printf("  plot             %s\n", o.plot.c_str());
        if (editor) std::printf("  editor           %s\n", o.editorPng.c_str());
    }
    return 0;
}
