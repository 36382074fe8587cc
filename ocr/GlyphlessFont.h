#pragma once

#include <string>

// A TrueType font of two empty glyphs, each half an em wide, as the font
// program of the invisible text layer: the text is never painted, but
// readers load the font, and one that is embedded needs no substitute.
// Holds only the tables a PDF's embedded TrueType font needs.
std::string GlyphlessFont();

// The font's glyph width, in thousandths of the text size.
constexpr int glyphlessWidth = 500;
