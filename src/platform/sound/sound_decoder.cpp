#include "platform/sound/sound_decoder.h"

#include <fcntl.h>
#include <samplerate.h>
#include <sndfile.h>
#ifdef _WIN32
#include <io.h>

#include "base/wide_text.h"
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <cmath>
#include <memory>
#include <new>

#include "platform/process/file_helper.h"
#include "platform/process/system_path.h"
#include "platform/sound/sound_errors.h"

namespace sound {

namespace {

// Start-up waits for the conversion. Sinc "fastest" (97 dB, 80 % of the band) converts a 4-minute 48 kHz track in
// about 1.5 s on our 2-core machines; "medium" takes 2.5 times and "best" 12 times as long, for a difference
// nobody hears over a demo's music. Linear is ten times faster but audibly aliases (benchmarks/audio_decode.cpp).
constexpr int kResamplerQuality = SRC_SINC_FASTEST;
constexpr sf_count_t kChunkFrames = 16384;
constexpr uint64_t kMaxTrustedFrames = (uint64_t{1} << 32) / kBytesPerFrame;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// libsndfile closes a descriptor it owns on some failures and not on others: keep ownership here.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() {
#ifdef _WIN32
        if (descriptor_ >= 0) _close(descriptor_);
#else
        if (descriptor_ >= 0) ::close(descriptor_);
#endif
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

// Read-only, not inherited by child processes; on Windows by its UTF-16 name and in binary mode.
int openForReading(const std::string& path) {
#ifdef _WIN32
    const std::u16string widePath = widenUtf8(path);
    return _wopen(reinterpret_cast<const wchar_t*>(widePath.c_str()), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

struct ResamplerDeleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};
using ResamplerPtr = std::unique_ptr<SRC_STATE, ResamplerDeleter>;

SourceKind kindOf(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_RF64: return SourceKind::Wav;
        case SF_FORMAT_FLAC: return SourceKind::Flac;
        case SF_FORMAT_OGG: return SourceKind::OggVorbis;
        case SF_FORMAT_MPEG: return SourceKind::Mp3;
        default: return SourceKind::Other;
    }
}

uint32_t bitsOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8: return 8;
        case SF_FORMAT_PCM_16: return 16;
        case SF_FORMAT_PCM_24: return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT: return 32;
        case SF_FORMAT_DOUBLE: return 64;
        default: return 0;
    }
}

int16_t toSample(float value) {
    const float scaled = std::nearbyint(value * 32768.0f);
    if (std::isnan(scaled)) return 0;  // a float file's not-a-number samples play as silence
    return static_cast<int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

// Appends `frames` frames of `channels` channels as stereo.
template <typename T, typename Convert>
void appendStereo(std::vector<int16_t>& out, const T* in, size_t frames, uint32_t channels, Convert convert) {
    for (size_t i = 0; i < frames; ++i) {
        const int16_t left = convert(in[i * channels]);
        const int16_t right = channels == 1 ? left : convert(in[i * channels + 1]);
        out.push_back(left);
        out.push_back(right);
    }
}

uint64_t convertedFrames(uint64_t sourceFrames, uint32_t sourceRate) {
    return (sourceFrames * kOutputRate + sourceRate / 2) / sourceRate;
}

// The timeline addresses 2^32 bytes of the stream (about 6.8 hours). A longer stream is refused as one that does
// not fit in memory (its decoded form would take more than 4 GiB): before decoding when the file's length is
// known, as soon as decoding passes the limit when it is not. A 5 MB file at 200 Hz lasts seven hours.
bool beyondAddressable(uint64_t sourceFrames, uint32_t sourceRate) {
    return sourceFrames > (uint64_t{1} << 40) || convertedFrames(sourceFrames, sourceRate) > kMaxTrustedFrames;
}
bool beyondAddressable(const std::vector<int16_t>& out) { return out.size() / kOutputChannels > kMaxTrustedFrames; }

int readDirect(SNDFILE* file, const SF_INFO& info, std::vector<int16_t>& out) {
    const auto channels = static_cast<uint32_t>(info.channels);
    std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * channels);
    for (;;) {
        const sf_count_t got = sf_readf_float(file, chunk.data(), kChunkFrames);
        if (got <= 0) break;
        appendStereo(out, chunk.data(), static_cast<size_t>(got), channels, toSample);
        if (beyondAddressable(out)) return kErrorMemory;
    }
    return sf_error(file) == SF_ERR_NO_ERROR ? kOk : kErrorFileForm;
}

int readResampled(SNDFILE* file, const SF_INFO& info, std::vector<int16_t>& out) {
    const auto channels = static_cast<uint32_t>(info.channels);
    int error = 0;
    ResamplerPtr resampler(src_new(kResamplerQuality, static_cast<int>(channels), &error));
    if (!resampler) return kErrorMemory;

    const double ratio = static_cast<double>(kOutputRate) / info.samplerate;
    const auto outputChunkFrames = static_cast<long>(std::ceil(kChunkFrames * ratio)) + 64;
    std::vector<float> input(static_cast<size_t>(kChunkFrames) * channels);
    std::vector<float> output(static_cast<size_t>(outputChunkFrames) * channels);
    uint64_t sourceFrames = 0;

    SRC_DATA data{};
    data.src_ratio = ratio;
    data.data_out = output.data();
    data.output_frames = outputChunkFrames;
    bool endOfInput = false;
    long pendingFrames = 0;  // input frames handed over but not yet consumed
    size_t pendingOffset = 0;
    for (;;) {
        if (pendingFrames == 0 && !endOfInput) {
            const sf_count_t got = sf_readf_float(file, input.data(), kChunkFrames);
            if (got <= 0) {
                endOfInput = true;
            } else {
                pendingFrames = static_cast<long>(got);
                pendingOffset = 0;
                sourceFrames += static_cast<uint64_t>(got);
            }
        }
        data.data_in = input.data() + pendingOffset * channels;
        data.input_frames = pendingFrames;
        data.end_of_input = endOfInput ? 1 : 0;
        if (src_process(resampler.get(), &data) != 0) return kErrorFileForm;
        pendingFrames -= data.input_frames_used;
        pendingOffset += static_cast<size_t>(data.input_frames_used);
        appendStereo(out, output.data(), static_cast<size_t>(data.output_frames_gen), channels, toSample);
        if (beyondAddressable(out)) return kErrorMemory;
        if (endOfInput && data.output_frames_gen == 0) break;
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) return kErrorFileForm;

    // The converter's own count can differ by a frame or two from the scaled length; make it exact.
    out.resize(convertedFrames(sourceFrames, static_cast<uint32_t>(info.samplerate)) * kOutputChannels, 0);
    return kOk;
}

// The decoding itself, in this process.
int decodeHere(const std::string& utf8Path, DecodedAudio& out) {
    const FileDescriptor descriptor(openForReading(platform::systemPath(utf8Path)));
    if (descriptor.get() < 0) return kErrorFileOpen;
    SF_INFO info{};
    // Declared after the descriptor, so closed before it.
    SndFilePtr file(sf_open_fd(descriptor.get(), SFM_READ, &info, SF_FALSE));
    if (!file) return kErrorFileForm;
    // The converter takes ratios up to 256 either way: a rate below 173 Hz (or above 11 MHz) has no conversion,
    // and its output chunks would take gigabytes.
    if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0 ||
        !src_is_valid_ratio(static_cast<double>(kOutputRate) / info.samplerate))
        return kErrorFormat;
    // Everything is read as float and rounded here: libsndfile's own float-to-integer reading either truncates
    // float sources to 0 and +-1 or normalises them to their peak. 16-bit sources survive the trip exactly.

    // libsndfile answers SF_COUNT_MAX where it cannot know the length without decoding.
    if (info.frames > 0 && info.frames != SF_COUNT_MAX &&
        beyondAddressable(static_cast<uint64_t>(info.frames), static_cast<uint32_t>(info.samplerate)))
        return kErrorMemory;

    DecodedAudio decoded;
    decoded.sourceRate = static_cast<uint32_t>(info.samplerate);
    decoded.sourceChannels = static_cast<uint32_t>(info.channels);
    decoded.sourceBits = bitsOf(info.format);
    decoded.kind = kindOf(info.format);
    try {
        // A header can claim any length; beyond what the timeline can address (2^32 bytes) it is not trusted.
        const uint64_t claimed = info.frames > 0 ? static_cast<uint64_t>(info.frames) : 0;
        const uint64_t expected = claimed <= kMaxTrustedFrames ? convertedFrames(claimed, decoded.sourceRate) : 0;
        if (expected > 0 && expected <= kMaxTrustedFrames) {
            // A little slack for the converter's last frames, so the one big buffer is never reallocated (which
            // would briefly double the memory a long track takes).
            decoded.samples.reserve(expected * kOutputChannels + 1024);
        }
        const int result = decoded.sourceRate == kOutputRate ? readDirect(file.get(), info, decoded.samples)
                                                             : readResampled(file.get(), info, decoded.samples);
        if (result != kOk) return result;
    } catch (const std::bad_alloc&) {
        return kErrorMemory;
    } catch (const std::length_error&) {
        return kErrorMemory;
    }
    out = std::move(decoded);
    return kOk;
}

}  // namespace

std::string runDecodeJob(const std::vector<std::string>& words, std::string_view) {
    DecodedAudio decoded;
    const int result = words.size() == 2 ? decodeHere(words[1], decoded) : kErrorIllegalParameter;
    std::string answer;
    answer.reserve(28 + decoded.samples.size() * sizeof(int16_t));
    platform::appendU32(answer, static_cast<uint32_t>(result));
    if (result != kOk) return answer;
    for (uint32_t value : {decoded.sourceRate, decoded.sourceChannels, decoded.sourceBits, uint32_t(decoded.kind)})
        platform::appendU32(answer, value);
    platform::appendU64(answer, decoded.samples.size());
    answer.append(reinterpret_cast<const char*>(decoded.samples.data()), decoded.samples.size() * sizeof(int16_t));
    return answer;
}

namespace {

// The file as it was when a decode began: a prefetched decode is used only for the same file, unchanged.
struct FileStamp {
    std::string path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time{};
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& utf8Path) {
    FileStamp stamp{utf8Path};
    std::error_code error;
    const std::filesystem::path file(platform::systemPath(utf8Path));
    stamp.size = std::filesystem::file_size(file, error);
    if (!error) stamp.time = std::filesystem::last_write_time(file, error);
    return stamp;
}

struct Prefetched {
    std::mutex mutex;
    FileStamp stamp;
    std::future<std::pair<int, DecodedAudio>> result;
};

// Never destroyed: a decode still running when the process ends must not find it gone.
Prefetched& prefetched() {
    static auto* instance = new Prefetched;
    return *instance;
}

int decodeThroughHelper(const std::string& utf8Path, DecodedAudio& out);

}  // namespace

void prefetchAudioFile(const std::string& utf8Path) {
    Prefetched& slot = prefetched();
    std::lock_guard lock(slot.mutex);
    if (slot.result.valid()) return;
    slot.stamp = stampOf(utf8Path);
    // A thread of its own, let go: a program that stops before it takes the music does not wait for the decoding.
    std::packaged_task<std::pair<int, DecodedAudio>()> decode([utf8Path] {
        std::pair<int, DecodedAudio> decoded;
        decoded.first = decodeThroughHelper(utf8Path, decoded.second);
        return decoded;
    });
    slot.result = decode.get_future();
    std::thread(std::move(decode)).detach();
}

int decodeAudioFile(const std::string& utf8Path, DecodedAudio& out) {
    Prefetched& slot = prefetched();
    std::unique_lock lock(slot.mutex);
    if (slot.result.valid() && slot.stamp.path == utf8Path) {
        std::pair<int, DecodedAudio> decoded = slot.result.get();
        if (slot.stamp == stampOf(utf8Path)) {
            if (decoded.first == kOk) out = std::move(decoded.second);
            return decoded.first;
        }
    }
    lock.unlock();
    return decodeThroughHelper(utf8Path, out);
}

namespace {

int decodeThroughHelper(const std::string& utf8Path, DecodedAudio& out) {
    // The decoder runs in the file helper and the samples come back: a file that crashes or stops the decoder
    // is one that cannot be decoded.
    const platform::HelperAnswer answer =
        platform::runInFileHelper({kDecodeJob, utf8Path}, {}, platform::fileJobLimit(platform::systemPath(utf8Path)));
    if (answer.outcome == platform::HelperOutcome::NoHelper) return decodeHere(utf8Path, out);
    if (answer.outcome != platform::HelperOutcome::Done) {
        platform::reportContainedFailure(utf8Path, "music decoder", answer.failure);
        return kErrorFileForm;
    }
    std::string_view in = answer.output();
    uint32_t result = kErrorFileForm, kind = 0;
    DecodedAudio decoded;
    uint64_t count = 0;
    if (!platform::readU32(in, &result) || result != kOk) return static_cast<int>(result);
    if (!platform::readU32(in, &decoded.sourceRate) || !platform::readU32(in, &decoded.sourceChannels) ||
        !platform::readU32(in, &decoded.sourceBits) || !platform::readU32(in, &kind) || !platform::readU64(in, &count) ||
        in.size() != count * sizeof(int16_t))
        return kErrorFileForm;
    decoded.kind = static_cast<SourceKind>(kind);
    try {
        // Copied as they are, without clearing the memory first (the samples sit at an even offset).
        const auto* first = reinterpret_cast<const int16_t*>(in.data());
        decoded.samples.assign(first, first + count);
    } catch (const std::bad_alloc&) {
        return kErrorMemory;
    }
    out = std::move(decoded);
    return kOk;
}

}  // namespace

}  // namespace sound
