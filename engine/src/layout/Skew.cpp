#include "layout/Skew.h"
#include "layout/LayoutTuning.h"

#include <cmath>
#include <new>
#include <numbers>

namespace xdw {

namespace {

// Turns smaller than this are left alone (straightening would only blur),
// larger ones are not taken for skew (a page on its side is another matter).
const double kMinSkewDegrees = Tuned(Layout::MinSkewDegrees);
const double kMaxSkewDegrees = Tuned(Layout::MaxSkewDegrees);
// Below this confidence Leptonica's angle is a guess; level pages of few
// lines find angles under kMinSkewDegrees there, left alone.
const float kMinConfidence = static_cast<float>(Tuned(Layout::MinSkewConfidence));
// The angles swept first, this far apart. Leptonica gives no confidence to
// an angle within one step of the sweep's end, so the sweep reaches a step
// beyond the largest turn taken for skew.
const float kSweepStep = static_cast<float>(Tuned(Layout::SkewSweepStep));
const float kSweepRange = float(kMaxSkewDegrees) + kSweepStep;

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
