#include "prepare/Noise.h"

#include <algorithm>
#include <new>
#include <vector>

#include "prepare/Lengths.h"
#include "prepare/PrepareTuning.h"

namespace xdw {

namespace {

// Specks standing alone: pieces of ink at most kLoneSpeckPx across (on a
// fax, whose line makes them up to kFaxSpeckPx) with no larger ink within
// kSpeckRoomPx are noise however many there are; a full stop, a comma or a
// dakuten lies beside its letter and stays. A bullet (・) stands further
// from its line's text: only on a fax is a piece its size taken. A fax whose
// pixels are coarser than the page's makes them up to kFaxSpeckPixels of its
// own pixels: one dark pixel, drawn with its edges smoothed into its
// neighbours.
const int kLoneSpeckPx = TunedInt(Prepare::LoneSpeckPx);
const int kFaxSpeckPx = TunedInt(Prepare::FaxSpeckPx);
const int kFaxSpeckPixels = TunedInt(Prepare::FaxSpeckPixels);
const int kSpeckRoomPx = TunedInt(Prepare::SpeckRoomPx);

PixPtr LoneSpecks(PIX* ink, int dpi, bool bilevel, int pictureDpi) {
    int most = AtDpi(bilevel ? kFaxSpeckPx : kLoneSpeckPx, dpi);
    if (bilevel && pictureDpi > 0)
        most = std::max(most, (kFaxSpeckPixels * dpi + pictureDpi - 1) / pictureDpi);
    const int room = AtDpi(kSpeckRoomPx, dpi);
    PixPtr large = LargerPieces(ink, most, bilevel && pictureDpi > 0);
    PixPtr small = Checked(pixSubtract(nullptr, ink, large.get()));
    PixPtr near = Checked(pixDilateBrick(nullptr, large.get(), 2 * room + 1, 2 * room + 1));
    // A speck that reaches into the room of larger ink stays whole.
    PixPtr touching = Checked(pixAnd(nullptr, small.get(), near.get()));
    PixPtr kept = Checked(pixSeedfillBinary(nullptr, touching.get(), small.get(), 8));
    return Checked(pixSubtract(nullptr, small.get(), kept.get()));
}

// Streaks: lines at most kStreakPx thick running over kStreakShare of the
// page's width or height, as a fax's or a scanner's dirt draws them; a
// table's rules stop at the margins.
const int kStreakPx = TunedInt(Prepare::StreakPx);
const double kStreakShare = Tuned(Prepare::StreakShare);
const double kStreakInkShare = Tuned(Prepare::StreakInkShare);

// The runs of ink at least length long along the rows (across) or the
// columns, each with its gaps of at most gap pixels of paper bridged, and
// of them only those at least kStreakInkShare ink: gaps bridged in speckle
// make any row a run.
PixPtr LongRuns(PIX* ink, bool across, int length, int gap) {
    PixPtr runs = Checked(across ? pixCopy(nullptr, ink) : pixRotateOrth(ink, 1));
    KeepLongRuns(runs.get(), length, gap, kStreakInkShare);
    return across ? std::move(runs) : Checked(pixRotateOrth(runs.get(), 3));
}

PixPtr Streaks(PIX* ink, int dpi) {
    const int w = pixGetWidth(ink), h = pixGetHeight(ink);
    const int thick = AtDpi(kStreakPx, dpi);
    PixPtr out = Checked(pixCreateTemplate(ink));
    for (const bool across : {true, false}) {
        const int length = static_cast<int>(kStreakShare * (across ? w : h));
        // A streak broken here and there (a fax line's dropped pixel) is one
        // streak: gaps up to twice its greatest thickness are bridged.
        PixPtr lines = LongRuns(ink, across, length, 2 * thick);
        // Thick runs are the edge of a dark border or a bar: not a streak.
        PixPtr thin = Checked(pixSelectBySize(lines.get(), across ? w : thick, across ? thick : h,
                                              8, L_SELECT_IF_BOTH, L_SELECT_IF_LTE, nullptr));
        pixOr(out.get(), out.get(), thin.get());
    }
    pixAnd(out.get(), out.get(), ink);
    return out;
}

}  // namespace

PixPtr LargerPieces(PIX* ink, int most, bool joined) {
    if (!joined)
        return Checked(
            pixSelectBySize(ink, most, most, 8, L_SELECT_IF_EITHER, L_SELECT_IF_GT, nullptr));
    PixPtr grown = Checked(pixDilateBrick(nullptr, ink, 3, 3));
    PixPtr large = Checked(pixSelectBySize(grown.get(), most + 2, most + 2, 8, L_SELECT_IF_EITHER,
                                           L_SELECT_IF_GT, nullptr));
    return Checked(pixAnd(nullptr, large.get(), ink));
}

Capture CaptureOf(const RenderedPage& page) {
    if (!page.bilevel) return Capture::Any;
    return page.picture.Unequal() ? Capture::Fax : Capture::Bilevel;
}

PixPtr Noise(PIX* ink, int dpi, Capture capture, int pictureDpi) {
    const bool bilevel = capture != Capture::Any;
    // Streaks first: the specks that touched one stand alone without it.
    PixPtr noise = Streaks(ink, dpi);
    PixPtr rest = Checked(pixSubtract(nullptr, ink, noise.get()));
    PixPtr specks = LoneSpecks(rest.get(), dpi, bilevel, pictureDpi);
    pixOr(noise.get(), noise.get(), specks.get());
    return noise;
}

}  // namespace xdw
