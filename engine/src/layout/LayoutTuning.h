// The thresholds of a page's layout, in one table: each row a parameter's
// name, its value and what it means (sizes in text sizes, the height of the
// page's text, unless they say otherwise; lengths in pixels; shares from 0
// to 1). Read with Tuned(Layout::Name); see Tuning.h for giving them other
// values.
#pragma once

#include "Tuning.h"

// clang-format off
#define XDW_LAYOUT_TUNING(X)                                                                     \
    /* Ink and text size */                                                                      \
    X(InkThreshold, 150, "grey darker than this (0 black to 255) counts as ink: halfway "        \
      "between paper and print, so that a light scan's grey strokes are kept and its noise not") \
    X(SpeckPx, 2, "pixels: specks of this size or less are noise, not strokes")                  \
    X(PictureSizes, 4, "a picture is at least this many text sizes across and down")             \
    X(SizeRank, 0.8, "characters break into pieces mostly lower than the character: the text "   \
      "size is taken this high among the pieces' heights")                                       \
    X(MaxTextPx, 400, "pixels: the largest text size taken")                                     \
    /* Skew */                                                                                   \
    X(MinSkewDegrees, 0.15, "degrees: smaller turns are left alone (straightening would only "   \
      "blur)")                                                                                   \
    X(MaxSkewDegrees, 6.0, "degrees: larger turns are not taken for skew (a page on its side "   \
      "is another matter)")                                                                      \
    X(MinSkewConfidence, 1.5, "below this confidence Leptonica's angle is a guess")              \
    X(SkewSweepStep, 1.0, "degrees: the angles swept first are this far apart")                  \
    /* Rules */                                                                                  \
    X(HorizontalRuleSizes, 6, "a stroke this many text sizes long across is a rule")             \
    X(VerticalRuleSizes, 2.5, "a stroke this many text sizes long down is a rule")               \
    X(RuleStepPx, 3, "pixels: a rule is looked for in ink thickened to this across it")          \
    X(RuleRoomPx, 5, "pixels: room erased around a rule (its anti-aliased edges are lighter "    \
      "than ink)")                                                                               \
    X(CharacterBoxSizes, 3, "boxes for one character each (a postal code) are at most this "     \
      "many text sizes wide")                                                                    \
    X(DashThinDivisor, 5, "a dash is at most 1/this of a text size thick")                       \
    X(DashGapDivisor, 3, "a dashed line's gaps are at most 1/this of a text size long")          \
    X(DashShortestDivisor, 4, "a dash is at least 1/this of a text size long")                   \
    X(DashedSizes, 4, "a dashed line is at least this many text sizes long")                     \
    /* Regions */                                                                                \
    X(ColumnGapSizes, 1.5, "a column gap is at least this many text sizes wide: wider than the " \
      "blank of a justified Japanese line, narrower than the space between columns")             \
    X(OffsetShare, 0.2, "a line standing this far (of its block's width) right of the block's "  \
      "left edge is right-aligned or centred, and read as a line of its own")                    \
    X(HeadingHeight, 1.3, "a line this many times taller than its neighbours is a heading")      \
    X(RowHeight, 1.6, "pieces side by side are rows of a table when no band of ink across them " \
      "is this many times taller than the typical one")                                          \
    X(RowsAcrossShare, 0.8, "and this share of the bands hold pieces of two columns or more")    \
    X(TableRunRows, 3, "a table set apart from lines above or below it holds at least this "     \
      "many rows")                                                                               \
    X(ProseSizes, 8, "a column of prose is at least this many text sizes wide")                  \
    X(ProseFill, 0.85, "and its typical line fills this share of it")                            \
    X(VerticalColumnSizes, 4, "bands of ink wider than this many text sizes are columns of "     \
      "horizontal lines, not a column written top to bottom")
// clang-format on

namespace xdw {

XDW_TUNING_TABLE(Layout, "layout", XDW_LAYOUT_TUNING)

}  // namespace xdw
