// The thresholds of a page's recognition, in one table: each row a
// parameter's name, its value and what it means (confidences from 0 to 100
// as Tesseract gives them for words; sizes in text sizes, the height of the
// page's text; lengths in pixels at 300 dpi unless they say otherwise).
// Read with Tuned(Ocr::Name); see Tuning.h for giving them other values.
#pragma once

#include "Tuning.h"

// clang-format off
#define XDW_OCR_TUNING(X)                                                                        \
    /* Its own text (PageText, ReadText) */                                                      \
    X(InkLevel, 128, "grey: dark pixels of the rendering, below this, are ink")                  \
    X(RuleHeights, 1.5, "ink running on unbroken this many times the text's height is a rule, "  \
      "a frame or a filled box, never a letter's stroke")                                        \
    X(BlankGap, 0.6, "a gap between words wider than this many line heights is a blank")         \
    X(CellGap, 2.0, "and wider than this many, a gap between cells")                             \
    X(SureWordConfidence, 45, "words read less surely are not taken at their word: each of "     \
      "their characters becomes U+FFFD")                                                         \
    X(SureKanaConfidence, 85, "in words read less surely, katakana that a voicing mark or a "    \
      "stroke tells from another (ハ, バ, パ; シ, ン) become U+FFFD")                              \
    X(SureNameConfidence, 70, "in words read less surely, kanji are marked as too faint to be "  \
      "taken in a name (文具 read as 文只 at 63)")                                               \
    /* Way up (WayUp, Orientation, ReadingTurn) */                                               \
    X(UprightSampleCharacters, 20, "a page read as it stands shows it stands upright when its "  \
      "first this many characters read at UprightConfidence or more")                            \
    X(UprightConfidence, 75, "see UprightSampleCharacters")                                      \
    X(TurnedConfidence, 50, "read first, lines reading under this are taken as turned and the "  \
      "way up is asked for at once")                                                             \
    X(BandLines, 2, "a long block is sampled by a band of its first this many lines")            \
    X(BandAfterLines, 8, "a block of more than this many lines is a long block")                 \
    X(BandInk, 128, "grey: darker counts for the band's rows of ink")                            \
    X(MinOrientationConfidence, 2.0, "below this orientation confidence (Tesseract's units) "    \
      "the letters' shapes leave a page in doubt")                                               \
    X(OrientationDpi, 150, "dpi: the way up is looked for in the letters' shapes on a copy this "\
      "fine")                                                                                    \
    X(QuickCharacters, 10, "the letters' shapes are looked at in this many characters first")    \
    X(QuickConfidence, 2.5, "and their answer taken at this confidence or more")                 \
    X(UsualCharacters, 50, "else they are looked at in this many")                               \
    X(TurnSampleCharacters, 25, "read each way: a sample of about this many characters")         \
    X(TurnSampleLines, 3, "from the first this many lines of a region")                          \
    X(TurnSampleLength, 12, "cut to this many lines' pitches along them")                        \
    X(TurnSampleRegions, 6, "from at most this many regions")                                    \
    X(WidestPitch, 3, "lines further apart than this many text sizes are not one region's")      \
    X(SampleMargin, 0.5, "blank room around a piece of the sample, in text sizes")               \
    X(BetterBy, 15, "a turn is taken only when its sample reads this much better than the page " \
      "as it stands and every other turn")                                                       \
    X(ReadsWell, 45, "and reads this well on its own")                                           \
    X(LeastCharacters, 12, "and holds this many characters")                                     \
    /* Regions (RegionReading) */                                                                \
    X(RegionMarginPx, 24, "pixels: blank room around a region's copy")                           \
    X(LineMarginMinPx, 4, "pixels: at least this above and below a line read alone (at most a "  \
      "quarter of its height)")                                                                  \
    X(ReadTextPx, 40, "pixels: text is read best about this high")                               \
    X(SmallTextPx, 20, "pixels: text lower than this is scaled to ReadTextPx first")             \
    X(LargeTextPx, 64, "pixels: so is text higher than this")                                    \
    X(Doubtful, 50, "a word read less surely than this is doubtful: its line is looked at again")\
    X(SecondLookScale, 0.95, "a doubtful line is looked at again this much smaller")             \
    X(LongLineWords, 20, "a doubtful line of this many words, holding ManyDoubtful doubtful "    \
      "words, is not looked at again smaller: read again whole, one of its words always reads " \
      "less surely than the weakest before")                                                    \
    X(ManyDoubtful, 4, "see LongLineWords")                                                      \
    X(NarrowWidth, 0.7, "doubtful words whose characters are this narrow (of their line's "     \
      "height) are read again WideStretch times as wide")                                        \
    X(WideStretch, 1.5, "see NarrowWidth")                                                       \
    X(NarrowLatin, 0.4, "a word of Latin letters read in Japanese text, its letters on "         \
      "average narrower than this many of its line's height, is one Japanese character "         \
      "read as letters (記 as RIM): it is read again as one word")                               \
    X(ShortLineHeights, 5, "a line up to this many times as long as high, read alone, is read "  \
      "again as one word when it reads nothing as a line")                                       \
    X(MostWholeArea, 2, "the whole page is read by the recogniser's own layout at most this "    \
      "many times its own pixels")                                                               \
    /* Figures read again by the English model (DigitReread) */                                  \
    X(FiguresRereadUnder, 92, "a word holding figures read less surely than this has them "      \
      "read again by the English model (above 100: every one; the Japanese model misreads a "    \
      "0 as 9 at a confidence of 90 and more, 91 at most on the office and capture pages; a "    \
      "page whose figures it reads surer does without the English model's load)")                \
    X(FiguresSure, 70, "the English reading is taken when read as surely as the Japanese word "  \
      "or at this confidence or more")                                                           \
    X(FiguresLeastDigits, 2, "a run of figures holding fewer digits is not read again")          \
    X(FiguresRoom, 0.15, "room either side of a run of figures read again, in text sizes")       \
    X(FiguresWidest, 0.8, "a figure is at most this many text sizes wide")                       \
    /* A bill's doubtful date line read again for its keys (KeyReread) */                        \
    X(DateAgainSmaller, 0.8, "a bill's date line left in doubt is read again this much smaller " \
      "than the page")                                                                           \
    X(DateAgainLarger, 1.25, "and again this much larger; taken where both readings agree")     \
    X(DateAgainLines, 1, "at most this many lines of a page are read again so (a date line "    \
      "costs about 30 ms)")                                                                      \
    X(ZeroSlashSlant, 0.2, "a looped figure whose two holes stand shifted across by this many "  \
      "of its widths, one above the other, is a zero struck through (SlashedZero)")             \
    /* Every piece of ink read or known to be no text (InkAccount) */                            \
    X(StrokeSizes, 4, "a straight stroke at least this many text sizes long is no part of a "    \
      "character: a rule, a frame's side, an underline")                                         \
    X(StrokeMarkShare, 0.6, "a dash or bar with this share of its ink on such a stroke was "     \
      "read off it")                                                                             \
    X(StrokeAnyShare, 0.85, "so was any other character with this share of its ink on it")      \
    X(StrokeAnySure, 50, "when read less surely than this")                                      \
    X(InkSpeckPx, 2, "pixels: pieces of ink this small both ways are specks")                    \
    X(CoverRoomDivisor, 4, "a word covers the ink within 1/this of the text size around its box")\
    X(CoveredShare, 0.5, "a piece of ink mostly under words (this share of its box) is read")    \
    X(BandFill, 0.75, "a dark band: ink over at least this share of a box BandSizes text sizes " \
      "wide and about one high, holding BandHoles letters' worth of paper")                      \
    X(BandSizes, 2, "see BandFill")                                                              \
    X(BandHoles, 2, "see BandFill")                                                              \
    X(LetterSizes, 2, "a piece of a letter's size is at most this many text sizes both ways")    \
    X(DrawingSizes, 8, "a drawing: larger than this many text sizes both ways, and not dense")   \
    X(PatchGapSizes, 2, "unread pieces this close (text sizes across, a third of one down) make "\
      "one patch")                                                                               \
    X(PictureRows, 8, "a picture is read again as a page of this many rows would be")            \
    X(MostPatches, 16, "at most this many patches of unread ink are read again on a page")       \
    /* The recogniser's own reading as a floor (PageFloor) */                                    \
    X(FloorUnreadShare, 0.04, "the page is read whole as well when this share of the ink that "  \
      "may be text lies under no word")                                                          \
    X(FloorMeanSure, 80, "or its characters read at a mean confidence under this")               \
    X(FloorUnsure, 60, "or FloorUnsureShare of them in words under this")                        \
    X(FloorUnsureShare, 0.15, "see FloorUnsure")                                                 \
    X(FloorBandRoom, 1, "the floor is read in bands across the page, each this many text "     \
      "sizes above and below the doubtful lines and unread ink it holds")                        \
    X(FloorBandShare, 0.5, "and whole when the bands cover this share of the height the "      \
      "page's text spans")                                                                       \
    X(FloorSure, 60, "a word of the whole reading counts only at this confidence or more")       \
    X(EvenSure, 50, "confidence at which a character is as likely read right as wrong")          \
    X(FloorLineMoreChars, 2, "the whole reading takes a line's place when borne out by this "    \
      "many sure characters' worth more than the line")                                          \
    X(FloorInkShare, 0.95, "and its words cover at least this share of the ink the line's do "   \
      "(an unsure region's too, see FloorMoreChars)")                                            \
    X(DropUnsure, 40, "a word of the layer under this confidence, over ink less than "          \
      "InkSupport of its box, where the whole reading finds none, is no text")                   \
    X(InkSupport, 0.03, "see DropUnsure")                                                        \
    X(UnreadableSure, 30, "a line whose characters read at a mean confidence under this is "     \
      "left out: what the recogniser cannot tell at all (a fax's transmission line too small "  \
      "to read) would only be noise in the layer")                                               \
    /* The text layer (TextLayer) */                                                             \
    X(MaxBlankEm, 0.25, "the widest blank laid between words, in text sizes")                    \
    X(SpacingPerSize, 1.42, "the lines of a stack get a size of at least their widest spacing "  \
      "divided by this, so that extractors read them as one block")                              \
    X(MaxSizeGrowth, 2.5, "a stack's size grows at most this many times its lines' thickness")   \
    X(MaxSizePerSpacing, 1.6, "and, widely spaced, at most its typical spacing times this")      \
    X(MaxJapaneseSizeGrowth, 4, "in Japanese text, at most this many times its thickness")       \
    X(JapaneseShare, 0.9, "a stack is Japanese text when this share of its characters are")      \
    /* Checked against the ink (InkCheck, Recognizer) */                                         \
    X(NoisePieces, 2000, "ink of at least this many pieces read as under one character for "    \
      "every PiecesPerNoiseCharacter of them is noise, not text")                                \
    X(PiecesPerNoiseCharacter, 100, "see NoisePieces")                                           \
    X(UnreadSure, 50, "a word read again from unread ink is kept at this confidence or more")    \
    X(PictureSure, 70, "in a picture, at this confidence or more")                               \
    X(RegionSure, 60, "a region whose characters read at a mean confidence under this is "       \
      "unsure: it is read by the recogniser's own layout as well")                               \
    X(UnsureCharacters, 5, "a region holding fewer characters is never unsure")                  \
    X(FloorMoreChars, 2, "the recogniser's own reading takes an unsure region's place when it "  \
      "is borne out by this many sure characters' worth more, and its words cover at least "    \
      "FloorInkShare of the ink the region's words cover")                                       \
    X(PatchSizes, 3, "unread ink smaller than this many text sizes both ways, within a region, " \
      "is a character its line missed: not read again")                                          \
    X(OwnLayoutRows, 3, "unread ink of this many rows or more is read by the recogniser's own "  \
      "layout")                                                                                  \
    X(PiecesPerCharacter, 8, "a reading holds little text when it found under one character "    \
      "for every this many pieces of ink: the page is then read whole as well")                  \
    X(FewPieces, 4, "a page with fewer pieces of ink never holds little text")
// clang-format on

namespace xdw {

XDW_TUNING_TABLE(Ocr, "ocr", XDW_OCR_TUNING)

}  // namespace xdw
