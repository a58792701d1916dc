#include "sound/SoundCue.h"

#include <cstdlib>

SoundCue::SoundCue(std::string format, double divisor)
    : format_(std::move(format)), divisor_(divisor) {}

int SoundCue::fileNumber(int r, double divisor) { return int(double(r) / divisor); }

std::optional<std::string> SoundCue::fileForDraw(int r) const {
    int n = fileNumber(r, divisor_);
    if (n < 0 || n >= kFileCount) return std::nullopt;
    auto at = format_.find("%d");
    if (at == std::string::npos) return format_;
    return format_.substr(0, at) + std::to_string(n) + format_.substr(at + 2);
}

void SoundCue::give() { give(std::rand()); }

void SoundCue::give(int r) {
    std::optional<std::string> file = fileForDraw(r);
    // The previous effect goes whatever the draw, so a silent draw also
    // silences the last sound of this cue.
    current_.reset();
    if (!file) return;
    current_ = AudioFX::initWithPath(*file);
    if (current_) current_->play();
}
