#include "tools/AudioFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

std::string Extension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

bool ReadAudioFile(const std::string& path, AudioData& data, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.channels > 2) {
        error = "'" + path + "' has " + std::to_string(info.channels) +
                " channels; only mono (processed as two equal channels) and stereo files are supported";
        sf_close(file);
        return false;
    }
    if (info.samplerate <= 0 || info.frames < 0) {
        error = "'" + path + "' has no usable sample rate or length";
        sf_close(file);
        return false;
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    if (got < 0) {
        error = "error while reading '" + path + "'";
        return false;
    }
    const size_t frames = static_cast<size_t>(got);
    data.sampleRate = info.samplerate;
    data.channels = info.channels;
    data.format = info.format;
    data.left.resize(frames);
    data.right.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        data.left[i] = interleaved[i * static_cast<size_t>(info.channels)];
        data.right[i] = info.channels == 2 ? interleaved[i * 2 + 1] : data.left[i];
    }
    return true;
}

bool ParseEncoding(const std::string& text, SampleEncoding& encoding) {
    if (text == "16") encoding = SampleEncoding::kPcm16;
    else if (text == "24") encoding = SampleEncoding::kPcm24;
    else if (text == "32") encoding = SampleEncoding::kPcm32;
    else if (text == "float") encoding = SampleEncoding::kFloat;
    else return false;
    return true;
}

bool OutputFormat(const std::string& path, int inputFormat, SampleEncoding encoding, int& format,
                  std::string& error) {
    const std::string ext = Extension(path);
    int container = inputFormat & SF_FORMAT_TYPEMASK;
    if (ext == "wav") container = SF_FORMAT_WAV;
    else if (ext == "flac") container = SF_FORMAT_FLAC;
    else if (ext == "aif" || ext == "aiff") container = SF_FORMAT_AIFF;
    else if (!ext.empty() && ext != "wave") {
        error = "unsupported output type '." + ext + "' (use .wav, .flac or .aiff)";
        return false;
    }
    int subtype = inputFormat & SF_FORMAT_SUBMASK;
    switch (encoding) {
        case SampleEncoding::kPcm16: subtype = SF_FORMAT_PCM_16; break;
        case SampleEncoding::kPcm24: subtype = SF_FORMAT_PCM_24; break;
        case SampleEncoding::kPcm32: subtype = SF_FORMAT_PCM_32; break;
        case SampleEncoding::kFloat: subtype = SF_FORMAT_FLOAT; break;
        case SampleEncoding::kSameAsInput: break;
    }
    if (container == SF_FORMAT_FLAC && subtype != SF_FORMAT_PCM_16 && subtype != SF_FORMAT_PCM_24 &&
        subtype != SF_FORMAT_PCM_S8) {
        if (encoding != SampleEncoding::kSameAsInput) {
            error = "FLAC holds 16 or 24-bit samples only";
            return false;
        }
        subtype = SF_FORMAT_PCM_24;  // a float or 32-bit source keeps the best FLAC can hold
    }
    format = container | subtype;
    SF_INFO probe{};
    probe.samplerate = 48000;
    probe.channels = 2;
    probe.format = format;
    if (!sf_format_check(&probe)) {
        error = "the output format cannot hold this sample encoding";
        return false;
    }
    return true;
}

bool WriteAudioFile(const std::string& path, int format, int sampleRate, int channels,
                    const std::vector<float>& left, const std::vector<float>& right, std::string& error) {
    const std::string temporary = path + ".partial-" + std::to_string(getpid());
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    // Keep samples inside the encoding's range rather than letting them wrap.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const size_t frames = left.size();
    std::vector<float> interleaved(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i) {
        if (channels == 1) {
            interleaved[i] = 0.5f * (left[i] + right[i]);
        } else {
            interleaved[2 * i] = left[i];
            interleaved[2 * i + 1] = right[i];
        }
    }
    const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
    const int closed = sf_close(file);
    if (written != static_cast<sf_count_t>(frames) || closed != 0) {
        std::remove(temporary.c_str());
        error = "error while writing '" + path + "'";
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = "cannot move the rendered file to '" + path + "'";
        return false;
    }
    return true;
}
