// Where the time of loading the show goes: process-wide accumulators of
// steady_clock time and call counts per load stage, filled by scoped timers
// placed around the steps of the load path (archive extraction, image
// decoding, texture upload, model parsing, music set-up). Never used per
// frame. Header only, so that every library of the load path, and the
// sanitizer builds of single sources, can time itself without a new link
// dependency. Safe from any thread; stages that nest count twice, so the
// timers sit around disjoint steps.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace sunvale {

enum class LoadStage { Archive, ImageDecode, TextureUpload, Model, Music };
constexpr int kLoadStageCount = 5;

// Totals since process start or the last ResetLoadProfile.
struct LoadProfile {
    double seconds[kLoadStageCount] = {};
    int64_t calls[kLoadStageCount] = {};
};

namespace load_profile_detail {
inline std::atomic<int64_t> g_nanoseconds[kLoadStageCount] = {};
inline std::atomic<int64_t> g_calls[kLoadStageCount] = {};
}  // namespace load_profile_detail

// Adds the time from its construction to its destruction to one stage.
class LoadTimer {
public:
    explicit LoadTimer(LoadStage stage)
        : index_(static_cast<int>(stage)), start_(std::chrono::steady_clock::now())
    {}
    ~LoadTimer()
    {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        load_profile_detail::g_nanoseconds[index_] +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
        ++load_profile_detail::g_calls[index_];
    }
    LoadTimer(const LoadTimer&) = delete;
    LoadTimer& operator=(const LoadTimer&) = delete;

private:
    int index_;
    std::chrono::steady_clock::time_point start_;
};

inline LoadProfile ReadLoadProfile()
{
    LoadProfile profile;
    for (int i = 0; i < kLoadStageCount; ++i) {
        profile.seconds[i] =
            static_cast<double>(load_profile_detail::g_nanoseconds[i].load()) * 1e-9;
        profile.calls[i] = load_profile_detail::g_calls[i].load();
    }
    return profile;
}

inline void ResetLoadProfile()
{
    for (int i = 0; i < kLoadStageCount; ++i) {
        load_profile_detail::g_nanoseconds[i] = 0;
        load_profile_detail::g_calls[i] = 0;
    }
}

// Short lower-case name of a stage, one word with underscores ("archive",
// "image_decode", "texture_upload", "model", "music").
inline const char* LoadStageName(LoadStage stage)
{
    switch (stage) {
    case LoadStage::Archive:
        return "archive";
    case LoadStage::ImageDecode:
        return "image_decode";
    case LoadStage::TextureUpload:
        return "texture_upload";
    case LoadStage::Model:
        return "model";
    case LoadStage::Music:
        return "music";
    }
    return "";
}

}  // namespace sunvale
