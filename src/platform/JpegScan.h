#pragma once

// The entropy-coded data of one baseline, Huffman-coded JPEG scan, read and written again
// without touching pixels: the blocks of a band of MCU rows are decoded for the caller to
// change, and the scan is rewritten with only that band (and the MCU after it, whose DC
// differences follow the band's last blocks) encoded anew. Every other bit is copied, or,
// when the band needs codes the tables lack, every other symbol is coded again with wider
// tables; both cost far less than decoding and encoding the whole picture.

#include "Result.h"

#include <QByteArray>
#include <bitset>
#include <cstdio> // jpeglib.h uses FILE without including it
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace imprimata {

// One component of a scan as the frame and scan headers give it.
struct ScanComponent {
    int h = 1, v = 1; // sampling factors; in a scan of one component every MCU is one block
    int widthInBlocks = 0, heightInBlocks = 0; // the blocks holding pixels, as libjpeg counts them
    const JHUFF_TBL *dc = nullptr, *ac = nullptr;
};

struct BaselineScan {
    const uchar *data = nullptr; // from right after the scan header up to the marker ending it
    qint64 size = 0;
    std::vector<ScanComponent> components; // in scan order
    int mcusAcross = 0, mcusDown = 0;
    int restartInterval = 0; // in MCUs; 0 for none
};

// A bit of the scan data: the byte holding it and how many bits of that byte come before it.
struct ScanBitPosition {
    qint64 byte = 0;
    int bit = 0;
};

// The blocks of some MCU rows of every component, coefficients in natural order as
// jpeg_read_coefficients gives them. A component's rows cover whole MCUs, so they hold the
// padding blocks past its real ones as the scan codes them.
class ScanBand {
public:
    int firstRow() const { return firstRow_; }
    int lastRow() const { return lastRow_; }
    int blocksAcross(int component) const { return planes_[size_t(component)].across; }
    int blockRows(int component) const { return planes_[size_t(component)].down; }
    JBLOCKROW row(int component, int blockRowInBand);
    const JBLOCK *row(int component, int blockRowInBand) const;

private:
    friend Result<ScanBand> readScanBand(const BaselineScan &scan, int firstRow, int lastRow);
    friend Result<QByteArray> spliceScanBand(const BaselineScan &scan, const ScanBand &band);
    friend struct BandCoding;

    struct Plane {
        int across = 0, down = 0;
        std::vector<JCOEF> coefficients; // 64 a block, rows of blocks
    };
    int firstRow_ = 0, lastRow_ = 0;
    std::vector<Plane> planes_;
    std::vector<JCOEF> next_;     // the blocks of the MCU after the band, in coding order
    std::vector<int> predictors_; // each component's DC predictor before the band
    ScanBitPosition start_;       // where the band's bits begin
    ScanBitPosition nextEnd_;     // where the bits of the MCU after it end
    ScanBitPosition intervalEnd_; // where that MCU's restart interval (or the scan) ends
    qint64 resume_ = 0;           // the restart marker after that interval; the size if none
};

// Decodes the whole scan, to be sure it is sound, keeping the blocks of MCU rows
// [firstRow, lastRow]. Fails on damaged or truncated data, codes the tables lack, a
// coefficient past the block's end, restart markers out of order, and anything after the
// last MCU.
Result<ScanBand> readScanBand(const BaselineScan &scan, int firstRow, int lastRow);

// The scan's entropy-coded data again, with the band's blocks as they are now and every bit
// outside it as it was. Fails when a table lacks a code the band now needs, so the caller
// can encode the picture some other way.
Result<QByteArray> spliceScanBand(const BaselineScan &scan, const ScanBand &band);

// The Huffman symbols a table codes, by value.
using HuffmanSymbols = std::bitset<256>;

struct ScanSymbols {
    HuffmanSymbols dc, ac;
};

// The symbols that spliceScanBand needs codes for, per component in scan order. Fails when
// the band is not of this scan or holds a value no symbol stands for.
Result<std::vector<ScanSymbols>> bandSymbols(const BaselineScan &scan, const ScanBand &band);

// The tables to code a component of a scan with.
struct ScanTables {
    const JHUFF_TBL *dc = nullptr, *ac = nullptr;
};

// The scan's entropy-coded data again in other tables (per component in scan order, each with
// a code for every symbol of the scan's own): the band's blocks as they are now, every other
// block's symbols and their extra bits as they were. Fails on what readScanBand fails on and
// when a table lacks a code.
Result<QByteArray> recodeScanBand(const BaselineScan &scan, const ScanBand &band,
                                  const std::vector<ScanTables> &tables);

} // namespace imprimata
