// The thresholds of a page's preparation, in one table: each row a
// parameter's name, its value and what it means (lengths in pixels at 300
// dpi unless they say otherwise, levels of grey from 0, black, to 255,
// shares from 0 to 1). Read with Tuned(Prepare::Name); see Tuning.h for
// giving them other values.
#pragma once

#include "Tuning.h"

// clang-format off
#define XDW_PREPARE_TUNING(X)                                                                    \
    /* The sheet of paper on the page */                                                         \
    X(LeastSidePx, 64, "pixels: a page narrower or lower than this is binarised as it is, "      \
      "with no sheet looked for and no background evened out")                                   \
    X(SheetSearchPx, 800, "pixels: the sheet is looked for on a copy at most this wide")         \
    X(FillsPage, 0.97, "a sheet this large (of the page's width and height) fills the page")     \
    X(MinSheetShare, 0.2, "a sheet is at least this share of the page's area")                   \
    X(DarkAround, 0.85, "what lies off the sheet is taken away only when this share of it is "   \
      "dark")                                                                                    \
    X(CornerSlack, 0.01, "corners this far (of the page's diagonal) from the sheet's bounding "  \
      "box make a sheet seen in perspective or askew")                                           \
    X(EdgeInset, 0.006, "the unwarped sheet's edges are taken in by this share of its size")     \
    X(EdgeFitPx, 1.5, "pixels of the sheet's search copy: the outermost paper along a sheet's "  \
      "edge this near one straight line lies on it")                                             \
    X(EdgeFitShare, 0.4, "a sheet's edge is the straight line that at least this share of the "  \
      "outermost paper along it lies on (else its corners are the points furthest out)")        \
    X(EdgeFitOutside, 0.05, "a sheet's corner found where its edges cross lies at most this "    \
      "share of the page's size off the page")                                                   \
    X(BlankLevel, 254, "pure white: margins around a picture, never a photographed desk")        \
    /* Ink and paper */                                                                          \
    X(SpeckPx, 3, "specks: pieces of ink at most this wide and high")                            \
    X(FaintStrokeLevel, 180, "grey darker than this, once the ink is black, is a stroke too "    \
      "faint for the cut, if thinner than FaintStrokePx one way or the other")                   \
    X(FaintStrokePx, 6, "see FaintStrokeLevel")                                                  \
    X(CleanShare, 0.85, "a page is plain white paper when this share of it is at least "         \
      "CleanLevel light")                                                                        \
    X(CleanLevel, 245, "see CleanShare")                                                         \
    /* Noise */                                                                                  \
    X(LoneSpeckPx, 3, "a speck standing alone (no larger ink within SpeckRoomPx) at most this "  \
      "across is noise")                                                                         \
    X(FaxSpeckPx, 8, "on a fax, a lone speck is up to this across")                              \
    X(FaxSpeckPixels, 3, "on a fax coarser than the page, a lone speck is up to this many of "   \
      "its own pixels across")                                                                   \
    X(SpeckRoomPx, 16, "a speck with larger ink this near (a full stop, a dakuten) stays")       \
    X(StreakPx, 5, "streaks: lines at most this thick running over StreakShare of the page")     \
    X(StreakShare, 0.95, "see StreakPx; a table's rules stop at the margins")                    \
    X(StreakInkShare, 0.9, "a streak's gaps bridged, at least this share of it is ink (a "       \
      "fax line's dropped pixels; never a page of speckle)")                                     \
    /* Seals */                                                                                  \
    X(BridgePx, 15, "strokes of text crossing a seal are bridged over this length")              \
    X(SealInsidePx, 94, "a seal is at least this across and down, its ring or frame enclosing "  \
      "SealHoleShare of it")                                                                     \
    X(SealHoleShare, 0.25, "see SealInsidePx")                                                   \
    X(SealLargePx, 177, "a mark of seal ink this large both ways is a seal, its inside however " \
      "full")                                                                                    \
    X(RingPx, 35, "around what a ring encloses, its ring and rim (3 mm)")                               \
    X(SealEdgePx, 2, "the seal ink's edge, where its colour and the paper's mix")                \
    X(PaperShare, 0.3, "seal ink over more than this share of the page is the paper's colour")   \
    X(LabelAspect, 1.8, "a frame at least this many times as long as high (or high as long) "    \
      "over no black ink is a label boxed in colour, read as text")                              \
    X(LabelBlackShare, 0.002, "black ink over at most this share of a label's box is none")      \
    X(FrameShare, 0.8, "a label's frame: the ink reaching over this share of its length or "     \
      "height")                                                                                  \
    X(LabelFill, 0.4, "a label's letters fill at least this share of its frame's height (its "  \
      "width when it stands upright): a stamp leaves room round its date")
// clang-format on

namespace xdw {

XDW_TUNING_TABLE(Prepare, "prepare", XDW_PREPARE_TUNING)

}  // namespace xdw
