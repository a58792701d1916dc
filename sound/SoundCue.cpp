#include "sound/SoundCue.h"

#include "host/foundation/trace.h"

SoundCue::SoundCue(std::string name, std::string format, double divisor)
    : name_(std::move(name)), format_(std::move(format)), divisor_(divisor) {}

int SoundCue::fileNumber(int r, double divisor) { return int(double(r) / divisor); }

std::optional<std::string> SoundCue::fileForDraw(int r) const {
    int n = fileNumber(r, divisor_);
    if (n < 0 || n >= kFileCount) return std::nullopt;
    auto at = format_.find("%d");
    if (at == std::string::npos) return format_;
    return format_.substr(0, at) + std::to_string(n) + format_.substr(at + 2);
}

void SoundCue::give(std::unique_ptr<AudioFX>& lastEffect, int r) const {
    std::optional<std::string> file = fileForDraw(r);
    if (host::Trace::isOpen()) host::Trace::log("cue", name_ + " " + (file ? *file : "silent"));
    // The previous effect goes whatever the draw, so a silent draw also
    // silences the last sound of this cue.
    lastEffect.reset();
    if (!file) return;
    lastEffect = AudioFX::initWithPath(*file);
    if (lastEffect) lastEffect->play();
}
