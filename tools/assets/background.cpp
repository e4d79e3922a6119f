#include "background.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "dice.h"

namespace shardfall {

namespace {

constexpr int N = BACKGROUND_SIZE;
constexpr double TAU = 2.0 * std::numbers::pi;

struct Colour {
    double r = 0, g = 0, b = 0;
};

Colour operator+(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Colour operator*(Colour a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}
Colour mix(Colour a, Colour b, double t) {
    return a * (1.0 - t) + b * t;
}

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

double smoothstep(double edge0, double edge1, double v) {
    const double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

// Smooth lattice noise: random values on a coarse grid, blended with a quintic curve so that
// the clouds have no creases even when every pixel becomes a block eight screen pixels wide.
class ValueNoise {
  public:
    explicit ValueNoise(uint64_t seed) {
        Dice dice(seed);
        for (auto& v : lattice_) {
            v = dice.unit();
        }
    }

    double at(double x, double y) const {
        const double fx = std::floor(x);
        const double fy = std::floor(y);
        const int ix = static_cast<int>(fx);
        const int iy = static_cast<int>(fy);
        const double tx = fade(x - fx);
        const double ty = fade(y - fy);
        const double top = lerp(value(ix, iy), value(ix + 1, iy), tx);
        const double bottom = lerp(value(ix, iy + 1), value(ix + 1, iy + 1), tx);
        return lerp(top, bottom, ty);
    }

    // Octaves of halving size; the result stays in [0, 1].
    double cloud(double x, double y, int octaves) const {
        double sum = 0.0;
        double weight = 0.5;
        double total = 0.0;
        for (int o = 0; o < octaves; ++o) {
            sum += weight * at(x, y);
            total += weight;
            x = x * 2.0 + 17.3;
            y = y * 2.0 + 5.9;
            weight *= 0.5;
        }
        return sum / total;
    }

  private:
    static constexpr int SIDE = 64;
    static double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
    static double lerp(double a, double b, double t) { return a + (b - a) * t; }
    double value(int x, int y) const {
        return lattice_[static_cast<size_t>(((y % SIDE + SIDE) % SIDE) * SIDE +
                                            (x % SIDE + SIDE) % SIDE)];
    }
    std::array<double, SIDE * SIDE> lattice_{};
};

class Canvas {
  public:
    Canvas() : pixels_(static_cast<size_t>(N) * N) {}
    Colour& at(int x, int y) { return pixels_[static_cast<size_t>(y) * N + x]; }
    const Colour& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * N + x]; }

  private:
    std::vector<Colour> pixels_;
};

// ---- sky -------------------------------------------------------------------------------------

Colour skyGradient(double v) {
    const Colour top{0.030, 0.035, 0.115};
    const Colour middle{0.090, 0.045, 0.175};
    const Colour low{0.050, 0.080, 0.150};
    if (v < 0.55) {
        return mix(top, middle, smoothstep(0.0, 0.55, v));
    }
    return mix(middle, low, smoothstep(0.55, 1.0, v));
}

void paintSky(Canvas& canvas) {
    const ValueNoise noise(0x5EED0001);
    const ValueNoise drift(0x5EED0002);
    const Colour rose{0.42, 0.10, 0.40};
    const Colour teal{0.05, 0.30, 0.38};
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double u = (x + 0.5) / N;
            const double v = (y + 0.5) / N;
            Colour c = skyGradient(v);
            // Two nebula clouds, one rose on the upper left and one teal on the right, shaped
            // by the same turbulence so they read as one cloud bank.
            const double n = noise.cloud(u * 3.0, v * 3.0 + 0.35 * drift.at(u * 2.0, v * 2.0), 4);
            const double density = smoothstep(0.42, 0.78, n);
            const double roseMask =
                std::exp(-(std::pow((u - 0.22) / 0.30, 2.0) + std::pow((v - 0.42) / 0.26, 2.0)));
            const double tealMask =
                std::exp(-(std::pow((u - 0.80) / 0.26, 2.0) + std::pow((v - 0.55) / 0.30, 2.0)));
            c = c + rose * (0.55 * density * roseMask) + teal * (0.55 * density * tealMask);
            // A faint haze everywhere so that no part of the sky is flat.
            c = c + Colour{0.05, 0.03, 0.09} * (0.6 * n * n);
            canvas.at(x, y) = c;
        }
    }
}

// ---- aurora ----------------------------------------------------------------------------------

struct Curtain {
    double baseY;  // pixel row of the curtain's lower edge, on average
    double wave1, freq1, phase1;
    double wave2, freq2, phase2;
    double height;  // how far the light reaches upward, in pixels
    double strength;
    double rayFreq;                // rays across the picture
    double fadeCentre, fadeWidth;  // where along x the curtain is brightest
};

void paintAurora(Canvas& canvas) {
    const std::array<Curtain, 3> curtains{{
        {46.0, 9.0, 1.1, 0.10, 4.0, 2.3, 0.70, 34.0, 0.55, 13.0, 0.30, 0.45},
        {74.0, 11.0, 0.8, 0.55, 5.0, 1.9, 0.20, 40.0, 0.45, 11.0, 0.72, 0.40},
        {98.0, 7.0, 1.4, 0.35, 3.0, 2.9, 0.90, 26.0, 0.22, 15.0, 0.50, 0.55},
    }};
    const Colour edge{0.18, 0.95, 0.58};
    const Colour crown{0.40, 0.22, 0.85};
    for (const auto& curtain : curtains) {
        for (int y = 0; y < N; ++y) {
            for (int x = 0; x < N; ++x) {
                const double u = (x + 0.5) / N;
                const double lower =
                    curtain.baseY +
                    curtain.wave1 * std::sin(TAU * (u * curtain.freq1 + curtain.phase1)) +
                    curtain.wave2 * std::sin(TAU * (u * curtain.freq2 + curtain.phase2));
                const double d = (y + 0.5) - lower;  // positive below the lower edge
                double light = 0.0;
                double climb = 0.0;
                if (d > 0.0) {
                    light = std::exp(-(d / 3.0) * (d / 3.0));
                } else {
                    climb = -d / curtain.height;
                    light = std::exp(-climb) * (0.75 + 0.25 * std::exp(-(d / 3.0) * (d / 3.0)));
                }
                // Vertical rays, their spacing slowly wandering along the curtain.
                const double rays =
                    0.55 + 0.45 * (0.5 + 0.5 * std::sin(TAU * (u * curtain.rayFreq +
                                                               0.35 * std::sin(TAU * u * 1.7))));
                const double along =
                    std::exp(-std::pow((u - curtain.fadeCentre) / curtain.fadeWidth, 2.0));
                const double amount = curtain.strength * light * rays * along;
                canvas.at(x, y) = canvas.at(x, y) + mix(edge, crown, clamp01(climb * 0.9)) * amount;
            }
        }
    }
}

// ---- stars -----------------------------------------------------------------------------------

void paintStars(Canvas& canvas) {
    Dice dice(0x57A125);
    for (int i = 0; i < 70; ++i) {
        const double sx = dice.between(2.0, N - 2.0);
        const double sy = dice.between(2.0, N * 0.62);
        const double brightness = 0.15 + 0.75 * std::pow(dice.unit(), 3.0);
        const double radius = 0.45 + 0.35 * dice.unit();
        const Colour tint = mix(Colour{0.75, 0.85, 1.0}, Colour{1.0, 0.85, 0.95}, dice.unit());
        for (int y = static_cast<int>(sy) - 2; y <= static_cast<int>(sy) + 2; ++y) {
            for (int x = static_cast<int>(sx) - 2; x <= static_cast<int>(sx) + 2; ++x) {
                const double dx = x + 0.5 - sx;
                const double dy = y + 0.5 - sy;
                const double glow = std::exp(-(dx * dx + dy * dy) / (2.0 * radius * radius));
                canvas.at(x, y) = canvas.at(x, y) + tint * (brightness * glow);
            }
        }
    }
}

// ---- crystal shards --------------------------------------------------------------------------

struct Shard {
    double baseX, baseY;  // where the shard's axis leaves the ground
    double lean;          // degrees from upright, positive to the right
    double length, halfWidth;
    double tip;  // share of the length taken by the pointed tip
    Colour hue;
    double brightness;
    double haze;  // how much of the sky shows through a distant shard
};

void paintShard(Canvas& canvas, const Shard& shard) {
    const double angle = shard.lean * std::numbers::pi / 180.0;
    const double axisX = std::sin(angle);
    const double axisY = -std::cos(angle);
    const double normalX = std::cos(angle);
    const double normalY = std::sin(angle);
    const double tipStart = shard.length * (1.0 - shard.tip);
    const double tipLength = shard.length - tipStart;
    const double slope = shard.halfWidth / tipLength;
    const double edgeScale = 1.0 / std::sqrt(1.0 + slope * slope);

    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double px = x + 0.5 - shard.baseX;
            const double py = y + 0.5 - shard.baseY;
            const double a = px * axisX + py * axisY;
            const double s = px * normalX + py * normalY;
            if (a < -2.0 || a > shard.length + 24.0) {
                continue;
            }
            double width = shard.halfWidth * (1.0 - 0.12 * std::max(a, 0.0) / shard.length);
            double distance = 0.0;
            if (a <= tipStart) {
                distance = width - std::abs(s);
            } else {
                width = shard.halfWidth * 0.88 * (shard.length - a) / tipLength;
                distance = (width - std::abs(s)) * edgeScale;
            }
            distance = std::min(distance, shard.length - a + 0.3);

            Colour& pixel = canvas.at(x, y);
            const double cover = clamp01(distance / 1.2 + 0.5);
            const double glowRise = clamp01(a / shard.length);
            if (distance < 0.0) {
                // Soft light around the crystal, strongest near its tip.
                const double halo = std::exp(distance / 7.0) * (0.25 + 0.75 * glowRise);
                pixel = pixel + shard.hue * (0.22 * shard.brightness * halo * (1.0 - cover));
            }
            if (cover <= 0.0) {
                continue;
            }

            // The inner light grows toward the tip; one face catches the light, the other not.
            const double rise = std::pow(clamp01(std::max(a, 0.0) / shard.length), 1.4);
            const double across = clamp01(std::abs(s) / std::max(width, 0.5));
            const bool litFace = s < 0.0;
            double shade =
                (0.30 + 0.70 * rise) * (litFace ? 1.15 - 0.35 * across : 0.55 + 0.15 * across);
            if (a > tipStart) {
                shade *= litFace ? 1.25 : 0.9;  // the tip facets face the sky
            }
            Colour body = shard.hue * (1.15 * shade * shard.brightness);
            const double ridge = std::exp(-(s / 0.9) * (s / 0.9)) * (0.25 + 0.5 * rise);
            body = body + mix(shard.hue, Colour{1, 1, 1}, 0.5) * (ridge * 0.35 * shard.brightness);
            const double rim = std::exp(-(distance / 1.1) * (distance / 1.1));
            body = body + mix(shard.hue, Colour{1, 1, 1}, 0.4) * (rim * 0.22 * shard.brightness);
            body = mix(body, pixel, shard.haze + 0.12);  // crystals let a little light through
            pixel = mix(pixel, body, cover);
        }
    }
}

void paintShards(Canvas& canvas) {
    const Colour violet{0.55, 0.30, 0.95};
    const Colour cyan{0.20, 0.75, 0.95};
    const Colour magenta{0.90, 0.25, 0.75};
    const Colour blue{0.25, 0.40, 1.00};
    const Colour aqua{0.25, 0.95, 0.75};

    // Distant shards first, dimmer and hazier, then the near clusters on both sides.
    const std::array<Shard, 25> shards{{
        {30, 262, -8, 70, 6.0, 0.25, blue, 0.55, 0.45},
        {62, 262, 10, 58, 5.0, 0.30, violet, 0.55, 0.45},
        {92, 262, -4, 40, 4.5, 0.30, cyan, 0.45, 0.50},
        {128, 262, 3, 30, 4.0, 0.30, violet, 0.40, 0.55},
        {160, 262, 6, 38, 4.5, 0.30, blue, 0.45, 0.50},
        {196, 262, -10, 62, 5.5, 0.28, magenta, 0.50, 0.45},
        {226, 262, 7, 76, 6.0, 0.25, cyan, 0.55, 0.45},
        {250, 262, -3, 55, 5.0, 0.30, violet, 0.50, 0.45},
        {8, 262, 12, 84, 7.0, 0.25, violet, 0.70, 0.25},
        {24, 266, -14, 118, 9.0, 0.22, cyan, 0.85, 0.15},
        {46, 262, 6, 92, 8.0, 0.25, magenta, 0.80, 0.15},
        {40, 264, -28, 64, 6.5, 0.30, blue, 0.75, 0.20},
        {66, 262, 22, 56, 6.0, 0.30, aqua, 0.75, 0.20},
        {78, 262, -6, 36, 4.5, 0.32, violet, 0.70, 0.25},
        {14, 262, 35, 40, 5.5, 0.35, magenta, 0.75, 0.20},
        {236, 266, 13, 124, 9.5, 0.22, violet, 0.85, 0.15},
        {214, 262, -7, 88, 7.5, 0.25, cyan, 0.80, 0.15},
        {250, 262, -20, 80, 7.0, 0.25, magenta, 0.75, 0.20},
        {196, 262, -24, 54, 6.0, 0.30, aqua, 0.75, 0.20},
        {222, 264, 30, 60, 6.0, 0.30, blue, 0.75, 0.20},
        {182, 262, 9, 34, 4.5, 0.32, magenta, 0.70, 0.25},
        {244, 262, -38, 38, 5.5, 0.35, cyan, 0.70, 0.20},
        {4, 262, -6, 50, 6.0, 0.30, aqua, 0.70, 0.20},
        {110, 262, -12, 22, 3.5, 0.35, aqua, 0.45, 0.40},
        {146, 262, 14, 20, 3.5, 0.35, magenta, 0.45, 0.40},
    }};
    for (const auto& shard : shards) {
        paintShard(canvas, shard);
    }
}

// ---- finishing -------------------------------------------------------------------------------

void paintGroundGlow(Canvas& canvas) {
    for (int y = 0; y < N; ++y) {
        const double fromBottom = N - (y + 0.5);
        const double glow = std::exp(-fromBottom / 34.0);
        for (int x = 0; x < N; ++x) {
            canvas.at(x, y) = canvas.at(x, y) + Colour{0.16, 0.07, 0.26} * glow;
        }
    }
}

// The well stands in the middle and the texts sit in the corners: a soft dimming of the centre
// column and of the edges keeps the blocks and the letters clear of the picture.
void shadeForPlay(Canvas& canvas) {
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const double u = (x + 0.5) / N;
            const double v = (y + 0.5) / N;
            const double column = std::exp(-std::pow((u - 0.5) / 0.17, 4.0));
            const double edge = (u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5);
            const double floor = std::exp(-(1.0 - v) / 0.012);  // a thin dark strip at the bottom
            const double keep = (1.0 - 0.38 * column) * (1.0 - 0.35 * edge) * (1.0 - 0.45 * floor);
            canvas.at(x, y) = canvas.at(x, y) * keep;
        }
    }
}

uint8_t toByte(double value, double floorValue) {
    // A gentle shoulder instead of a hard clip keeps the brightest crystal tips from flattening.
    double v = std::max(value, floorValue);
    if (v > 0.8) {
        v = 0.8 + 0.2 * (1.0 - std::exp(-(v - 0.8) / 0.2));
    }
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0));
}

}  // namespace

std::vector<uint8_t> paintBackground() {
    Canvas canvas;
    paintSky(canvas);
    paintStars(canvas);
    paintAurora(canvas);
    paintGroundGlow(canvas);
    paintShards(canvas);
    shadeForPlay(canvas);

    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(N) * N * 3);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const Colour& c = canvas.at(x, y);
            rgb.push_back(toByte(c.r, 0.02));
            rgb.push_back(toByte(c.g, 0.02));
            rgb.push_back(toByte(c.b, 0.05));
        }
    }
    return rgb;
}

}  // namespace shardfall
