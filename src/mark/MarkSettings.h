#pragma once

#include "platform/Colour.h"
#include "platform/Raster.h"
#include "platform/SharedFont.h"

#include <QString>
#include <array>
#include <cstdint>

namespace imprimata {

enum MarkTypes : std::int16_t { TextMark = 0, ImageMark = 1 };

// The whole definition of a mark. Assigning a record shares its font.
struct MarkSettings {
    std::int16_t MarkType = TextMark;
    QString Text;
    QString MarkName;
    QString ImagePath;
    SharedFont Font; // empty until the editor first opens or a mark file is loaded
    ColourValue Colour = 0;
    // Option indices of render's PrintMode, Level and Transparency, kept as the mark file
    // stores them.
    std::uint8_t PrintMode = 0;
    std::uint8_t Level = 0;
    std::uint8_t ImageTransparency = 0;
    // 0 in a new record, which copies as SrcCopy does; AlphaBlendRasterOp for the Alpha blend.
    std::int32_t RasterOp = 0;
    std::int16_t MarkHeight = 0; // twips
    std::int16_t MarkWidth = 0;  // twips
    bool SmoothEdges = false;    // a TEXT mark's glyphs anti-aliased

    // A mark that can be stamped: text for a TEXT mark, an image path for an IMAGE mark.
    bool isComplete() const {
        return (MarkType == TextMark && !Text.isEmpty()) ||
               (MarkType == ImageMark && !ImagePath.isEmpty());
    }
    // The editor treats a mark as present when either text or image path is set.
    bool isPresent() const { return !Text.isEmpty() || !ImagePath.isEmpty(); }
};

// The Alpha blend, which draws the mark picture by its own transparency, as a mark record
// holds it: no ternary code, so never taken for one. Its file value is 0 (version 1.2).
inline constexpr std::int32_t AlphaBlendRasterOp = -1;
// The Alpha row's caption, in English; translated where it is shown.
inline constexpr const char *AlphaBlendName =
    QT_TRANSLATE_NOOP("imprimata", "Alpha (the picture's own transparency)");

// The rows of the editor's raster operation list, in list order. The names are the
// operations' own and are shown untranslated.
struct RasterOpEntry {
    const char *name;
    RasterOp code;
};
inline constexpr std::array<RasterOpEntry, 8> RasterOpTable{{
    {"MergePaint", MergePaint},
    {"NotSrcCopy", NotSrcCopy},
    {"NotSrcErase", NotSrcErase},
    {"SrcAnd", SrcAnd},
    {"SrcCopy", SrcCopy},
    {"SrcErase", SrcErase},
    {"SrcInvert", SrcInvert},
    {"SrcPaint", SrcPaint},
}};

// The list row of a raster operation code, or -1 when the code is not one of the eight.
int rasterOpRow(std::uint32_t code);

// The values the windows share for the whole run; main() creates the one instance.
struct SharedState {
    MarkSettings CurrentMark;
    bool MarkAccepted = false;  // how the editor was last closed
    QString CurrentPicturePath; // the file last clicked in the file list
    std::array<int, 3> StepTable{15, 30, 50};
    int PlacementBaseWidth = 0; // pixels of the mark view at the last layout pass
    int PlacementBaseHeight = 0;
    bool PlacementCloseBlocked = true; // the placement window refuses to close while set
};

} // namespace imprimata
