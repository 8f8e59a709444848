#include "layout/Skew.h"

#include <cmath>
#include <new>
#include <numbers>

namespace xdw {

namespace {

// Below this confidence Leptonica's angle is a guess; a page of five lines
// of 10 pt turned 4° comes at about 1.9; level pages of few lines find
// angles under kMinSkewDegrees there, left alone.
constexpr float kMinConfidence = 1.5f;
// The angles swept first, this far apart. Leptonica gives no confidence to
// an angle within one step of the sweep's end, so the sweep reaches a step
// beyond the largest turn taken for skew.
constexpr float kSweepStep = 1.0f;
constexpr float kSweepRange = float(kMaxSkewDegrees) + kSweepStep;

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

}  // namespace

double FindSkew(PIX* binary) {
    l_float32 angle = 0, confidence = 0;
    // Leptonica reports the angle it would turn by, clockwise positive.
    if (pixFindSkewSweepAndSearch(binary, &angle, &confidence, 4, 2, kSweepRange, kSweepStep,
                                  0.01f) != 0)
        return 0;
    if (confidence < kMinConfidence || std::abs(angle) < kMinSkewDegrees ||
        std::abs(angle) > kMaxSkewDegrees)
        return 0;
    return angle;
}

PixPtr Turned(PIX* grey, double degrees) {
    PIX* turned = pixRotate(grey, static_cast<l_float32>(Radians(degrees)), L_ROTATE_SHEAR,
                            L_BRING_IN_WHITE, 0, 0);
    if (turned == nullptr) throw std::bad_alloc();
    return PixPtr(turned);
}

void UnturnedPoint(double degrees, int width, int height, double& x, double& y) {
    const double a = Radians(degrees), cx = width / 2.0, cy = height / 2.0;
    const double dx = x - cx, dy = y - cy;
    x = cx + dx * std::cos(a) + dy * std::sin(a);
    y = cy - dx * std::sin(a) + dy * std::cos(a);
}

}  // namespace xdw
