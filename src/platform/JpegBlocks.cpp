#include "JpegBlocks.h"

#include "JpegDecoder.h"
#include "JpegScan.h"
#include "JpegSegments.h"
#include "JpegTrap.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

extern "C" {
#include <jerror.h>
}

namespace imprimata {

namespace {

struct Decompressor {
    jpeg_decompress_struct info{};
    jvirt_barray_ptr *blocks = nullptr;

    Decompressor() = default;
    Decompressor(const Decompressor &) = delete;
    Decompressor &operator=(const Decompressor &) = delete;
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// The rows of blocks of one component, as the coefficient arrays hold them: whole MCUs.
JDIMENSION paddedBlocks(JDIMENSION blocks, int samplingFactor) {
    return (blocks + samplingFactor - 1) / samplingFactor * samplingFactor;
}

JBLOCKARRAY blockRow(j_common_ptr owner, jvirt_barray_ptr array, JDIMENSION row, bool writable) {
    return (*owner->mem->access_virt_barray)(owner, array, row, 1, writable ? TRUE : FALSE);
}

enum class Read { Done, Unsupported, Failed };

// The headers up to the first scan. Only what a block copy keeps exactly is taken.
Read readHead(JpegTrap &trap, Decompressor &d, const uchar *data, qint64 size) {
    trap.stage = JpegStage::Header;
    if (setjmp(trap.jump))
        return Read::Failed;
    trap.attach(reinterpret_cast<j_common_ptr>(&d.info));
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.info, TRUE);
    const bool colour = d.info.jpeg_color_space == JCS_YCbCr && d.info.num_components == 3;
    const bool grey = d.info.jpeg_color_space == JCS_GRAYSCALE && d.info.num_components == 1;
    if (d.info.arith_code || d.info.data_precision != 8 || !(colour || grey))
        return Read::Unsupported;
    // Changed blocks are divided by the tables: a zero in one (which a decoder lets pass)
    // could not be encoded with.
    for (int ci = 0; ci < d.info.num_components; ++ci) {
        const int slot = d.info.comp_info[ci].quant_tbl_no;
        const JQUANT_TBL *table =
            slot >= 0 && slot < NUM_QUANT_TBLS ? d.info.quant_tbl_ptrs[slot] : nullptr;
        if (!table || std::find(std::begin(table->quantval), std::end(table->quantval), 0) !=
                          std::end(table->quantval))
            return Read::Unsupported;
    }
    return Read::Done;
}

// The whole file's blocks.
Read readBlocks(JpegTrap &trap, Decompressor &d, const uchar *data, qint64 size) {
    if (const Read head = readHead(trap, d, data, size); head != Read::Done)
        return head;
    if (setjmp(trap.jump))
        return Read::Failed;
    trap.stage = JpegStage::Scans;
    d.blocks = jpeg_read_coefficients(&d.info);
    return Read::Done;
}

// A row of blocks of a component, by the component's block row in the picture, to read or
// change; whole MCUs across.
using BlockRows = std::function<JBLOCKROW(int component, JDIMENSION row)>;

BlockRows coefficientRows(Decompressor &d) {
    j_common_ptr owner = reinterpret_cast<j_common_ptr>(&d.info);
    return
        [owner, &d](int ci, JDIMENSION row) { return blockRow(owner, d.blocks[ci], row, true)[0]; };
}

// A JPEG of the blocks under `region` (its left and top on MCU edges), for decoding them.
bool writeBlocksOf(JpegTrap &trap, Decompressor &source, const BlockRows &rows, const QRect &region,
                   Compressor &c) {
    if (setjmp(trap.jump))
        return false;
    c.create(trap);
    j_common_ptr to = reinterpret_cast<j_common_ptr>(&c.info);
    jpeg_copy_critical_parameters(&source.info, &c.info);
    c.info.image_width = JDIMENSION(region.width());
    c.info.image_height = JDIMENSION(region.height());
    const int mcuWidth = source.info.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = source.info.max_v_samp_factor * DCTSIZE;
    jvirt_barray_ptr arrays[MAX_COMPONENTS] = {};
    JDIMENSION across[MAX_COMPONENTS] = {}, down[MAX_COMPONENTS] = {};
    for (int ci = 0; ci < c.info.num_components; ++ci) {
        const jpeg_component_info &comp = source.info.comp_info[ci];
        across[ci] = paddedBlocks((region.width() + mcuWidth - 1) / mcuWidth * comp.h_samp_factor,
                                  comp.h_samp_factor);
        down[ci] = paddedBlocks((region.height() + mcuHeight - 1) / mcuHeight * comp.v_samp_factor,
                                comp.v_samp_factor);
        arrays[ci] = (*to->mem->request_virt_barray)(to, JPOOL_IMAGE, FALSE, across[ci], down[ci],
                                                     JDIMENSION(comp.v_samp_factor));
    }
    (*to->mem->realize_virt_arrays)(to);
    for (int ci = 0; ci < c.info.num_components; ++ci) {
        const jpeg_component_info &comp = source.info.comp_info[ci];
        const JDIMENSION left = JDIMENSION(region.left() / mcuWidth * comp.h_samp_factor);
        const JDIMENSION top = JDIMENSION(region.top() / mcuHeight * comp.v_samp_factor);
        const JDIMENSION sourceAcross = paddedBlocks(comp.width_in_blocks, comp.h_samp_factor);
        const JDIMENSION sourceDown = paddedBlocks(comp.height_in_blocks, comp.v_samp_factor);
        const JDIMENSION count = std::min(across[ci], sourceAcross - left);
        for (JDIMENSION row = 0; row < down[ci]; ++row) {
            JBLOCKROW into = blockRow(to, arrays[ci], row, true)[0];
            std::memset(into, 0, across[ci] * sizeof(JBLOCK));
            if (top + row < sourceDown)
                std::memcpy(into, rows(ci, top + row) + left, count * sizeof(JBLOCK));
        }
    }
    jpeg_write_coefficients(&c.info, arrays);
    jpeg_finish_compress(&c.info);
    return true;
}

// Encodes stored pixels (Format_RGB32) with the source's tables, sampling and colour model.
bool encodeLikeSource(JpegTrap &trap, Decompressor &source, const QImage &pixels, Compressor &c) {
    if (setjmp(trap.jump))
        return false;
    c.create(trap);
    jpeg_copy_critical_parameters(&source.info, &c.info);
    c.takeInput(pixels.size());
    jpeg_start_compress(&c.info, TRUE);
    c.writeRows(pixels);
    jpeg_finish_compress(&c.info);
    return true;
}

// Puts the blocks of `encoded` (a JPEG of `region`) in place of the source's.
bool replaceBlocks(JpegTrap &trap, Decompressor &source, const BlockRows &rows,
                   const QByteArray &encoded, const QRect &region) {
    Decompressor d;
    if (readBlocks(trap, d, reinterpret_cast<const uchar *>(encoded.constData()), encoded.size()) !=
        Read::Done)
        return false;
    if (setjmp(trap.jump))
        return false;
    j_common_ptr from = reinterpret_cast<j_common_ptr>(&d.info);
    const int mcuWidth = source.info.max_h_samp_factor * DCTSIZE;
    const int mcuHeight = source.info.max_v_samp_factor * DCTSIZE;
    for (int ci = 0; ci < source.info.num_components; ++ci) {
        const jpeg_component_info &comp = source.info.comp_info[ci];
        const jpeg_component_info &part = d.info.comp_info[ci];
        const JDIMENSION left = JDIMENSION(region.left() / mcuWidth * comp.h_samp_factor);
        const JDIMENSION top = JDIMENSION(region.top() / mcuHeight * comp.v_samp_factor);
        const JDIMENSION across =
            std::min(paddedBlocks(part.width_in_blocks, part.h_samp_factor),
                     paddedBlocks(comp.width_in_blocks, comp.h_samp_factor) - left);
        const JDIMENSION down =
            std::min(paddedBlocks(part.height_in_blocks, part.v_samp_factor),
                     paddedBlocks(comp.height_in_blocks, comp.v_samp_factor) - top);
        for (JDIMENSION row = 0; row < down; ++row)
            std::memcpy(rows(ci, top + row) + left, blockRow(from, d.blocks[ci], row, false)[0],
                        across * sizeof(JBLOCK));
    }
    return true;
}

bool sameTable(const JHUFF_TBL *a, const JHUFF_TBL *b) {
    if (!a || !b)
        return a == b;
    int symbols = 0;
    for (int i = 1; i <= 16; ++i)
        symbols += a->bits[i];
    return std::memcmp(a->bits, b->bits, sizeof a->bits) == 0 &&
           std::memcmp(a->huffval, b->huffval, size_t(std::min(symbols, 256))) == 0;
}

// Whether the file was coded with the standard Huffman tables, which `defaults` (a
// compressor just given its defaults) holds.
bool usesStandardTables(const jpeg_decompress_struct &file, const jpeg_compress_struct &defaults) {
    for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
        if (file.dc_huff_tbl_ptrs[i] &&
            !sameTable(file.dc_huff_tbl_ptrs[i], defaults.dc_huff_tbl_ptrs[i]))
            return false;
        if (file.ac_huff_tbl_ptrs[i] &&
            !sameTable(file.ac_huff_tbl_ptrs[i], defaults.ac_huff_tbl_ptrs[i]))
            return false;
    }
    return true;
}

// ---- Keeping the file's own Huffman codes ----

// The natural-order index of each zigzag position.
constexpr std::array<int, DCTSIZE2> Zigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

using Symbols = HuffmanSymbols;

Symbols symbolsOf(const JHUFF_TBL *table) {
    Symbols present;
    if (!table)
        return present;
    int count = 0;
    for (int length = 1; length <= 16; ++length)
        count += table->bits[length];
    for (int i = 0; i < std::min(count, 256); ++i)
        present.set(table->huffval[i]);
    return present;
}

int bitLength(int value) {
    int length = 0;
    for (unsigned v = unsigned(std::abs(value)); v != 0; v >>= 1)
        ++length;
    return length;
}

// Adds the run-length symbols a block's AC coefficients are coded with.
void addAcSymbols(const JCOEF *block, Symbols &needed) {
    int run = 0;
    for (int k = 1; k < DCTSIZE2; ++k) {
        const int value = block[Zigzag[size_t(k)]];
        if (value == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16)
            needed.set(0xF0);
        needed.set(size_t(run << 4 | bitLength(value)));
        run = 0;
    }
    if (run > 0)
        needed.set(0x00);
}

// The Huffman symbols each table must have a code for.
struct NeededSymbols {
    std::array<Symbols, NUM_HUFF_TBLS> dc, ac;
};

// The symbols of the file's blocks as they now stand, written in one scan as
// jpeg_write_coefficients writes them: interleaved, the edge MCUs filled out with blocks that
// repeat the last DC and have no AC. The file was one such scan, so blocks outside `changed`
// (rectangles of MCUs) were coded with the file's own tables and only the changed ones' AC
// symbols are gathered; DC codes the difference from the block before, so all of those are.
NeededSymbols neededSymbols(Decompressor &file, const QList<QRect> &changed) {
    jpeg_decompress_struct &info = file.info;
    j_common_ptr owner = reinterpret_cast<j_common_ptr>(&info);
    const int components = info.num_components;
    const bool interleaved = components > 1;
    // A scan of one component has one block to an MCU.
    const auto sampling = [&](int ci) {
        const jpeg_component_info &comp = info.comp_info[ci];
        return interleaved ? QSize(comp.h_samp_factor, comp.v_samp_factor) : QSize(1, 1);
    };
    const QSize mcuPixels =
        interleaved ? QSize(info.max_h_samp_factor * DCTSIZE, info.max_v_samp_factor * DCTSIZE)
                    : QSize(DCTSIZE, DCTSIZE);
    const int mcuAcross =
        int((info.image_width + JDIMENSION(mcuPixels.width()) - 1) / JDIMENSION(mcuPixels.width()));
    const int mcuDown = int((info.image_height + JDIMENSION(mcuPixels.height()) - 1) /
                            JDIMENSION(mcuPixels.height()));
    // A row of blocks of a component; none for the rows the encoder fills out.
    const auto rowOf = [&](int ci, int row) -> JBLOCKROW {
        if (JDIMENSION(row) >= info.comp_info[ci].height_in_blocks)
            return nullptr;
        return blockRow(owner, file.blocks[ci], JDIMENSION(row), false)[0];
    };

    NeededSymbols needed;
    for (int ci = 0; ci < components; ++ci) {
        const jpeg_component_info &comp = info.comp_info[ci];
        const int across = int(comp.width_in_blocks);
        Symbols &dc = needed.dc[size_t(comp.dc_tbl_no)];
        Symbols &ac = needed.ac[size_t(comp.ac_tbl_no)];
        const QSize s = sampling(ci);
        std::array<JBLOCKROW, MAX_SAMP_FACTOR> rows{};
        int previous = 0;
        long mcu = 0;
        for (int my = 0; my < mcuDown; ++my) {
            for (int y = 0; y < s.height(); ++y)
                rows[size_t(y)] = rowOf(ci, my * s.height() + y);
            for (int mx = 0; mx < mcuAcross; ++mx, ++mcu) {
                if (info.restart_interval && mcu % long(info.restart_interval) == 0)
                    previous = 0;
                for (int y = 0; y < s.height(); ++y)
                    for (int x = mx * s.width(); x < (mx + 1) * s.width(); ++x) {
                        const bool real = rows[size_t(y)] && x < across;
                        const int value = real ? rows[size_t(y)][x][0] : previous;
                        dc.set(size_t(bitLength(value - previous)));
                        if (!real)
                            ac.set(0x00);
                        previous = value;
                    }
            }
        }
        for (const QRect &mcus : changed)
            for (int row = mcus.top() * s.height();
                 row <= mcus.bottom() * s.height() + s.height() - 1; ++row) {
                const JBLOCKROW blocks = rowOf(ci, row);
                for (int x = mcus.left() * s.width();
                     blocks && x < std::min(across, (mcus.right() + 1) * s.width()); ++x)
                    addAcSymbols(blocks[x], ac);
            }
    }
    return needed;
}

// A table with a code for every symbol of `table` and every one of `needed`. The table's own
// code lengths stand for its symbols' frequencies, which gives them the same lengths again
// or one more; a symbol it lacked counts as the rarest. Lengths are made as Annex K.2 of the
// JPEG standard makes them, with a reserved symbol so that no code is all ones, and limited
// to 16 bits. False when the lengths would run too deep to limit.
bool widened(const JHUFF_TBL &table, const Symbols &needed, JHUFF_TBL &into) {
    constexpr int Reserved = 256, Deepest = 64;
    std::array<long, 257> frequency{};
    int at = 0;
    for (int length = 1; length <= 16; ++length)
        for (int n = 0; n < table.bits[length]; ++n, ++at)
            frequency[table.huffval[at]] = 1L << (17 - length);
    for (int symbol = 0; symbol < 256; ++symbol)
        if (needed[size_t(symbol)] && frequency[size_t(symbol)] == 0)
            frequency[size_t(symbol)] = 1;
    frequency[Reserved] = 1;

    std::array<int, 257> codeSize{};
    std::array<int, 257> next;
    next.fill(-1);
    for (;;) {
        // The two least frequent, the later symbol of equals first.
        int least = -1, second = -1;
        for (int i = 0; i <= Reserved; ++i)
            if (frequency[size_t(i)] &&
                (least < 0 || frequency[size_t(i)] <= frequency[size_t(least)]))
                least = i;
        for (int i = 0; i <= Reserved; ++i)
            if (frequency[size_t(i)] && i != least &&
                (second < 0 || frequency[size_t(i)] <= frequency[size_t(second)]))
                second = i;
        if (second < 0)
            break;
        frequency[size_t(least)] += frequency[size_t(second)];
        frequency[size_t(second)] = 0;
        for (int i = least;; i = next[size_t(i)]) {
            if (++codeSize[size_t(i)] > Deepest)
                return false;
            if (next[size_t(i)] < 0) {
                next[size_t(i)] = second;
                break;
            }
        }
        for (int i = second; i >= 0; i = next[size_t(i)])
            if (++codeSize[size_t(i)] > Deepest)
                return false;
    }

    std::array<int, Deepest + 1> bits{};
    for (int i = 0; i <= Reserved; ++i)
        if (codeSize[size_t(i)])
            ++bits[size_t(codeSize[size_t(i)])];
    for (int i = Deepest; i > 16; --i)
        while (bits[size_t(i)] > 0) {
            int j = i - 2;
            while (bits[size_t(j)] == 0)
                --j;
            bits[size_t(i)] -= 2;
            ++bits[size_t(i - 1)];
            bits[size_t(j + 1)] += 2;
            --bits[size_t(j)];
        }
    int longest = 16;
    while (bits[size_t(longest)] == 0)
        --longest;
    --bits[size_t(longest)]; // the reserved symbol's code

    into = table;
    into.bits[0] = 0;
    for (int length = 1; length <= 16; ++length)
        into.bits[length] = UINT8(bits[size_t(length)]);
    at = 0;
    for (int length = 1; length <= Deepest; ++length)
        for (int symbol = 0; symbol < 256; ++symbol)
            if (codeSize[size_t(symbol)] == length)
                into.huffval[at++] = UINT8(symbol);
    return true;
}

// The file's own Huffman tables, widened where the blocks now need codes they lack; none
// for a slot no block is coded with.
struct HuffmanTables {
    std::array<std::optional<JHUFF_TBL>, NUM_HUFF_TBLS> dc, ac;
    bool widened = false; // whether any table is not the file's own
};

std::optional<HuffmanTables> tablesCovering(const jpeg_decompress_struct &file,
                                            const NeededSymbols &needed) {
    HuffmanTables tables;
    const auto fit = [&tables](const JHUFF_TBL *own, const Symbols &symbols,
                               std::optional<JHUFF_TBL> &into) {
        if (symbols.none())
            return true;
        if (!own)
            return false;
        if ((symbols & ~symbolsOf(own)).none()) {
            into = *own;
            return true;
        }
        tables.widened = true;
        return widened(*own, symbols, into.emplace());
    };
    for (int i = 0; i < NUM_HUFF_TBLS; ++i)
        if (!fit(file.dc_huff_tbl_ptrs[i], needed.dc[size_t(i)], tables.dc[size_t(i)]) ||
            !fit(file.ac_huff_tbl_ptrs[i], needed.ac[size_t(i)], tables.ac[size_t(i)]))
            return std::nullopt;
    return tables;
}

std::optional<HuffmanTables> tablesFor(Decompressor &file, const QList<QRect> &changed) {
    for (int ci = 0; ci < file.info.num_components; ++ci) {
        const jpeg_component_info &comp = file.info.comp_info[ci];
        if (comp.dc_tbl_no < 0 || comp.dc_tbl_no >= NUM_HUFF_TBLS || comp.ac_tbl_no < 0 ||
            comp.ac_tbl_no >= NUM_HUFF_TBLS)
            return std::nullopt;
    }
    return tablesCovering(file.info, neededSymbols(file, changed));
}

// The table of a slot the file is now coded with: the widened one, else the file's own.
const JHUFF_TBL *tableIn(const std::optional<JHUFF_TBL> &widened, const JHUFF_TBL *own) {
    return widened ? &*widened : own;
}

// A DHT segment of every table of the file, as `tables` has it now.
QByteArray huffmanSegment(const jpeg_decompress_struct &file, const HuffmanTables &tables) {
    QByteArray segment("\xFF\xC4\0\0", 4);
    const auto add = [&segment](const JHUFF_TBL *table, int tableClass, int slot) {
        if (!table)
            return;
        int count = 0;
        segment.append(char(tableClass << 4 | slot));
        for (int length = 1; length <= 16; ++length) {
            segment.append(char(table->bits[length]));
            count += table->bits[length];
        }
        segment.append(reinterpret_cast<const char *>(table->huffval),
                       std::min(count, int(sizeof table->huffval)));
    };
    for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
        add(tableIn(tables.dc[size_t(i)], file.dc_huff_tbl_ptrs[i]), 0, i);
        add(tableIn(tables.ac[size_t(i)], file.ac_huff_tbl_ptrs[i]), 1, i);
    }
    const qsizetype length = segment.size() - 2; // four tables of each class fit easily
    segment[2] = char(length >> 8);
    segment[3] = char(length & 0xFF);
    return segment;
}

// Gives the compressor these Huffman tables, for its components as the file used them.
void takeTables(const HuffmanTables &tables, const jpeg_decompress_struct &file,
                jpeg_compress_struct &c) {
    j_common_ptr owner = reinterpret_cast<j_common_ptr>(&c);
    const auto copy = [owner](const std::optional<JHUFF_TBL> &from, JHUFF_TBL *&to) {
        if (!from)
            return;
        if (!to)
            to = jpeg_alloc_huff_table(owner);
        *to = *from;
        to->sent_table = FALSE;
    };
    for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
        copy(tables.dc[size_t(i)], c.dc_huff_tbl_ptrs[i]);
        copy(tables.ac[size_t(i)], c.ac_huff_tbl_ptrs[i]);
    }
    for (int ci = 0; ci < c.num_components; ++ci) {
        c.comp_info[ci].dc_tbl_no = file.comp_info[ci].dc_tbl_no;
        c.comp_info[ci].ac_tbl_no = file.comp_info[ci].ac_tbl_no;
    }
}

// The whole file again from its blocks, its scans coded as the source's were: progressive or
// not, with its restart interval. Huffman codes: the standard ones where the file had them;
// otherwise `own`, the file's tables widened to what the blocks need; without those, made to
// measure, which costs a pass over all the blocks. (libjpeg writes a code a table lacks as
// nothing, so a table is never used without every code.)
bool writeFile(JpegTrap &trap, Decompressor &source, size_t expected,
               const std::optional<HuffmanTables> &own, Compressor &c) {
    if (setjmp(trap.jump))
        return false;
    c.create(trap, expected);
    jpeg_copy_critical_parameters(&source.info, &c.info);
    c.info.restart_interval = source.info.restart_interval;
    if (source.info.progressive_mode) {
        jpeg_simple_progression(&c.info);
        c.info.optimize_coding = TRUE;
    } else if (!usesStandardTables(source.info, c.info)) {
        if (own)
            takeTables(*own, source.info, c.info);
        else
            c.info.optimize_coding = TRUE;
    }
    jpeg_write_coefficients(&c.info, source.blocks);
    jpeg_finish_compress(&c.info);
    return true;
}

QString libraryRefusal(const JpegTrap &trap) {
    return QCoreApplication::translate("imprimata", "the JPEG data could not be kept: %1")
        .arg(QString::fromLocal8Bit(trap.message));
}

// A rectangle grown outward to whole MCUs, within the picture.
QRect onMcuEdges(const QRect &r, QSize mcu, QSize picture) {
    const int left = r.left() / mcu.width() * mcu.width();
    const int top = r.top() / mcu.height() * mcu.height();
    const int right = (r.right() / mcu.width() + 1) * mcu.width();
    const int bottom = (r.bottom() / mcu.height() + 1) * mcu.height();
    return QRect(left, top, right - left, bottom - top) & QRect(QPoint(0, 0), picture);
}

QSize pictureOf(const jpeg_decompress_struct &info) {
    return {int(info.image_width), int(info.image_height)};
}

QSize mcuOf(const jpeg_decompress_struct &info) {
    return {info.max_h_samp_factor * DCTSIZE, info.max_v_samp_factor * DCTSIZE};
}

// The stored pixels of the MCUs that hold some of the areas (upright), an area's own.
QList<QRect> touchedMcus(const jpeg_decompress_struct &info, Turn turn, const QList<QRect> &areas) {
    const QSize picture = pictureOf(info);
    QList<QRect> touched;
    for (const QRect &area : areas) {
        const QRect stored = storedRect(area, picture, turn) & QRect(QPoint(0, 0), picture);
        touched.append(stored.isEmpty() ? QRect() : onMcuEdges(stored, mcuOf(info), picture));
    }
    return touched;
}

// For each area, decodes the blocks around it, lets `change` alter them and puts its MCUs
// back, encoded with the source's tables. Gives the changed MCUs, counted in MCUs.
Result<QList<QRect>> changeAreas(JpegTrap &trap, Decompressor &source, const BlockRows &rows,
                                 Turn turn, const QList<QRect> &areas, const PixelChange &change) {
    const QSize picture = pictureOf(source.info), mcu = mcuOf(source.info);
    QList<QRect> changedMcus;
    for (const QRect &touched : touchedMcus(source.info, turn, areas)) {
        if (touched.isEmpty())
            continue;
        // Grown from MCU edges, so still on them.
        const QRect around =
            touched.adjusted(-mcu.width(), -mcu.height(), mcu.width(), mcu.height()) &
            QRect(QPoint(0, 0), picture);

        Compressor blocks;
        if (!writeBlocksOf(trap, source, rows, around, blocks))
            return Failure{libraryRefusal(trap)};
        const QByteArray encoded = blocks.bytes();
        Result<QImage, JpegFault> decoded =
            decodeJpeg(reinterpret_cast<const uchar *>(encoded.constData()), encoded.size());
        if (!decoded)
            return Failure{
                QCoreApplication::translate("imprimata", "the JPEG blocks could not be decoded")};
        QImage pixels = std::move(decoded).value();
        turnUpright(pixels, turn);
        change(pixels, uprightRect(around, picture, turn).topLeft());
        turnBack(pixels, turn);

        Compressor region;
        if (!encodeLikeSource(trap, source, pixels.copy(touched.translated(-around.topLeft())),
                              region) ||
            !replaceBlocks(trap, source, rows, region.bytes(), touched))
            return Failure{libraryRefusal(trap)};
        changedMcus.append(QRect(touched.left() / mcu.width(), touched.top() / mcu.height(),
                                 (touched.width() + mcu.width() - 1) / mcu.width(),
                                 (touched.height() + mcu.height() - 1) / mcu.height()));
    }
    return changedMcus;
}

// ---- Copying the scan's bits ----

// The file's one scan as the splicer reads it, when the file is sequential with all its
// components in that scan (a grey one sampled 1 x 1).
std::optional<BaselineScan> onlyScan(const Decompressor &d, const uchar *data, qint64 size,
                                     qint64 scanStart) {
    const jpeg_decompress_struct &info = d.info;
    if (info.progressive_mode || info.comps_in_scan != info.num_components ||
        (info.num_components == 1 &&
         (info.comp_info[0].h_samp_factor != 1 || info.comp_info[0].v_samp_factor != 1)))
        return std::nullopt;
    const std::optional<qint64> end = jpegScanDataEnd(data, size, scanStart);
    if (!end)
        return std::nullopt;
    BaselineScan scan;
    scan.data = data + scanStart;
    scan.size = *end - scanStart;
    const QSize mcu = mcuOf(info);
    scan.mcusAcross =
        int((info.image_width + JDIMENSION(mcu.width()) - 1) / JDIMENSION(mcu.width()));
    scan.mcusDown =
        int((info.image_height + JDIMENSION(mcu.height()) - 1) / JDIMENSION(mcu.height()));
    scan.restartInterval = int(info.restart_interval);
    for (int i = 0; i < info.comps_in_scan; ++i) {
        const jpeg_component_info &comp = *info.cur_comp_info[i];
        if (comp.dc_tbl_no < 0 || comp.dc_tbl_no >= NUM_HUFF_TBLS || comp.ac_tbl_no < 0 ||
            comp.ac_tbl_no >= NUM_HUFF_TBLS)
            return std::nullopt;
        // A file without table segments (a motion-JPEG frame) is coded with the standard
        // tables, which libjpeg supplies as it reads the whole file.
        if (!info.dc_huff_tbl_ptrs[comp.dc_tbl_no] || !info.ac_huff_tbl_ptrs[comp.ac_tbl_no])
            return std::nullopt;
        scan.components.push_back({comp.h_samp_factor, comp.v_samp_factor,
                                   int(comp.width_in_blocks), int(comp.height_in_blocks),
                                   info.dc_huff_tbl_ptrs[comp.dc_tbl_no],
                                   info.ac_huff_tbl_ptrs[comp.ac_tbl_no]});
    }
    return scan;
}

// The file around new scan data: the segments that say how it is coded (its JFIF segment,
// tables, frame, restart interval and scan header) as they were, but for `huffman`, when
// given, in place of its Huffman table segments; the metadata is the caller's to carry over,
// as for a file libjpeg writes.
QByteArray fileAround(const uchar *data, const JpegHeadSegments &head, const QByteArray &scan,
                      const QByteArray &huffman = {}) {
    QByteArray file("\xFF\xD8", 2);
    bool huffmanWritten = false;
    for (const JpegSegment &segment : head.segments) {
        const char *bytes = reinterpret_cast<const char *>(data + segment.offset);
        const bool jfif = segment.marker == 0xE0 && segment.payloadSize() >= 5 &&
                          std::memcmp(bytes + 4, "JFIF", 5) == 0;
        if (segment.marker == 0xC4 && !huffman.isEmpty()) {
            // Every table the scan may use, where the file's first stood: before the scan.
            if (!huffmanWritten)
                file.append(huffman);
            huffmanWritten = true;
            continue;
        }
        const bool coding = segment.marker == 0xDB || segment.marker == 0xC4 ||
                            segment.marker == 0xDD || segment.marker == 0xC0 ||
                            segment.marker == 0xC1 || segment.marker == JpegSos;
        if (jfif || coding)
            file.append(bytes, qsizetype(segment.size));
    }
    file.append(scan);
    file.append("\xFF\xD9", 2);
    return file;
}

// The fast way for a file of one sequential scan: only the MCU rows around the areas are
// decoded into blocks, and every bit of the scan outside them is copied, or, when the file's
// Huffman tables lack codes those rows now need, every symbol outside them is coded again in
// the tables widened. Nothing when the file is not laid out for it or its tables cannot be
// widened; the blocks of the whole file are worked on then.
std::optional<Result<QByteArray>> spliceChanges(JpegTrap &trap, const uchar *data, qint64 size,
                                                Turn turn, const QList<QRect> &areas,
                                                const PixelChange &change) {
    const JpegHeadSegments head = readJpegHeadSegments(data, size);
    if (head.stop != JpegHeadSegments::Scan)
        return std::nullopt;
    Decompressor source;
    switch (readHead(trap, source, data, size)) {
    case Read::Done:
        break;
    case Read::Unsupported:
        return std::nullopt;
    case Read::Failed:
        return Result<QByteArray>(Failure{libraryRefusal(trap)});
    }
    const std::optional<BaselineScan> scan = onlyScan(source, data, size, head.end);
    if (!scan)
        return std::nullopt;

    // The rows of every MCU the areas touch, and of those around them that their decode needs.
    const QSize mcu = mcuOf(source.info);
    int first = scan->mcusDown, last = -1;
    for (const QRect &touched : touchedMcus(source.info, turn, areas)) {
        if (touched.isEmpty())
            continue;
        first = std::min(first, touched.top() / mcu.height() - 1);
        last = std::max(last, touched.bottom() / mcu.height() + 1);
    }
    if (last < 0) // nothing touched: the scan stays as it is
        return Result<QByteArray>(fileAround(
            data, head,
            QByteArray(reinterpret_cast<const char *>(scan->data), qsizetype(scan->size))));
    first = std::max(first, 0);
    last = std::min(last, scan->mcusDown - 1);
    Result<ScanBand> band = readScanBand(*scan, first, last);
    if (!band)
        return Result<QByteArray>(
            Failure{QCoreApplication::translate("imprimata", "the JPEG data is damaged")});

    // The band holds the scan's components in scan order, from its first MCU row.
    std::array<int, MAX_COMPONENTS> inScan{};
    for (int i = 0; i < source.info.comps_in_scan; ++i)
        inScan[size_t(source.info.cur_comp_info[i]->component_index)] = i;
    const BlockRows rows = [&](int ci, JDIMENSION row) {
        const int v = scan->components.size() == 1 ? 1 : source.info.comp_info[ci].v_samp_factor;
        return band->row(inScan[size_t(ci)], int(row) - first * v);
    };
    if (const Result<QList<QRect>> changed = changeAreas(trap, source, rows, turn, areas, change);
        !changed)
        return Result<QByteArray>(Failure{changed.error()});

    const Result<std::vector<ScanSymbols>> symbols = bandSymbols(*scan, *band);
    if (!symbols)
        return std::nullopt;
    NeededSymbols needed;
    for (int i = 0; i < source.info.comps_in_scan; ++i) {
        const jpeg_component_info &comp = *source.info.cur_comp_info[i];
        needed.dc[size_t(comp.dc_tbl_no)] |= (*symbols)[size_t(i)].dc;
        needed.ac[size_t(comp.ac_tbl_no)] |= (*symbols)[size_t(i)].ac;
    }
    const std::optional<HuffmanTables> tables = tablesCovering(source.info, needed);
    if (!tables)
        return std::nullopt;
    if (!tables->widened) {
        const Result<QByteArray> spliced = spliceScanBand(*scan, *band);
        if (!spliced)
            return std::nullopt;
        return Result<QByteArray>(fileAround(data, head, *spliced));
    }
    std::vector<ScanTables> recoding;
    for (int i = 0; i < source.info.comps_in_scan; ++i) {
        const jpeg_component_info &comp = *source.info.cur_comp_info[i];
        recoding.push_back({tableIn(tables->dc[size_t(comp.dc_tbl_no)],
                                    source.info.dc_huff_tbl_ptrs[comp.dc_tbl_no]),
                            tableIn(tables->ac[size_t(comp.ac_tbl_no)],
                                    source.info.ac_huff_tbl_ptrs[comp.ac_tbl_no])});
    }
    const Result<QByteArray> recoded = recodeScanBand(*scan, *band, recoding);
    if (!recoded)
        return std::nullopt;
    return Result<QByteArray>(
        fileAround(data, head, *recoded, huffmanSegment(source.info, *tables)));
}

} // namespace

Result<QByteArray> changeJpegBlocks(const uchar *data, qint64 size, Turn turn,
                                    const QList<QRect> &areas, const PixelChange &change) {
    const std::optional<int> scans = jpegScanCount(data, size);
    if (!scans || *scans > MaxJpegScans)
        return Failure{QCoreApplication::translate("imprimata", "the JPEG data is damaged")};
    JpegTrap trap;
    if (*scans == 1) {
        if (std::optional<Result<QByteArray>> spliced =
                spliceChanges(trap, data, size, turn, areas, change))
            return std::move(*spliced);
    }

    Decompressor source;
    switch (readBlocks(trap, source, data, size)) {
    case Read::Done:
        break;
    case Read::Unsupported:
        return Failure{
            QCoreApplication::translate("imprimata", "its coding cannot be kept block by block")};
    case Read::Failed:
        return Failure{libraryRefusal(trap)};
    }
    const Result<QList<QRect>> changedMcus =
        changeAreas(trap, source, coefficientRows(source), turn, areas, change);
    if (!changedMcus)
        return Failure{changedMcus.error()};

    // A file of one scan was coded in its tables; a scan script of its own may use others.
    const std::optional<HuffmanTables> own = !source.info.progressive_mode && *scans == 1
                                                 ? tablesFor(source, *changedMcus)
                                                 : std::nullopt;
    Compressor file;
    if (!writeFile(trap, source, size_t(size) + (1 << 16), own, file))
        return Failure{libraryRefusal(trap)};
    return file.bytes();
}

} // namespace imprimata
