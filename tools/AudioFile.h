// Reading and writing audio files with libsndfile, for the command-line tools.
#pragma once

#include <string>
#include <vector>

struct AudioData {
    int sampleRate = 0;
    int channels = 0;            // as stored in the file (1 or 2 for the renderer)
    int format = 0;              // libsndfile format word of the source file
    std::vector<float> left;     // channel 0
    std::vector<float> right;    // channel 1 (a copy of channel 0 for mono files)
    size_t frames() const { return left.size(); }
};

// Reads a whole file. Mono files are duplicated to both channels; more than two
// channels are refused. On failure answers false and sets error.
bool ReadAudioFile(const std::string& path, AudioData& data, std::string& error);

// Output encodings selectable on the command line.
enum class SampleEncoding { kSameAsInput, kPcm16, kPcm24, kPcm32, kFloat };
bool ParseEncoding(const std::string& text, SampleEncoding& encoding);

// The libsndfile format for writing `path`: the container from its extension
// (.wav, .flac, .aif/.aiff; the input's container otherwise), the encoding as
// asked or as the input had it. False (with error) for combinations the
// container cannot hold.
bool OutputFormat(const std::string& path, int inputFormat, SampleEncoding encoding, int& format,
                  std::string& error);

// Writes frames of left/right (or only left when channels is 1) to path through a
// temporary file renamed into place, so that a failure leaves no partial file.
bool WriteAudioFile(const std::string& path, int format, int sampleRate, int channels,
                    const std::vector<float>& left, const std::vector<float>& right, std::string& error);
