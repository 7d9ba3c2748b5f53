#include "tools/artwork/JpegWriter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>

#include "tools/artwork/JpegTables.h"

namespace art {

namespace {

using Block = std::array<int, 64>;  // row-major samples or coefficients

// The DCT basis: kBasis[u][x] = c(u) / 2 * cos((2x + 1) u pi / 16) * 2^15, with
// c(0) = 1 / sqrt(2) and c(u) = 1 otherwise.
constexpr int kBasisShift = 15;

const std::array<std::array<std::int64_t, 8>, 8>& Basis() {
    static const auto basis = [] {
        // cos(k pi / 16) * 2^14 for k = 0..8.
        constexpr std::int64_t kCos[] = {16384, 16069, 15137, 13623, 11585, 9102, 6270, 3196, 0};
        std::array<std::array<std::int64_t, 8>, 8> result{};
        for (int u = 0; u < 8; ++u) {
            for (int x = 0; x < 8; ++x) {
                int k = (2 * x + 1) * u % 32;
                std::int64_t sign = 1;
                if (k > 16) {
                    k = 32 - k;  // cos(2 pi - a) = cos(a)
                }
                if (k > 8) {
                    k = 16 - k;  // cos(pi - a) = -cos(a)
                    sign = -1;
                }
                result[static_cast<size_t>(u)][static_cast<size_t>(x)] =
                    u == 0 ? kCos[4] : sign * kCos[k];
            }
        }
        return result;
    }();
    return basis;
}

std::int64_t RoundDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

// One 8-point pass of the DCT: out[u * outStride] = sum over i of basis[u][i] * in[i * stride].
// Flat runs of samples, common in this artwork, cost one product: the basis rows for u > 0
// sum to exactly zero, so the result is the same as the full sum.
void Pass(const std::int64_t* in, size_t stride, std::int64_t* out, size_t outStride) {
    const auto& basis = Basis();
    bool flat = true;
    for (size_t i = 1; i < 8 && flat; ++i) {
        flat = in[i * stride] == in[0];
    }
    for (size_t u = 0; u < 8; ++u) {
        std::int64_t sum = 0;
        if (flat) {
            sum = u == 0 ? 8 * basis[0][0] * in[0] : 0;
        } else {
            for (size_t i = 0; i < 8; ++i) {
                sum += basis[u][i] * in[i * stride];
            }
        }
        out[u * outStride] = sum;
    }
}

// Forward DCT of level-shifted samples and quantisation, giving zig-zag ordered values.
Block Transform(const Block& samples, const std::array<int, 64>& quant) {
    std::array<std::int64_t, 64> values{};
    std::copy(samples.begin(), samples.end(), values.begin());
    std::array<std::int64_t, 64> rows{};  // rows[y * 8 + u], scaled by 2^15
    for (size_t y = 0; y < 8; ++y) {
        Pass(&values[y * 8], 1, &rows[y * 8], 1);
    }
    std::array<std::int64_t, 64> coefficients{};  // [v * 8 + u], scaled by 2^30
    for (size_t u = 0; u < 8; ++u) {
        Pass(&rows[u], 8, &coefficients[u], 8);
    }
    Block result{};
    const auto& zigzag = jpeg::ZigZag();
    for (size_t k = 0; k < 64; ++k) {
        const auto index = static_cast<size_t>(zigzag[k]);
        const std::int64_t step = static_cast<std::int64_t>(quant[index]) << (2 * kBasisShift);
        result[k] = static_cast<int>(RoundDiv(coefficients[index], step));
    }
    return result;
}

struct HuffmanCodes {
    std::array<std::uint16_t, 256> code{};
    std::array<std::uint8_t, 256> length{};  // 0: no code for the symbol
};

HuffmanCodes BuildCodes(const jpeg::HuffmanTable& table) {
    HuffmanCodes result;
    std::uint32_t code = 0;
    size_t next = 0;
    for (size_t bits = 1; bits <= 16; ++bits) {
        for (int i = 0; i < table.counts[bits - 1]; ++i) {
            const std::uint8_t symbol = table.symbols.at(next++);
            result.code[symbol] = static_cast<std::uint16_t>(code++);
            result.length[symbol] = static_cast<std::uint8_t>(bits);
        }
        code <<= 1;
    }
    return result;
}

class CBitWriter {
public:
    explicit CBitWriter(Bytes& out) : m_out(out) {}

    void Put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = static_cast<std::uint8_t>((static_cast<std::uint32_t>(m_byte) << 1) |
                                               ((bits >> i) & 1u));
            if (++m_used == 8) {
                Emit();
            }
        }
    }
    void Put(const HuffmanCodes& codes, int symbol) {
        const auto index = static_cast<size_t>(symbol);
        if (codes.length[index] == 0) {
            throw std::logic_error("Huffman table has no code for a symbol");
        }
        Put(codes.code[index], codes.length[index]);
    }
    // Pads the last byte with one bits, as the standard asks.
    void Flush() {
        while (m_used != 0) {
            Put(1, 1);
        }
    }

private:
    void Emit() {
        m_out.push_back(m_byte);
        if (m_byte == 0xFF) {
            m_out.push_back(0);  // stuffed so that the data cannot look like a marker
        }
        m_byte = 0;
        m_used = 0;
    }
    Bytes& m_out;
    std::uint8_t m_byte = 0;
    int m_used = 0;
};

// The magnitude category: the number of bits of |v|.
int Category(int v) {
    int magnitude = std::abs(v);
    int bits = 0;
    while (magnitude != 0) {
        ++bits;
        magnitude >>= 1;
    }
    return bits;
}

void PutValue(CBitWriter& writer, int v, int bits) {
    if (bits > 0) {
        // Negative values are sent as v - 1 in the category's low bits.
        writer.Put(static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << bits) - 1), bits);
    }
}

void EncodeBlock(CBitWriter& writer, const Block& zigzag, int& previousDc, const HuffmanCodes& dc,
                 const HuffmanCodes& ac) {
    const int diff = zigzag[0] - previousDc;
    previousDc = zigzag[0];
    writer.Put(dc, Category(diff));
    PutValue(writer, diff, Category(diff));
    int run = 0;
    for (size_t k = 1; k < 64; ++k) {
        if (zigzag[k] == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16) {
            writer.Put(ac, 0xF0);  // sixteen zeros
        }
        const int bits = Category(zigzag[k]);
        writer.Put(ac, (run << 4) | bits);
        PutValue(writer, zigzag[k], bits);
        run = 0;
    }
    if (run > 0) {
        writer.Put(ac, 0x00);  // end of block
    }
}

// JFIF's full-range conversion, with weights scaled by 2^16.
std::array<int, 3> ToYCbCr(Rgba c) {
    const int r = c.r;
    const int g = c.g;
    const int b = c.b;
    const int y = 19595 * r + 38470 * g + 7471 * b;
    const int cb = -11058 * r - 21710 * g + 32768 * b + (128 << 16);
    const int cr = 32768 * r - 27439 * g - 5329 * b + (128 << 16);
    // Pure blue or red would round to 256.
    return {(y + 32768) >> 16, std::min((cb + 32768) >> 16, 255),
            std::min((cr + 32768) >> 16, 255)};
}

void PutMarker(Bytes& out, std::uint8_t marker) {
    out.push_back(0xFF);
    out.push_back(marker);
}

void PutJfifHeader(Bytes& out) {
    PutMarker(out, 0xE0);
    PutBe16(out, 16);
    for (char c : {'J', 'F', 'I', 'F', '\0'}) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    out.push_back(1);  // version 1.01
    out.push_back(1);
    out.push_back(0);  // no units: the densities give only the pixel aspect, 1:1
    PutBe16(out, 1);
    PutBe16(out, 1);
    out.push_back(0);  // no thumbnail
    out.push_back(0);
}

void PutQuantTables(Bytes& out, const std::array<int, 64>& luma,
                    const std::array<int, 64>& chroma) {
    PutMarker(out, 0xDB);
    PutBe16(out, 2 + 2 * 65);
    const std::array<int, 64>* tables[] = {&luma, &chroma};
    for (std::uint8_t id = 0; id < 2; ++id) {
        out.push_back(id);  // 8-bit precision, table id
        for (int index : jpeg::ZigZag()) {
            out.push_back(static_cast<std::uint8_t>((*tables[id])[static_cast<size_t>(index)]));
        }
    }
}

void PutFrameHeader(Bytes& out, int width, int height) {
    PutMarker(out, 0xC0);
    PutBe16(out, 8 + 3 * 3);
    out.push_back(8);
    PutBe16(out, static_cast<std::uint32_t>(height));
    PutBe16(out, static_cast<std::uint32_t>(width));
    out.push_back(3);
    for (std::uint8_t id = 1; id <= 3; ++id) {
        out.push_back(id);
        out.push_back(0x11);  // no subsampling
        out.push_back(id == 1 ? 0 : 1);
    }
}

void PutHuffmanTables(Bytes& out) {
    const struct {
        std::uint8_t classAndId;
        const jpeg::HuffmanTable* huffman;
    } tables[] = {{0x00, &jpeg::kDcLuminance},
                  {0x10, &jpeg::kAcLuminance},
                  {0x01, &jpeg::kDcChrominance},
                  {0x11, &jpeg::kAcChrominance}};
    std::uint32_t length = 2;
    for (const auto& table : tables) {
        length += 17 + static_cast<std::uint32_t>(table.huffman->symbols.size());
    }
    PutMarker(out, 0xC4);
    PutBe16(out, length);
    for (const auto& table : tables) {
        out.push_back(table.classAndId);
        out.insert(out.end(), table.huffman->counts.begin(), table.huffman->counts.end());
        out.insert(out.end(), table.huffman->symbols.begin(), table.huffman->symbols.end());
    }
}

void PutScanHeader(Bytes& out) {
    PutMarker(out, 0xDA);
    PutBe16(out, 6 + 2 * 3);
    out.push_back(3);
    for (std::uint8_t id = 1; id <= 3; ++id) {
        out.push_back(id);
        out.push_back(id == 1 ? 0x00 : 0x11);  // DC and AC table ids
    }
    out.push_back(0);  // coefficients 0 to 63: all of them in this one scan
    out.push_back(63);
    out.push_back(0);  // no successive approximation
}

// The three level-shifted component blocks of the 8 x 8 unit at (bx, by); samples past
// the picture's edge repeat the last row or column, which keeps those blocks cheap.
std::array<Block, 3> ComponentBlocks(const CImage& image, int bx, int by) {
    std::array<Block, 3> blocks{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int sx = std::min(bx * 8 + x, image.Width() - 1);
            const int sy = std::min(by * 8 + y, image.Height() - 1);
            const auto ycc = ToYCbCr(image.At(sx, sy));
            for (size_t c = 0; c < 3; ++c) {
                blocks[c][static_cast<size_t>(y * 8 + x)] = ycc[c] - 128;
            }
        }
    }
    return blocks;
}

}  // namespace

Bytes EncodeJpeg(const CImage& image, int quality) {
    if (!image.Opaque()) {
        throw std::invalid_argument("a JPEG picture cannot hold transparent pixels");
    }
    const auto luma = jpeg::ScaledQuant(jpeg::kLuminanceQuant, quality);
    const auto chroma = jpeg::ScaledQuant(jpeg::kChrominanceQuant, quality);
    const HuffmanCodes codes[] = {BuildCodes(jpeg::kDcLuminance), BuildCodes(jpeg::kAcLuminance),
                                  BuildCodes(jpeg::kDcChrominance),
                                  BuildCodes(jpeg::kAcChrominance)};

    Bytes out;
    PutMarker(out, 0xD8);
    PutJfifHeader(out);
    PutQuantTables(out, luma, chroma);
    PutFrameHeader(out, image.Width(), image.Height());
    PutHuffmanTables(out);
    PutScanHeader(out);

    CBitWriter writer(out);
    std::array<int, 3> previousDc{};
    for (int by = 0; by * 8 < image.Height(); ++by) {
        for (int bx = 0; bx * 8 < image.Width(); ++bx) {
            const auto blocks = ComponentBlocks(image, bx, by);
            for (size_t c = 0; c < 3; ++c) {
                const auto& quant = c == 0 ? luma : chroma;
                const size_t table = c == 0 ? 0 : 2;
                EncodeBlock(writer, Transform(blocks[c], quant), previousDc[c], codes[table],
                            codes[table + 1]);
            }
        }
    }
    writer.Flush();
    PutMarker(out, 0xD9);
    return out;
}

}  // namespace art
