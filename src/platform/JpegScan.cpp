#include "JpegScan.h"

#include <QCoreApplication>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace imprimata {

namespace {

QString damagedScan() {
    return QCoreApplication::translate("imprimata", "The picture's data is damaged or incomplete.");
}

QString foreignBand() {
    return QCoreApplication::translate("imprimata", "The blocks are not of this picture.");
}

QString uncodable() {
    return QCoreApplication::translate(
        "imprimata", "The picture's Huffman tables cannot code the changed blocks.");
}

constexpr int LookBits = 12; // codes this long or shorter take one table look-up
constexpr int MaxBlocksInMcu = 10;
constexpr int BlockSize = DCTSIZE2;
constexpr int EndOfBlock = 128; // past any index, so one test ends a block either way

constexpr std::array<uchar, BlockSize> naturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Whether any of the bytes is 0xFF, which the data stuffs or starts a marker with.
template <typename Word> constexpr bool hasFF(Word x) {
    constexpr Word ones = Word(~Word(0)) / 0xFF; // 0x01 in every byte
    return ((~x - ones) & x & (ones * 0x80)) != 0;
}

quint64 load64(const uchar *p) {
    return qFromBigEndian<quint64>(p);
}

// Wider DC values would not survive the round trip through JCOEF.
bool fitsCoefficient(int value) {
    return value >= -32767 && value <= 32767;
}

int extend(int bits, int size) {
    return bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
}

// A Huffman table both ways.
struct Huffman {
    std::array<quint16, 1 << LookBits> look{}; // (length << 8) | symbol; 0 for a longer code
    // For AC codes whose extra bits fit the look-ahead too: the code with its extra bits and,
    // where the bits after them hold a whole second one, that one too. Its bytes from the top:
    // the first's advance and length, then both advances and both lengths. An advance is how
    // far the block's index moves, EndOfBlock at its end; 0 for codes that need the long way.
    // Most of the scan lies outside the band and only needs skipping: two codes a look-up halve
    // the look-ups it waits for, and the length in the low bits shifts the buffer as it is.
    std::array<quint32, 1 << LookBits> skip{};
    // For DC codes whose extra bits fit the look-ahead too: (difference << 8) | their length.
    std::array<qint32, 1 << LookBits> difference{};
    std::array<int, 17> maxCode{}; // per length; -1 when it has none
    std::array<int, 17> offset{};  // per length: its first symbol's index minus code
    std::array<uchar, 256> symbols{};
    std::array<quint16, 256> code{};
    std::array<uchar, 256> length{}; // 0 when the table lacks the symbol
};

// The AC code at the top of `index`, whose top `available` bits are data: the length of the
// code with its extra bits and how far it moves the block's index, or {0, 0} when it needs more.
std::pair<int, int> acStep(const Huffman &h, int index, int available) {
    const int entry = h.look[size_t(index)];
    const int length = (entry >> 8) + (entry & 15), run = (entry >> 4) & 15;
    if (!entry || length > available)
        return {0, 0};
    return {length, entry & 15 ? run + 1 : run == 15 ? 16 : EndOfBlock};
}

// Fills `skip` for an AC table, `difference` for a DC one, from `look`.
void buildShortcuts(Huffman &h, bool dc) {
    constexpr int all = (1 << LookBits) - 1;
    for (int index = 0; index <= all; ++index) {
        const int entry = h.look[size_t(index)];
        const int length = entry >> 8, size = entry & 15;
        if (!entry || length + size > LookBits)
            continue;
        if (dc) {
            const int bits = (index >> (LookBits - length - size)) & ((1 << size) - 1);
            h.difference[size_t(index)] = (size ? extend(bits, size) : 0) * 256 + length + size;
            continue;
        }
        const auto [first, advance] = acStep(h, index, LookBits);
        const auto [second, further] = advance == EndOfBlock
                                           ? std::pair{0, 0}
                                           : acStep(h, (index << first) & all, LookBits - first);
        h.skip[size_t(index)] =
            quint32(advance << 24 | first << 16 | (advance + further) << 8 | (first + second));
    }
}

// Refuses what libjpeg refuses: too many codes, codes that do not fit their length (the all
// ones code included), DC categories past 15, and a symbol given twice.
bool build(const JHUFF_TBL *table, bool dc, Huffman &h) {
    if (!table)
        return false;
    int count = 0;
    for (int l = 1; l <= 16; ++l)
        count += table->bits[l];
    if (count > 256)
        return false;
    int p = 0;
    quint32 code = 0;
    for (int l = 1; l <= 16; ++l) {
        h.offset[size_t(l)] = p - int(code);
        for (int i = 0; i < table->bits[l]; ++i, ++p, ++code) {
            const uchar symbol = table->huffval[p];
            if ((dc && symbol > 15) || h.length[symbol])
                return false;
            h.symbols[size_t(p)] = symbol;
            h.code[symbol] = quint16(code);
            h.length[symbol] = uchar(l);
            if (l <= LookBits && code < (1u << l)) {
                const quint32 first = code << (LookBits - l);
                for (quint32 k = 0; k < (1u << (LookBits - l)); ++k)
                    h.look[first + k] = quint16((l << 8) | symbol);
            }
        }
        h.maxCode[size_t(l)] = table->bits[l] ? int(code) - 1 : -1;
        if (code >= (1u << l))
            return false;
        code <<= 1;
    }
    buildShortcuts(h, dc);
    return true;
}

// The scan's components with the MCU layout they are coded in.
struct Component {
    int h = 1, v = 1;
    Huffman dc, ac;
};

struct Layout {
    std::vector<Component> components;
    int blocksInMcu = 0;
    qint64 mcus = 0;
};

Result<Layout> layoutOf(const BaselineScan &scan) {
    const auto n = qsizetype(scan.components.size());
    if (n < 1 || n > 4 || scan.mcusAcross < 1 || scan.mcusDown < 1 || scan.size < 0 ||
        (!scan.data && scan.size > 0) || scan.restartInterval < 0)
        return Failure{damagedScan()};
    Layout layout;
    layout.components.resize(size_t(n));
    for (qsizetype c = 0; c < n; ++c) {
        const ScanComponent &in = scan.components[size_t(c)];
        Component &out = layout.components[size_t(c)];
        if (n == 1) {
            if (in.widthInBlocks != scan.mcusAcross || in.heightInBlocks != scan.mcusDown)
                return Failure{damagedScan()};
        } else {
            if (in.h < 1 || in.h > 4 || in.v < 1 || in.v > 4 ||
                in.widthInBlocks <= qint64(scan.mcusAcross - 1) * in.h ||
                in.widthInBlocks > qint64(scan.mcusAcross) * in.h ||
                in.heightInBlocks <= qint64(scan.mcusDown - 1) * in.v ||
                in.heightInBlocks > qint64(scan.mcusDown) * in.v)
                return Failure{damagedScan()};
            out.h = in.h;
            out.v = in.v;
        }
        layout.blocksInMcu += out.h * out.v;
        if (!build(in.dc, true, out.dc) || !build(in.ac, false, out.ac))
            return Failure{damagedScan()};
    }
    layout.mcus = qint64(scan.mcusAcross) * scan.mcusDown;
    // Every block costs at least two bits (a DC code and an end of block), so data too short
    // for the blocks the headers claim is refused before anything is allocated for them.
    if (layout.blocksInMcu > MaxBlocksInMcu || layout.mcus * layout.blocksInMcu > scan.size * 4)
        return Failure{damagedScan()};
    return layout;
}

bool isRestartBefore(qint64 mcu, int interval) {
    return interval > 0 && mcu > 0 && mcu % interval == 0;
}

int restartMarker(qint64 mcu, int interval) {
    return 0xD0 + int((mcu / interval - 1) & 7);
}

// Reads the data of one restart interval at a time, unstuffed, through a 64-bit buffer. Past
// the interval's end it gives zero bits and counts them, so a decoder that used them is caught.
class BitReader {
public:
    BitReader(const uchar *data, qint64 size) : data_(data), size_(size) {}

    // At least 32 bits to read, which covers a code and its extra bits.
    void need() { refill(buffer_, bits_); }

    // For a loop that keeps the buffer in locals, as skipAc does: lend it, refill() and
    // symbolAt() on it, and give it back before any other call.
    void lend(quint64 &buffer, int &bits) const {
        buffer = buffer_;
        bits = bits_;
    }
    void giveBack(quint64 buffer, int bits) {
        buffer_ = buffer;
        bits_ = bits;
    }

    // The next symbol in the table's code, which it steps over; -1 for a code it lacks.
    Q_ALWAYS_INLINE int symbolAt(const Huffman &h, quint64 &buffer, int &bits) {
        const int entry = h.look[size_t(buffer >> (64 - LookBits))];
        if (entry) {
            buffer <<= entry >> 8;
            bits -= entry >> 8;
            return entry & 0xFF;
        }
        giveBack(buffer, bits);
        const int symbol = decode(h);
        lend(buffer, bits);
        return symbol;
    }

    int decode(const Huffman &h) {
        const int entry = h.look[peek(LookBits)];
        if (entry) {
            skip(entry >> 8);
            return entry & 0xFF;
        }
        const int code = peek(16);
        for (int l = LookBits + 1; l <= 16; ++l) {
            const int prefix = code >> (16 - l);
            if (prefix <= h.maxCode[size_t(l)]) {
                skip(l);
                return h.symbols[size_t(h.offset[size_t(l)] + prefix)];
            }
        }
        return -1;
    }

    // The block's DC difference added to `predictor`. False for a code the table lacks and for
    // a value JCOEF cannot hold.
    bool readDc(const Huffman &h, int &predictor) {
        need();
        const qint32 shortcut = h.difference[size_t(peek(LookBits))];
        int difference = shortcut >> 8;
        if (shortcut) {
            skip(shortcut & 0xFF);
        } else {
            const int category = decode(h);
            if (category < 0)
                return false;
            difference = category ? extend(take(category), category) : 0;
        }
        predictor += difference;
        return fitsCoefficient(predictor);
    }

    // Steps over a block's AC coefficients, refusing what decodeBlock refuses. Most of the scan
    // only needs this, so the buffer stays in locals (the members take it over only to refill
    // past a 0xFF and for long codes), and one look-up steps over two short codes where it can.
    bool skipAc(const Huffman &h) {
        quint64 buffer = buffer_;
        int bits = bits_;
        int k = 1; // the next coefficient's index; EndOfBlock or more once the block has ended
        for (;;) {
            refill(buffer, bits);
            // The 32 bits cover this many short steps before the next refill.
            quint32 entry = 0;
            int step = 0;
            for (; step < 32 / LookBits && (entry = h.skip[size_t(buffer >> (64 - LookBits))]);
                 ++step) {
                int next = k + int(entry >> 8 & 0xFF), length = int(entry & 63);
                if (next >= BlockSize) {
                    // When the first code already reaches the end, the bits after it are not
                    // this block's.
                    if (k + int(entry >> 24) >= BlockSize) {
                        next = k + int(entry >> 24);
                        length = int(entry >> 16 & 63);
                    }
                    buffer_ = buffer << length;
                    bits_ = bits - length;
                    return next == BlockSize || next >= EndOfBlock;
                }
                buffer <<= length;
                bits -= length;
                k = next;
            }
            if (step) // a long code waits for the refill
                continue;
            buffer_ = buffer;
            bits_ = bits;
            const int symbol = decode(h);
            if (symbol < 0)
                return false;
            const int run = symbol >> 4, size = symbol & 15;
            skip(size);
            k += size ? run + 1 : run == 15 ? 16 : EndOfBlock;
            if (k >= BlockSize)
                return k == BlockSize || k >= EndOfBlock;
            buffer = buffer_;
            bits = bits_;
        }
    }

    int take(int n) {
        const int value = peek(n);
        skip(n);
        return value;
    }
    void skip(int n) {
        buffer_ <<= n;
        bits_ -= n;
    }

    // Bits of real data loaded and not yet read; negative once zeros past the end were read.
    int unread() const { return bits_ - padding_; }
    qint64 offset() const { return at_; }

    ScanBitPosition position() const {
        const int unreadBits = unread();
        qint64 byte = at_;
        for (int i = 0; i < (unreadBits + 7) / 8; ++i) {
            --byte;
            if (data_[byte] == 0x00 && byte > segment_ && data_[byte - 1] == 0xFF)
                --byte;
        }
        return {byte, (8 - unreadBits % 8) % 8};
    }

    // Steps over the restart marker that must follow the interval's last MCU.
    bool restart(int marker) {
        if (unread() < 0 || unread() >= 8 || at_ + 2 > size_ || data_[at_] != 0xFF ||
            data_[at_ + 1] != marker)
            return false;
        at_ += 2;
        segment_ = at_;
        buffer_ = 0;
        bits_ = padding_ = 0;
        ended_ = false;
        return true;
    }

    // Whether the last MCU used all the data but the rest of its last byte.
    bool atEnd() const { return unread() >= 0 && unread() < 8 && at_ == size_; }

    // need() for the members or for a copy of them in locals: eight bytes at once where none
    // needs unstuffing. Inlined, so that locals stay in registers.
    Q_ALWAYS_INLINE void refill(quint64 &buffer, int &bits) {
        if (bits >= 32)
            return;
        quint64 word = 0;
        if (!ended_ && at_ + 8 <= size_ && !hasFF(word = load64(data_ + at_))) {
            buffer |= (word >> bits) & ~(~0ull >> (bits | 56));
            at_ += (63 - bits) >> 3;
            bits |= 56;
            return;
        }
        buffer_ = buffer;
        bits_ = bits;
        fill();
        buffer = buffer_;
        bits = bits_;
    }

private:
    int peek(int n) const { return int(buffer_ >> (64 - n)); }

    // The slow way, byte by byte, past stuffed bytes and up to a marker.
    void fill() {
        while (bits_ <= 56) {
            uchar byte = 0;
            if (!ended_ && at_ < size_ &&
                (data_[at_] != 0xFF || (at_ + 1 < size_ && data_[at_ + 1] == 0x00))) {
                byte = data_[at_];
                at_ += byte == 0xFF ? 2 : 1;
            } else {
                ended_ = true;
                padding_ += 8;
            }
            buffer_ |= quint64(byte) << (56 - bits_);
            bits_ += 8;
        }
    }

    const uchar *data_;
    qint64 size_;
    qint64 at_ = 0;      // the next byte to load
    qint64 segment_ = 0; // where the current restart interval's data begins
    quint64 buffer_ = 0; // the top bits_ bits are unread, the others zero
    int bits_ = 0;
    int padding_ = 0; // zero bits given past the interval's end
    bool ended_ = false;
};

// One block of the band; its coefficients go to `block`, zeroed beforehand.
bool decodeBlock(BitReader &in, const Component &c, int &predictor, JCOEF *block) {
    if (!in.readDc(c.dc, predictor))
        return false;
    block[0] = JCOEF(predictor);
    for (int k = 1; k < BlockSize;) { // the next coefficient's index
        in.need();
        const int symbol = in.decode(c.ac);
        if (symbol < 0)
            return false;
        const int run = symbol >> 4, size = symbol & 15;
        if (size) {
            k += run;
            if (k >= BlockSize)
                return false;
            block[naturalOrder[size_t(k)]] = JCOEF(extend(in.take(size), size));
            ++k;
        } else if (run == 15) {
            k += 16;
            if (k > BlockSize)
                return false;
        } else {
            break; // end of block; libjpeg reads every other zero-size symbol that way too
        }
    }
    return true;
}

// One block outside the band, checked as decodeBlock checks it.
bool skipBlock(BitReader &in, const Component &c, int &predictor) {
    return in.readDc(c.dc, predictor) && in.skipAc(c.ac);
}

// Writes stuffed entropy-coded data.
class BitWriter {
public:
    explicit BitWriter(qint64 expected) : bytes_(qsizetype(expected), Qt::Uninitialized) {
        out_ = reinterpret_cast<uchar *>(bytes_.data());
    }

    // The writer's state for a loop to keep in locals, with room for `bytes` more: put() on
    // it, and close() it before any other call.
    struct Cursor {
        quint64 buffer = 0;
        int pending = 0;
        uchar *at = nullptr;
    };
    Cursor open(qint64 bytes) {
        reserve(bytes);
        return {buffer_, pending_, out_ + used_};
    }
    void close(const Cursor &c) {
        buffer_ = c.buffer;
        pending_ = c.pending;
        used_ = c.at - out_;
    }

    // Up to 31 bits: a code and its extra bits in one go. Four bytes at a time, which takes
    // room for eight.
    static Q_ALWAYS_INLINE void put(Cursor &c, quint32 bits, int count) {
        c.buffer = (c.buffer << count) | (bits & ((1u << count) - 1));
        c.pending += count;
        if (c.pending < 32)
            return;
        c.pending -= 32;
        const auto word = quint32(c.buffer >> c.pending);
        if (hasFF(word)) {
            for (int shift = 24; shift >= 0; shift -= 8) {
                const auto byte = uchar(word >> shift);
                *c.at++ = byte;
                if (byte == 0xFF)
                    *c.at++ = 0x00;
            }
            return;
        }
        qToBigEndian(word, c.at);
        c.at += 4;
    }

    void put(quint32 bits, int count) {
        Cursor c = open(8);
        put(c, bits, count);
        close(c);
    }

    // Ends the byte with one bits, as the standard asks before a marker, and writes it out.
    void pad() {
        if (pending_ % 8)
            put(0xFF, 8 - pending_ % 8);
        while (pending_) {
            pending_ -= 8;
            putByte(uchar(buffer_ >> pending_));
        }
    }

    void marker(int code) {
        reserve(2);
        out_[used_++] = 0xFF;
        out_[used_++] = uchar(code);
    }

    // Whole bytes as they are; only after pad().
    void copy(const uchar *from, qint64 n) {
        reserve(n);
        std::memcpy(out_ + used_, from, size_t(n));
        used_ += n;
    }

    // The source's bits in [from, to) of one restart interval, unstuffed and stuffed again at
    // this writer's bit offset, eight bytes at a time where none needs stuffing.
    void copyBits(const uchar *data, ScanBitPosition from, ScanBitPosition to) {
        if (from.byte == to.byte) {
            if (to.bit > from.bit)
                put(quint32(data[from.byte]) >> (8 - to.bit), to.bit - from.bit);
            return;
        }
        qint64 at = from.byte;
        if (from.bit) {
            put(data[at], 8 - from.bit);
            at += data[at] == 0xFF ? 2 : 1;
        }
        while (at < to.byte) {
            if (at + 8 <= to.byte) {
                const quint64 word = load64(data + at);
                if (!hasFF(word)) {
                    putWord(word);
                    at += 8;
                    continue;
                }
            }
            put(data[at], 8);
            at += data[at] == 0xFF ? 2 : 1;
        }
        if (to.bit)
            put(quint32(data[to.byte]) >> (8 - to.bit), to.bit);
    }

    QByteArray take() && {
        bytes_.resize(qsizetype(used_));
        return std::move(bytes_);
    }

private:
    void putByte(uchar byte) {
        reserve(2);
        out_[used_++] = byte;
        if (byte == 0xFF)
            out_[used_++] = 0x00;
    }

    void putWord(quint64 word) {
        const quint64 bytes = pending_ ? (buffer_ << (64 - pending_)) | (word >> pending_) : word;
        buffer_ = word;
        if (hasFF(bytes)) {
            for (int shift = 56; shift >= 0; shift -= 8)
                putByte(uchar(bytes >> shift));
            return;
        }
        reserve(8);
        qToBigEndian(bytes, out_ + used_);
        used_ += 8;
    }

    void reserve(qint64 n) {
        if (used_ + n <= bytes_.size())
            return;
        bytes_.resize(qsizetype(std::max(used_ + n, qint64(bytes_.size()) * 2)));
        out_ = reinterpret_cast<uchar *>(bytes_.data());
    }

    QByteArray bytes_;
    uchar *out_ = nullptr;
    qint64 used_ = 0;
    quint64 buffer_ = 0; // the low pending_ bits are still to be written
    int pending_ = 0;    // fewer than 32 between calls
};

// A symbol in the table's code with its extra bits; false when the table lacks it.
bool putCoded(BitWriter &out, const Huffman &h, int symbol, quint32 bits, int size) {
    const int length = h.length[size_t(symbol)];
    if (!length)
        return false;
    out.put(quint32(h.code[size_t(symbol)]) << size | (bits & ((1u << size) - 1)), length + size);
    return true;
}

// A value with its magnitude category, the way libjpeg's encoder writes it, to
// put(dc, symbol, extra bits, their count).
template <typename Put> bool putValue(Put &put, bool dc, int run, int value) {
    const int size = int(std::bit_width(unsigned(value < 0 ? -value : value)));
    return size <= 15 && put(dc, (run << 4) | size, quint32(value < 0 ? value - 1 : value), size);
}

template <typename Put> bool encodeBlock(int &predictor, const JCOEF *block, Put &&put) {
    if (!putValue(put, true, 0, block[0] - predictor))
        return false;
    predictor = block[0];
    int run = 0;
    for (int k = 1; k < BlockSize; ++k) {
        const int value = block[naturalOrder[size_t(k)]];
        if (!value) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16)
            if (!put(false, 0xF0, 0, 0))
                return false;
        if (!putValue(put, false, run, value))
            return false;
        run = 0;
    }
    return !run || put(false, 0x00, 0, 0);
}

// One block outside the band in other tables: each symbol read in `from`'s code and written
// in `to`'s (which has them all) with its extra bits, checked as decodeBlock checks it. Most
// of the scan goes through here, so both buffers stay in locals.
bool recodeBlock(BitReader &in, BitWriter &out, const Component &from, const Component &to,
                 int &predictor) {
    constexpr int MostBytes = 2 * (BlockSize * 4 + 8); // 64 codes of 31 bits, all stuffed
    BitWriter::Cursor cursor = out.open(MostBytes);
    quint64 buffer = 0;
    int bits = 0;
    in.lend(buffer, bits);
    const auto done = [&](bool sound) {
        in.giveBack(buffer, bits);
        out.close(cursor);
        return sound;
    };
    // The extra bits of a symbol of `size`, stepped over.
    const auto extra = [&](int size) {
        const quint32 value = size ? quint32(buffer >> (64 - size)) : 0;
        buffer <<= size;
        bits -= size;
        return value;
    };

    in.refill(buffer, bits);
    const int category = in.symbolAt(from.dc, buffer, bits);
    if (category < 0)
        return done(false);
    const quint32 difference = extra(category);
    predictor += category ? extend(int(difference), category) : 0;
    if (!fitsCoefficient(predictor))
        return done(false);
    BitWriter::put(cursor, quint32(to.dc.code[size_t(category)]) << category | difference,
                   to.dc.length[size_t(category)] + category);
    for (int k = 1; k < BlockSize;) { // the next coefficient's index
        in.refill(buffer, bits);
        const int symbol = in.symbolAt(from.ac, buffer, bits);
        if (symbol < 0)
            return done(false);
        const int run = symbol >> 4, size = symbol & 15;
        BitWriter::put(cursor, quint32(to.ac.code[size_t(symbol)]) << size | extra(size),
                       to.ac.length[size_t(symbol)] + size);
        if (size)
            k += run + 1;
        else if (run == 15)
            k += 16;
        else
            break; // end of block, as decodeBlock reads it
        if (k > BlockSize)
            return done(false);
    }
    return done(true);
}

bool before(ScanBitPosition a, ScanBitPosition b) {
    return a.byte < b.byte || (a.byte == b.byte && a.bit <= b.bit);
}

// The MCUs a splice encodes anew: the band's and the one after it, whose DC differences
// follow the band's last blocks.
struct SplicedMcus {
    qint64 first = 0, bandEnd = 0, end = 0;

    SplicedMcus(const BaselineScan &scan, const Layout &layout, const ScanBand &band)
        : first(qint64(band.firstRow()) * scan.mcusAcross),
          bandEnd(qint64(band.lastRow() + 1) * scan.mcusAcross),
          end(std::min(bandEnd + 1, layout.mcus)) {}

    bool contains(qint64 mcu) const { return mcu >= first && mcu < end; }
};

} // namespace

// What the coders of a band read of it.
struct BandCoding {
    // Whether the band holds rows of this scan and the MCU after them.
    static bool fits(const BaselineScan &scan, const Layout &layout, const ScanBand &band) {
        const std::vector<Component> &components = layout.components;
        if (band.planes_.size() != components.size() || band.firstRow_ < 0 ||
            band.lastRow_ < band.firstRow_ || band.lastRow_ >= scan.mcusDown)
            return false;
        const int rows = band.lastRow_ - band.firstRow_ + 1;
        for (size_t c = 0; c < components.size(); ++c)
            if (band.planes_[c].across != scan.mcusAcross * components[c].h ||
                band.planes_[c].down != rows * components[c].v)
                return false;
        const SplicedMcus mcus(scan, layout, band);
        return band.next_.size() ==
                   size_t(mcus.end - mcus.bandEnd) * size_t(layout.blocksInMcu) * BlockSize &&
               band.predictors_.size() == components.size();
    }

    // Encodes the blocks of the spliced MCUs, a DC chain from `predictors` (each component's
    // before the band), as put(component, dc, symbol, extra bits, their count); restart(marker)
    // comes before each MCU that follows a restart marker. The band must fit the scan.
    template <typename Put, typename Restart>
    static bool encode(const BaselineScan &scan, const Layout &layout, const ScanBand &band,
                       std::vector<int> predictors, Put &&put, Restart &&restart) {
        const SplicedMcus mcus(scan, layout, band);
        const JCOEF *next = band.next_.data();
        for (qint64 mcu = mcus.first; mcu < mcus.end; ++mcu) {
            if (isRestartBefore(mcu, scan.restartInterval)) {
                restart(restartMarker(mcu, scan.restartInterval));
                std::fill(predictors.begin(), predictors.end(), 0);
            }
            const int my = int(mcu / scan.mcusAcross), mx = int(mcu % scan.mcusAcross);
            for (size_t ci = 0; ci < layout.components.size(); ++ci) {
                const Component &c = layout.components[ci];
                const ScanBand::Plane &plane = band.planes_[ci];
                const auto putHere = [&](bool dc, int symbol, quint32 bits, int size) {
                    return put(ci, dc, symbol, bits, size);
                };
                for (int j = 0; j < c.v; ++j) {
                    for (int i = 0; i < c.h; ++i) {
                        const JCOEF *block = next;
                        if (mcu < mcus.bandEnd)
                            block = plane.coefficients.data() +
                                    (qsizetype((my - band.firstRow_) * c.v + j) * plane.across +
                                     mx * c.h + i) *
                                        BlockSize;
                        else
                            next += BlockSize;
                        if (!encodeBlock(predictors[ci], block, putHere))
                            return false;
                    }
                }
            }
        }
        return true;
    }

    static const std::vector<int> &predictors(const ScanBand &band) { return band.predictors_; }
};

JBLOCKROW ScanBand::row(int component, int blockRowInBand) {
    Plane &p = planes_[size_t(component)];
    return reinterpret_cast<JBLOCKROW>(p.coefficients.data() +
                                       qsizetype(blockRowInBand) * p.across * BlockSize);
}

const JBLOCK *ScanBand::row(int component, int blockRowInBand) const {
    return const_cast<ScanBand *>(this)->row(component, blockRowInBand);
}

Result<ScanBand> readScanBand(const BaselineScan &scan, int firstRow, int lastRow) {
    Result<Layout> layout = layoutOf(scan);
    if (!layout)
        return Failure{layout.error()};
    if (firstRow < 0 || lastRow < firstRow || lastRow >= scan.mcusDown)
        return Failure{
            QCoreApplication::translate("imprimata", "The rows asked for are not in the picture.")};
    const std::vector<Component> &components = layout->components;
    const qsizetype n = qsizetype(components.size());
    const int rows = lastRow - firstRow + 1;

    ScanBand band;
    band.firstRow_ = firstRow;
    band.lastRow_ = lastRow;
    for (const Component &c : components) {
        ScanBand::Plane plane;
        plane.across = scan.mcusAcross * c.h;
        plane.down = rows * c.v;
        plane.coefficients.resize(size_t(plane.across) * size_t(plane.down) * BlockSize);
        band.planes_.push_back(std::move(plane));
    }
    const qint64 bandStart = qint64(firstRow) * scan.mcusAcross;
    const qint64 bandEnd = qint64(lastRow + 1) * scan.mcusAcross;
    const qint64 spliceEnd = std::min(bandEnd + 1, layout->mcus); // the MCU after the band too
    if (spliceEnd > bandEnd)
        band.next_.resize(size_t(layout->blocksInMcu) * BlockSize);

    BitReader in(scan.data, scan.size);
    std::vector<int> predictors(size_t(n), 0);
    bool intervalEnded = false;
    qint64 mcu = 0;
    for (int my = 0; my < scan.mcusDown; ++my) {
        const bool inBand = my >= firstRow && my <= lastRow;
        for (int mx = 0; mx < scan.mcusAcross; ++mx, ++mcu) {
            if (mcu == bandStart) {
                band.start_ = in.position();
                band.predictors_ = predictors;
            }
            if (mcu == spliceEnd)
                band.nextEnd_ = in.position();
            if (isRestartBefore(mcu, scan.restartInterval)) {
                if (mcu >= spliceEnd && !intervalEnded) {
                    band.intervalEnd_ = in.position();
                    band.resume_ = in.offset();
                    intervalEnded = true;
                }
                if (!in.restart(restartMarker(mcu, scan.restartInterval)))
                    return Failure{damagedScan()};
                std::fill(predictors.begin(), predictors.end(), 0);
            }
            JCOEF *next = mcu == bandEnd ? band.next_.data() : nullptr;
            for (qsizetype ci = 0; ci < n; ++ci) {
                const Component &c = components[size_t(ci)];
                ScanBand::Plane &plane = band.planes_[size_t(ci)];
                int &predictor = predictors[size_t(ci)];
                for (int j = 0; j < c.v; ++j) {
                    for (int i = 0; i < c.h; ++i) {
                        JCOEF *block = next;
                        if (inBand)
                            block = plane.coefficients.data() +
                                    (qsizetype((my - firstRow) * c.v + j) * plane.across +
                                     mx * c.h + i) *
                                        BlockSize;
                        const bool ok = block ? decodeBlock(in, c, predictor, block)
                                              : skipBlock(in, c, predictor);
                        if (!ok)
                            return Failure{damagedScan()};
                        if (next)
                            next += BlockSize;
                    }
                }
            }
            if (in.unread() < 0)
                return Failure{damagedScan()};
        }
    }
    if (!in.atEnd())
        return Failure{damagedScan()};
    if (spliceEnd == mcu)
        band.nextEnd_ = in.position();
    if (!intervalEnded) {
        band.intervalEnd_ = in.position();
        band.resume_ = scan.size;
    }
    return band;
}

Result<QByteArray> spliceScanBand(const BaselineScan &scan, const ScanBand &band) {
    Result<Layout> layout = layoutOf(scan);
    if (!layout)
        return Failure{layout.error()};
    const auto inside = [&](ScanBitPosition p) { return p.bit >= 0 && p.bit < 8 && p.byte >= 0; };
    if (!BandCoding::fits(scan, *layout, band) || !inside(band.start_) || !inside(band.nextEnd_) ||
        !inside(band.intervalEnd_) || !before(band.nextEnd_, band.intervalEnd_) ||
        !before(band.intervalEnd_, {band.resume_, 0}) || band.resume_ > scan.size ||
        (band.intervalEnd_.bit && band.intervalEnd_.byte >= scan.size) ||
        !before(band.start_, {scan.size, 0}) || (band.start_.bit && band.start_.byte >= scan.size))
        return Failure{foreignBand()};

    BitWriter out(scan.size + 1024);
    out.copy(scan.data, band.start_.byte);
    if (band.start_.bit)
        out.put(quint32(scan.data[band.start_.byte]) >> (8 - band.start_.bit), band.start_.bit);
    const std::vector<Component> &components = layout->components;
    if (!BandCoding::encode(
            scan, *layout, band, band.predictors_,
            [&](size_t ci, bool dc, int symbol, quint32 bits, int size) {
                return putCoded(out, dc ? components[ci].dc : components[ci].ac, symbol, bits,
                                size);
            },
            [&](int marker) {
                out.pad();
                out.marker(marker);
            }))
        return Failure{uncodable()};
    out.copyBits(scan.data, band.nextEnd_, band.intervalEnd_);
    out.pad();
    out.copy(scan.data + band.resume_, scan.size - band.resume_);
    return std::move(out).take();
}

Result<std::vector<ScanSymbols>> bandSymbols(const BaselineScan &scan, const ScanBand &band) {
    Result<Layout> layout = layoutOf(scan);
    if (!layout)
        return Failure{layout.error()};
    if (!BandCoding::fits(scan, *layout, band))
        return Failure{foreignBand()};
    std::vector<ScanSymbols> symbols(layout->components.size());
    if (!BandCoding::encode(
            scan, *layout, band, BandCoding::predictors(band),
            [&](size_t ci, bool dc, int symbol, quint32, int) {
                (dc ? symbols[ci].dc : symbols[ci].ac).set(size_t(symbol));
                return true;
            },
            [](int) {}))
        return Failure{uncodable()};
    return symbols;
}

Result<QByteArray> recodeScanBand(const BaselineScan &scan, const ScanBand &band,
                                  const std::vector<ScanTables> &tables) {
    Result<Layout> layout = layoutOf(scan);
    if (!layout)
        return Failure{layout.error()};
    if (!BandCoding::fits(scan, *layout, band) || tables.size() != layout->components.size())
        return Failure{foreignBand()};
    const std::vector<Component> &from = layout->components;
    std::vector<Component> to(from.size());
    for (size_t ci = 0; ci < from.size(); ++ci) {
        to[ci].h = from[ci].h;
        to[ci].v = from[ci].v;
        if (!build(tables[ci].dc, true, to[ci].dc) || !build(tables[ci].ac, false, to[ci].ac))
            return Failure{uncodable()};
        // Every symbol outside the band is written again as it is.
        for (size_t symbol = 0; symbol < 256; ++symbol)
            if ((from[ci].dc.length[symbol] && !to[ci].dc.length[symbol]) ||
                (from[ci].ac.length[symbol] && !to[ci].ac.length[symbol]))
                return Failure{uncodable()};
    }

    const SplicedMcus spliced(scan, *layout, band);
    BitReader in(scan.data, scan.size);
    BitWriter out(scan.size + scan.size / 16 + 1024);
    const auto restartOut = [&](int marker) {
        out.pad();
        out.marker(marker);
    };
    std::vector<int> predictors(from.size(), 0);
    for (qint64 mcu = 0; mcu < layout->mcus; ++mcu) {
        if (mcu == spliced.first &&
            !BandCoding::encode(
                scan, *layout, band, predictors,
                [&](size_t ci, bool dc, int symbol, quint32 bits, int size) {
                    return putCoded(out, dc ? to[ci].dc : to[ci].ac, symbol, bits, size);
                },
                restartOut))
            return Failure{uncodable()};
        const bool inBand = spliced.contains(mcu);
        if (isRestartBefore(mcu, scan.restartInterval)) {
            const int marker = restartMarker(mcu, scan.restartInterval);
            if (!in.restart(marker))
                return Failure{damagedScan()};
            if (!inBand)
                restartOut(marker);
            std::fill(predictors.begin(), predictors.end(), 0);
        }
        // The band's blocks are only read past; its encoding above stands for them.
        for (size_t ci = 0; ci < from.size(); ++ci) {
            const Component &c = from[ci];
            for (int b = c.h * c.v; b > 0; --b) {
                const bool ok = inBand ? skipBlock(in, c, predictors[ci])
                                       : recodeBlock(in, out, c, to[ci], predictors[ci]);
                if (!ok)
                    return Failure{damagedScan()};
            }
        }
        if (in.unread() < 0)
            return Failure{damagedScan()};
    }
    if (!in.atEnd())
        return Failure{damagedScan()};
    out.pad();
    return std::move(out).take();
}

} // namespace imprimata
