// The page's ink checked against its reading: every piece of ink is either
// covered by a word read, or known to be no text (a rule, a frame, a solid
// bar, a picture, a speck); what is neither is handed back to be read again.
// Marks read off long straight strokes (a frame's sides as ー or |, an
// underline as _) are taken out of the reading.
#pragma once

#include <memory>
#include <vector>

#include "layout/PageLayout.h"
#include "layout/Pix.h"
#include "ocr/OcrTypes.h"

namespace xdw {

// Ink no word covers, to be read again: a patch of pieces of ink close
// together, or light letters in a dark band (to be read inverted).
struct InkPatch {
    PixelBox box;
    bool lightOnDark = false;
    // What the layout took for a picture: text only if it reads surely.
    bool picture = false;
    int rows = 1;  // rows of text it holds, about
};

class InkAccount {
public:
    // Throws std::bad_alloc.
    explicit InkAccount(const PageLayout& layout);

    // Takes out the characters whose ink lies on a long straight stroke
    // (ー, _, | and their like read off a frame, an underline or a cell's
    // rule), and the words and lines left empty.
    void DropStrokeMarks(std::vector<OcrLine>& lines) const;

    // The patches of ink that lines leave unread, the largest first.
    std::vector<InkPatch> Unread(const std::vector<OcrLine>& lines) const;

    // The share of the ink that may be text (no stroke, speck or drawing;
    // the letters of a dark band counted as its paper) that lines leave
    // unread, 0 to 1.
    double UnreadShare(const std::vector<OcrLine>& lines) const;

    // The pixels of ink within box.
    int InkIn(const PixelBox& box) const;

    // The straightened page with everything but the unread ink made paper:
    // the words read, the long strokes and specks. Throws std::bad_alloc.
    RenderedPage Rest(const std::vector<OcrLine>& lines) const;

private:
    // The boxes of the pieces of ink that may be text and that no word of
    // read (a mask of the words) covers; the unread dark bands holding
    // letters added to bands, the ink that may be text counted in textInk.
    PixPtr UnreadPieces(PIX* read, std::vector<InkPatch>& bands, double& textInk) const;

    const PageLayout& layout_;
    std::shared_ptr<PIX> ink_;  // the straightened page's ink, 1
    PixPtr strokes_;            // the parts of it that are long straight strokes
};

// Lines read apart (a patch read again) put into lines where they lie: before
// the first line below them that shares their width, each patch a block of
// its own; blocks numbered again in order.
void InsertByPlace(std::vector<OcrLine>& lines, std::vector<OcrLine>&& more);

}  // namespace xdw
