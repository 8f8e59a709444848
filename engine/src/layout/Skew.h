// How far a scan's text is turned from level, and a level copy of the scan
// for recognition (the scan itself is left as it is).
#pragma once

#include "layout/Pix.h"

namespace xdw {

// The angle, in degrees clockwise as shown, by which the text of the 1-bit
// image must be turned to stand level; 0 when it stands level already or no
// angle is found with confidence.
double FindSkew(PIX* binary);

// grey turned clockwise by degrees about its centre, the same size, the
// corners that come in white.
PixPtr Turned(PIX* grey, double degrees);

// Where the point (x, y) of the turned copy lies on the scan, for a copy
// turned by degrees about the centre of a width x height image.
void UnturnedPoint(double degrees, int width, int height, double& x, double& y);

}  // namespace xdw
