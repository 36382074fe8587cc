#pragma once

#include "ocr/PageText.h"

#include <string>

class QPDF;
class QPDFObjectHandle;
class QPDFPageObjectHelper;

// The invisible text over a page's image: each recognised word in text
// rendering mode 3 (neither filled nor stroked), its baseline on its line's
// bottom, its size the line's height, starting where the word starts and
// stretched, with the space that follows it on its line, to where the next
// word starts (the last to its box's end), so that readers find, select
// and copy the words where the image shows them, a line as one line.
//
// The layer is written here rather than taken from the engine's own PDF
// output: that output is a file per page that would have to be merged into
// ours object by object, sizes its pages from the resolution instead of
// our page sizes, and needs a font file found at run time.
namespace TextLayer {

// The content stream for `text` on a page `width` x `height` points whose
// image fills it, in the font named `fontName` in the page's resources.
std::string Content(const PageText& text, double width, double height, const std::string& fontName);

// The layer's font in `pdf`: a composite font whose two-byte codes are
// UTF-16 code units, mapped back to Unicode for copying, every one drawn
// with the same empty glyph of an embedded glyph-less font. One serves
// every page.
QPDFObjectHandle AddFont(QPDF& pdf);

// Adds `text` to `page` of `pdf` as a content stream after the page's own,
// with `font` in its resources; the page's image and content stay as they
// are. Also a page without words gets the font, so that it counts as one
// with text.
void LayOver(QPDF& pdf, QPDFPageObjectHelper& page, QPDFObjectHandle font, const PageText& text, double width,
             double height);

}  // namespace TextLayer
