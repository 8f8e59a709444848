#include "print/TextDocument.h"

#include <algorithm>
#include <string_view>

namespace xdw {

namespace {

// Fonts of LibreOffice's own text import: DejaVu Sans Mono for Latin
// letters, a Japanese gothic (the package's dependency) for the rest, 10 pt.
// Its default for text keeps gaps beside ideographs; here there are none.
constexpr const char* kHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:font-face-decls>
<style:font-face style:name="DejaVu Sans Mono" svg:font-family="'DejaVu Sans Mono'" style:font-family-generic="modern" style:font-pitch="fixed"/>
<style:font-face style:name="IPAGothic" svg:font-family="IPAGothic" style:font-family-generic="modern" style:font-pitch="fixed"/>
</office:font-face-decls>
<office:styles>
<style:style style:name="Preformatted_20_Text" style:display-name="Preformatted Text" style:family="paragraph" style:class="html">
<style:paragraph-properties fo:margin-top="0cm" fo:margin-bottom="0cm" style:contextual-spacing="false" style:text-autospace="none"/>
<style:text-properties style:font-name="DejaVu Sans Mono" fo:font-size="10pt" style:font-name-asian="IPAGothic" style:font-size-asian="10pt" style:font-name-complex="DejaVu Sans Mono" style:font-size-complex="10pt"/>
</style:style>
</office:styles>
<office:automatic-styles>
<style:style style:name="Page" style:family="paragraph" style:parent-style-name="Preformatted_20_Text">
<style:paragraph-properties fo:break-before="page"/>
</style:style>
</office:automatic-styles>
<office:body><office:text>
)";
constexpr const char* kTail = "</office:text></office:body></office:document>\n";

class Paragraphs {
public:
    explicit Paragraphs(std::string& out) : out_(out) {}

    void character(std::string_view bytes) {
        open();
        flushBlanks(false);
        if (bytes == "&")
            out_ += "&amp;";
        else if (bytes == "<")
            out_ += "&lt;";
        else if (bytes == ">")
            out_ += "&gt;";
        else
            out_ += bytes;
    }
    void blank() {
        open();
        ++blanks_;
    }
    void tab() {
        open();
        flushBlanks(false);
        out_ += "<text:tab/>";
    }
    void lineEnd() {
        open();
        close();
    }
    // A form feed: what follows starts a new page.
    void pageEnd() {
        if (open_) close();
        pageBreak_ = true;
    }
    void end() {
        if (open_) close();
    }

private:
    void open() {
        if (open_) return;
        out_ += pageBreak_ ? "<text:p text:style-name=\"Page\">"
                           : "<text:p text:style-name=\"Preformatted_20_Text\">";
        open_ = true;
        pageBreak_ = false;
        atStart_ = true;
    }
    void close() {
        flushBlanks(true);
        out_ += "</text:p>\n";
        open_ = false;
    }
    // One blank between words is written as it is; a run of them, or one
    // at either end of a line, as a count, which the reader keeps.
    void flushBlanks(bool atEnd) {
        if (blanks_ > 0) {
            if (blanks_ == 1 && !atStart_ && !atEnd)
                out_ += ' ';
            else
                out_ += "<text:s text:c=\"" + std::to_string(blanks_) + "\"/>";
            blanks_ = 0;
        }
        if (!atEnd) atStart_ = false;
    }

    std::string& out_;
    bool open_ = false;
    bool atStart_ = true;
    bool pageBreak_ = false;
    int blanks_ = 0;
};

// The length of the UTF-8 sequence that starts with lead.
size_t SequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

}  // namespace

std::string TextAsFlatDocument(const std::string& utf8) {
    std::string out = kHead;
    out.reserve(utf8.size() + utf8.size() / 8 + 2048);
    Paragraphs paragraphs(out);
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t length = std::min(SequenceLength(c), utf8.size() - i);
        const std::string_view sequence(utf8.data() + i, length);
        i += length;
        if (c == '\r') {
            if (i < utf8.size() && utf8[i] == '\n') ++i;
            paragraphs.lineEnd();
        } else if (c == '\n' || c == '\v') {
            paragraphs.lineEnd();
        } else if (c == '\f') {
            paragraphs.pageEnd();
        } else if (c == '\t') {
            paragraphs.tab();
        } else if (c == ' ') {
            paragraphs.blank();
        } else if (c < 0x20 || sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF") {
            // No place in XML: an end-of-file mark, escapes, non-characters.
        } else {
            paragraphs.character(sequence);
        }
    }
    paragraphs.end();
    return out + kTail;
}

}  // namespace xdw
