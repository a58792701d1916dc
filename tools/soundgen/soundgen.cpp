#include "tools/soundgen/soundgen.h"

#include <algorithm>
#include <cmath>

namespace soundgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = kSampleRate;

// A small generator of our own, so the files do not depend on a library's
// random distributions.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    // Uniform in [-1, 1).
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return double(state_) / 2147483648.0 - 1.0;
    }

  private:
    std::uint32_t state_;
};

// Noise smoothed to a slow random drift in about [-1, 1].
class Drift {
  public:
    Drift(std::uint32_t seed, double hz)
        : noise_(seed), k_(1.0 - std::exp(-2 * kPi * hz / kRate)) {}
    double next() {
        a_ += k_ * (noise_.next() - a_);
        b_ += k_ * (a_ - b_);
        return b_ * 6.0;
    }

  private:
    Noise noise_;
    double k_;
    double a_ = 0, b_ = 0;
};

// Two-pole resonator (constant peak gain), retuned every sample.
class Resonator {
  public:
    double run(double x, double freq, double bandwidth) {
        double r = std::exp(-kPi * bandwidth / kRate);
        double c = 2 * r * std::cos(2 * kPi * freq / kRate);
        double y = (1 - r) * x + c * y1_ - r * r * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    double y1_ = 0, y2_ = 0;
};

// Gain of a resonance at `f` for a formant at `F` with bandwidth `B`.
double formantGain(double f, double F, double B) {
    double d = F * F - f * f;
    return F * B / std::sqrt(d * d + B * B * f * f);
}

double smoothstep(double a, double b, double x) {
    double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

double lerp(double a, double b, double t) { return a + (b - a) * t; }

// Peak at `peak` of full scale, with short fades so no file starts or ends
// with a click.
void finish(std::vector<float>& s, double peak, double fadeIn, double fadeOut) {
    double max = 0;
    for (float v : s) max = std::max(max, std::fabs(double(v)));
    double g = max > 0 ? peak / max : 0;
    const std::size_t n = s.size();
    const std::size_t in = std::size_t(fadeIn * kRate), out = std::size_t(fadeOut * kRate);
    for (std::size_t i = 0; i < n; ++i) {
        double w = 1;
        if (i < in) w *= double(i) / double(in);
        if (i + out >= n) w *= double(n - 1 - i) / double(out);
        s[i] = float(double(s[i]) * g * w);
    }
}

struct BoingVoice {
    double f0;        // resting pitch, Hz
    double seconds;   // length
    double wobbleHz;  // how fast the spring wobbles the pitch
    double wobble;    // starting wobble depth, fraction of the pitch
    double decay;     // amplitude time constant, s
    std::uint32_t seed;
};

// A plucked spring: a bright twang whose upper harmonics die first, its pitch
// thrown up at the pluck and wobbling about its rest while the wobble dies, a
// wah that follows the wobble (the mouth of a jaw harp), and a short knock at
// the start.
std::vector<float> makeBoing(const BoingVoice& v) {
    const std::size_t n = std::size_t(v.seconds * kRate);
    std::vector<float> out(n);
    Noise noise(v.seed);
    Resonator knock;
    double wobblePhase = 0;
    constexpr int kHarmonics = 24;
    double harmonicPhase[kHarmonics] = {};
    for (std::size_t i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        // The wobble speeds up a little as it dies away, like a spring settling.
        double wobbleRate = v.wobbleHz * (1 + 0.35 * t / v.seconds);
        wobblePhase += 2 * kPi * wobbleRate / kRate;
        double w = std::sin(wobblePhase);
        double depth = v.wobble * std::exp(-t / (v.seconds * 0.45));
        double f =
            v.f0 * (1 + 0.45 * std::exp(-t / 0.035)) * (1 + depth * w) * (1 - 0.06 * t / v.seconds);
        // The wah: a resonance that swings with the wobble.
        double wah = 1100 + 700 * depth / v.wobble * w + 500 * std::exp(-t / 0.08);
        double sum = 0;
        for (int k = 1; k <= kHarmonics; ++k) {
            double fk = f * k;
            if (fk > 0.45 * kRate) break;
            harmonicPhase[k - 1] += 2 * kPi * fk / kRate;
            double a = 1.0 / k * std::exp(-t * (0.4 + 0.45 * k) / v.seconds) *
                       (0.35 + formantGain(fk, wah, 260));
            sum += a * std::sin(harmonicPhase[k - 1]);
        }
        double env = (1 - std::exp(-t / 0.002)) * std::exp(-t / v.decay);
        double click = knock.run(noise.next(), 2600, 900) * std::exp(-t / 0.006) * 1.5;
        out[i] = float(sum * env + click);
    }
    finish(out, 0.84, 0.001, 0.04);
    return out;
}

struct MooVoice {
    double f0;       // the pitch it settles on, Hz
    double seconds;  // length
    double rise;     // how far the pitch climbs after the onset, fraction
    double fall;     // how far it sinks by the end, fraction
    double vibrato;  // vibrato depth at its widest, fraction
    double vibratoHz;
    // Mouth: first formant when open, and the second.
    double openF1, openF2;
    double openAt, closeAt;  // fractions of the length where the mouth is open
    double breath;           // aspiration level
    std::uint32_t seed;
};

// A cow: a low voiced tone (a harmonic series falling off like a glottal
// pulse) shaped by formants that move from a nasal hum through an open "oo-aa"
// and back, with a breathy onset, a slow climb and sag of the pitch, vibrato
// that grows as the moo goes on, and a little random drift in pitch and
// loudness.
std::vector<float> makeMoo(const MooVoice& v) {
    const std::size_t n = std::size_t(v.seconds * kRate);
    std::vector<float> out(n);
    Noise noise(v.seed);
    Drift pitchDrift(v.seed * 7 + 1, 3.0), loudDrift(v.seed * 13 + 5, 4.0);
    Resonator r1, r2, r3, r4;
    constexpr int kHarmonics = 60;
    double harmonicPhase[kHarmonics] = {};
    double vibratoPhase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        double x = t / v.seconds;

        // Pitch: starts a little under, climbs, then sags to the end.
        double climb = smoothstep(0.0, 0.3, x);
        double sag = smoothstep(0.3, 1.0, x);
        double f = v.f0 * (0.88 + (0.12 + v.rise) * climb - v.fall * sag);
        vibratoPhase += 2 * kPi * v.vibratoHz / kRate;
        f *= 1 + v.vibrato * smoothstep(0.15, 0.6, x) * std::sin(vibratoPhase);
        f *= 1 + 0.012 * pitchDrift.next();

        // Mouth: closed (a nasal hum), opening, open, closing.
        double open =
            smoothstep(v.openAt * 0.4, v.openAt, x) * (1 - smoothstep(v.closeAt, 1.0, x) * 0.75);
        double F1 = lerp(260, v.openF1, open);
        double F2 = lerp(850, v.openF2, open);
        double F3 = lerp(2300, 2500, open);
        double B1 = lerp(90, 130, open);

        // Voicing comes in after the breath, and fades at the end.
        double voice = smoothstep(0.0, 0.14, x) * (1 - smoothstep(0.78, 1.0, x) * 0.85);
        double breath = v.breath * (0.25 + 1.6 * (1 - smoothstep(0.0, 0.16, x)));
        double loud = 1 + 0.08 * loudDrift.next();

        double sum = 0;
        for (int k = 1; k <= kHarmonics; ++k) {
            double fk = f * k;
            if (fk > 5500) break;
            harmonicPhase[k - 1] += 2 * kPi * fk / kRate;
            // A glottal pulse falls off about 12 dB an octave; the open mouth
            // gives back 6.
            double source = 1.0 / std::pow(double(k), 1.1);
            double tract = 1.0 * formantGain(fk, F1, B1) + 0.55 * formantGain(fk, F2, 140) +
                           0.18 * formantGain(fk, F3, 200) +
                           // The nose's low resonance, strongest while the mouth is shut.
                           0.6 * (1 - open) * formantGain(fk, 220, 60);
            sum += source * tract * std::sin(harmonicPhase[k - 1]);
        }
        // Breath: noise through the same mouth.
        double w = noise.next();
        double air = r1.run(w, F1, 180) * 1.0 + r2.run(w, F2, 220) * 0.7 +
                     r3.run(w, F3, 300) * 0.35 + r4.run(w, 4200, 1500) * 0.15;
        out[i] = float((sum * voice + air * breath * 14) * loud);
    }
    finish(out, 0.8, 0.02, 0.12);
    return out;
}

void put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(std::uint8_t(v & 0xFF));
    b.push_back(std::uint8_t(v >> 8 & 0xFF));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void putTag(std::vector<std::uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(tag[i]));
}

}  // namespace

std::vector<float> boing(int which) {
    static const BoingVoice voices[3] = {
        {150, 0.95, 8.0, 0.22, 0.42, 11},
        {215, 0.75, 10.0, 0.2, 0.32, 23},
        {300, 0.55, 12.5, 0.18, 0.23, 37},
    };
    return makeBoing(voices[std::clamp(which, 0, 2)]);
}

std::vector<float> moo(int which) {
    static const MooVoice voices[3] = {
        // The plain moo: "mmmooooh".
        {118, 1.45, 0.06, 0.22, 0.018, 5.2, 560, 980, 0.28, 0.62, 0.012, 101},
        // Short and higher, asking: "mmoo-uh?" with a bigger climb.
        {142, 1.1, 0.14, 0.16, 0.014, 6.0, 640, 1150, 0.22, 0.55, 0.010, 202},
        // Long and low, a bellow that opens wide: "mmmmaaaawww".
        {92, 1.8, 0.04, 0.3, 0.024, 4.6, 700, 1100, 0.35, 0.7, 0.015, 303},
    };
    return makeMoo(voices[std::clamp(which, 0, 2)]);
}

std::vector<std::uint8_t> wavFile(const std::vector<float>& samples, int rate) {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    std::vector<std::uint8_t> b;
    b.reserve(44 + dataBytes);
    putTag(b, "RIFF");
    put32(b, 36 + dataBytes);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, std::uint32_t(rate));
    put32(b, std::uint32_t(rate * 2));
    put16(b, 2);
    put16(b, 16);
    putTag(b, "data");
    put32(b, dataBytes);
    for (float s : samples) {
        long v = std::lround(std::clamp(double(s), -1.0, 1.0) * 32767.0);
        put16(b, unsigned(v) & 0xFFFF);
    }
    return b;
}

std::vector<SoundFile> allSounds() {
    std::vector<SoundFile> files;
    for (int i = 0; i < 3; ++i)
        files.push_back({"boing_" + std::to_string(i) + ".wav", wavFile(boing(i))});
    for (int i = 0; i < 3; ++i)
        files.push_back({"Cow_" + std::to_string(i) + ".wav", wavFile(moo(i))});
    return files;
}

}  // namespace soundgen
