// Where the time of one conversion went, stage by stage: the command line's results
// report it (--json), and the benchmark breaks a run down by it.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>

namespace ostrel {

enum class Stage {
    Office,      // an office for the document: taken from the kept ones, or started
    Open,        // the office opens the document
    Export,      // the office writes the spool file
    Close,       // the office lets go of the document
    Adjust,      // the adjusted copy of the office's PDF (and the outline)
    Ghostscript, // Ghostscript writes the PDF
    Encrypt,     // the PDF is encrypted in this process (AES-256)
    Check,       // the new PDF is read back
    Rename,      // the new PDF takes its name
};
inline constexpr std::size_t kStageCount = static_cast<std::size_t>(Stage::Rename) + 1;

// The name of a stage in the results ("office", "ghostscript"...).
const char* stageName(Stage stage);

class StageTimes {
public:
    using Clock = std::chrono::steady_clock;

    // Counts the time since the previous mark (or since the record was made, or since
    // restart()) to `stage`.
    void mark(Stage stage) {
        const auto now = Clock::now();
        seconds_[index(stage)] += std::chrono::duration<double>(now - last_).count();
        last_ = now;
    }
    // The next mark counts from now: what came between belongs to no stage.
    void restart() { last_ = Clock::now(); }
    // Adds what another record counted, stage by stage.
    void add(const StageTimes& other) {
        for (std::size_t stage = 0; stage < kStageCount; ++stage) {
            seconds_[stage] += other.seconds_[stage];
        }
    }
    double seconds(Stage stage) const { return seconds_[index(stage)]; }

private:
    static std::size_t index(Stage stage) { return static_cast<std::size_t>(stage); }

    std::array<double, kStageCount> seconds_{};
    Clock::time_point last_ = Clock::now();
};

inline const char* stageName(Stage stage) {
    static constexpr std::array<const char*, kStageCount> names{
        "office", "open", "export", "close", "adjust", "ghostscript", "encrypt", "check", "rename"};
    return names[static_cast<std::size_t>(stage)];
}

} // namespace ostrel
