#include "tools/samplepics/JpegWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace samplepics {

namespace {

constexpr std::array<int, 64> kZigZag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

using Block = std::array<int, 64>;           // quantised coefficients in zig-zag order
using Coefficients = std::array<double, 64>; // exact, natural order

// Forward DCT of one 8 x 8 block of level-shifted samples, natural order.
Coefficients ForwardDct(const std::array<double, 64>& s) {
    static const auto kCos = [] {
        std::array<double, 64> c{};
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                c[u * 8 + x] =
                    (u == 0 ? std::sqrt(0.125) : 0.5) * std::cos((2 * x + 1) * u * M_PI / 16);
        return c;
    }();
    std::array<double, 64> rows{};
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            double sum = 0;
            for (int x = 0; x < 8; ++x)
                sum += kCos[u * 8 + x] * s[y * 8 + x];
            rows[y * 8 + u] = sum;
        }
    Coefficients out{};
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            double sum = 0;
            for (int y = 0; y < 8; ++y)
                sum += kCos[v * 8 + y] * rows[y * 8 + u];
            out[v * 8 + u] = sum;
        }
    return out;
}

// Whole coefficients in zig-zag order (the quantiser is 1 everywhere), each
// rounded after adding its offset. Coefficients of 8-bit samples stay within
// the magnitudes of baseline coding; the clamp only guards the format.
Block Quantise(const Coefficients& c, const std::array<double, 64>& offset) {
    Block out{};
    for (int k = 0; k < 64; ++k) {
        const int n = kZigZag[k];
        out[k] = std::clamp(static_cast<int>(std::lround(c[n] + offset[n])), -1023, 1023);
    }
    return out;
}

int Category(int v) {
    int a = std::abs(v);
    int n = 0;
    while (a > 0) {
        ++n;
        a >>= 1;
    }
    return n;
}

// Huffman table built from symbol counts, code lengths limited to 16 bits
// (the classic procedure: merge the two rarest, then push codes longer than
// 16 bits up, and keep the all-ones code free).
struct Huffman {
    std::array<int, 17> bits{};    // bits[l]: number of codes of length l
    std::vector<int> values;       // symbols in code order
    std::array<int, 256> code{};   // code of each symbol
    std::array<int, 256> length{}; // its length, 0 when unused

    explicit Huffman(const std::array<long, 256>& counts) {
        std::array<long, 257> freq{};
        for (int i = 0; i < 256; ++i)
            freq[i] = counts[i];
        freq[256] = 1; // reserved so no real code is all ones
        std::array<int, 257> size{};
        std::array<int, 257> others;
        others.fill(-1);
        for (;;) {
            int v1 = -1, v2 = -1;
            for (int i = 0; i < 257; ++i)
                if (freq[i] > 0 && (v1 < 0 || freq[i] <= freq[v1]))
                    v1 = i;
            for (int i = 0; i < 257; ++i)
                if (i != v1 && freq[i] > 0 && (v2 < 0 || freq[i] <= freq[v2]))
                    v2 = i;
            if (v2 < 0)
                break;
            freq[v1] += freq[v2];
            freq[v2] = 0;
            for (int i = v1;; i = others[i]) {
                ++size[i];
                if (others[i] < 0) {
                    others[i] = v2;
                    break;
                }
            }
            for (int i = v2; i >= 0; i = others[i])
                ++size[i];
        }
        std::array<int, 33> count{};
        for (int i = 0; i < 257; ++i)
            if (size[i] > 0)
                ++count[std::min(size[i], 32)];
        for (int i = 32; i > 16; --i) {
            while (count[i] > 0) {
                int j = i - 2;
                while (count[j] == 0)
                    --j;
                count[i] -= 2;
                count[i - 1] += 1;
                count[j + 1] += 2;
                count[j] -= 1;
            }
        }
        int top = 16;
        while (count[top] == 0)
            --top;
        count[top] -= 1; // drop the reserved symbol
        for (int l = 1; l <= 16; ++l)
            bits[l] = count[l];
        // Symbols by increasing code size; the longest codes go to the rarest.
        std::vector<int> order;
        for (int l = 1; l <= 32; ++l)
            for (int i = 0; i < 256; ++i)
                if (size[i] == l)
                    order.push_back(i);
        values = order;
        int c = 0;
        std::size_t k = 0;
        for (int l = 1; l <= 16; ++l) {
            for (int n = 0; n < bits[l]; ++n, ++k) {
                code[values[k]] = c++;
                length[values[k]] = l;
            }
            c <<= 1;
        }
        values.resize(k);
    }
};

class BitWriter {
  public:
    explicit BitWriter(QByteArray& out) : out_(out) {}
    void Put(int code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            acc_ = (acc_ << 1) | ((code >> i) & 1);
            if (++n_ == 8)
                Flush();
        }
    }
    void Finish() {
        while (n_ != 0)
            Put(1, 1);
    }

  private:
    void Flush() {
        out_.append(static_cast<char>(acc_));
        if (acc_ == 0xFF)
            out_.append('\0');
        acc_ = 0;
        n_ = 0;
    }
    QByteArray& out_;
    int acc_ = 0;
    int n_ = 0;
};

void PutWord(QByteArray& out, int v) {
    out.append(static_cast<char>((v >> 8) & 0xFF));
    out.append(static_cast<char>(v & 0xFF));
}

void PutMarker(QByteArray& out, int marker) {
    out.append(static_cast<char>(0xFF));
    out.append(static_cast<char>(marker));
}

void PutTable(QByteArray& out, int classAndId, const Huffman& h) {
    out.append(static_cast<char>(classAndId));
    for (int l = 1; l <= 16; ++l)
        out.append(static_cast<char>(h.bits[l]));
    for (int v : h.values)
        out.append(static_cast<char>(v));
}

} // namespace

JpegEncoder::JpegEncoder(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    width_ = image.width();
    height_ = image.height();
    const int bw = BlocksWide();
    const int bh = (height_ + 7) / 8;
    const int w = width_;
    const int h = height_;

    // Colour transform (JFIF), then blocks per component; edge blocks repeat
    // the last row and column.
    exact_.resize(static_cast<std::size_t>(bw) * bh);
    blocks_.resize(exact_.size());
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            std::array<std::array<double, 64>, 3> s{};
            for (int y = 0; y < 8; ++y) {
                const QRgb* line =
                    reinterpret_cast<const QRgb*>(image.constScanLine(std::min(h - 1, by * 8 + y)));
                for (int x = 0; x < 8; ++x) {
                    const QRgb c = line[std::min(w - 1, bx * 8 + x)];
                    const double r = qRed(c), g = qGreen(c), b = qBlue(c);
                    const double yy = 0.299 * r + 0.587 * g + 0.114 * b;
                    const double cb = -0.168735892 * r - 0.331264108 * g + 0.5 * b + 128;
                    const double cr = 0.5 * r - 0.418687589 * g - 0.081312411 * b + 128;
                    s[0][y * 8 + x] = std::clamp(std::round(yy), 0.0, 255.0) - 128;
                    s[1][y * 8 + x] = std::clamp(std::round(cb), 0.0, 255.0) - 128;
                    s[2][y * 8 + x] = std::clamp(std::round(cr), 0.0, 255.0) - 128;
                }
            }
            const std::size_t i = static_cast<std::size_t>(by) * bw + bx;
            for (int c = 0; c < 3; ++c) {
                exact_[i][c] = ForwardDct(s[c]);
                blocks_[i][c] = Quantise(exact_[i][c], {});
            }
        }
    }
}

bool JpegEncoder::FitBlock(std::size_t block, const Tolerance& tolerance, std::uint32_t seed) {
    static const auto kBasis = [] {
        // kBasis[n][p]: sample p of the inverse transform of coefficient n.
        std::array<std::array<double, 64>, 64> b{};
        for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u)
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x)
                        b[v * 8 + u][y * 8 + x] = (u == 0 ? std::sqrt(0.125) : 0.5) *
                                                  std::cos((2 * x + 1) * u * M_PI / 16) *
                                                  (v == 0 ? std::sqrt(0.125) : 0.5) *
                                                  std::cos((2 * y + 1) * v * M_PI / 16);
        return b;
    }();
    bool hardMet = true;
    std::uint32_t state = seed * 2654435761u + 12345u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int c = 0; c < 3; ++c) {
        const Coefficients& exact = exact_[block][c];
        std::array<int, 64> q{};
        for (int n = 0; n < 64; ++n)
            q[n] = static_cast<int>(std::lround(exact[n]));
        // A retry starts from a few coefficients rounded the other way.
        for (int i = 0; seed != 0 && i < 3; ++i) {
            const int n = static_cast<int>(next() % 64u);
            q[n] += exact[n] >= q[n] ? 1 : -1;
        }
        // Residual of every sample against the exact block.
        std::array<double, 64> r{};
        for (int n = 0; n < 64; ++n) {
            const double d = q[n] - exact[n];
            for (int p = 0; p < 64; ++p)
                r[p] += d * kBasis[n][p];
        }
        auto cost = [&](const std::array<double, 64>& res) {
            double f = 0;
            for (int p = 0; p < 64; ++p) {
                const double a = std::abs(res[p]);
                if (tolerance.hard[p] >= 0 && a > tolerance.hard[p])
                    f += 1000 * (a - tolerance.hard[p]) * (a - tolerance.hard[p]);
                if (tolerance.soft[p] >= 0 && a > tolerance.soft[p])
                    f += (a - tolerance.soft[p]) * (a - tolerance.soft[p]);
            }
            return f;
        };
        double current = cost(r);
        // Steepest descent over single-coefficient steps; when stuck, over
        // pairs of steps, which cross the ridges single steps cannot.
        auto allowed = [&](int n, int step) { return std::abs(q[n] + step - exact[n]) <= 2; };
        for (int move = 0; move < 600 && current > 0; ++move) {
            int bestN = -1, bestStep = 0, bestM = -1, bestStepM = 0;
            double best = current;
            std::array<double, 64> trial;
            for (int n = 0; n < 64; ++n) {
                for (int step : {-1, 1}) {
                    if (!allowed(n, step))
                        continue;
                    for (int p = 0; p < 64; ++p)
                        trial[p] = r[p] + step * kBasis[n][p];
                    const double f = cost(trial);
                    if (f < best - 1e-12) {
                        best = f;
                        bestN = n;
                        bestStep = step;
                    }
                }
            }
            if (bestN < 0) {
                for (int n = 0; n < 64; ++n)
                    for (int step : {-1, 1}) {
                        if (!allowed(n, step))
                            continue;
                        for (int m = n + 1; m < 64; ++m)
                            for (int stepM : {-1, 1}) {
                                if (!allowed(m, stepM))
                                    continue;
                                for (int p = 0; p < 64; ++p)
                                    trial[p] = r[p] + step * kBasis[n][p] + stepM * kBasis[m][p];
                                const double f = cost(trial);
                                if (f < best - 1e-12) {
                                    best = f;
                                    bestN = n;
                                    bestStep = step;
                                    bestM = m;
                                    bestStepM = stepM;
                                }
                            }
                    }
            }
            if (bestN < 0)
                break;
            q[bestN] += bestStep;
            for (int p = 0; p < 64; ++p)
                r[p] += bestStep * kBasis[bestN][p];
            if (bestM >= 0) {
                q[bestM] += bestStepM;
                for (int p = 0; p < 64; ++p)
                    r[p] += bestStepM * kBasis[bestM][p];
            }
            current = best;
        }
        for (int k = 0; k < 64; ++k)
            blocks_[block][c][k] = std::clamp(q[kZigZag[k]], -1023, 1023);
        for (int p = 0; p < 64; ++p)
            if (tolerance.hard[p] >= 0 && std::abs(r[p]) > tolerance.hard[p])
                hardMet = false;
    }
    return hardMet;
}

QByteArray JpegEncoder::Encode() const {
    const int w = width_;
    const int h = height_;
    const auto& blocks = blocks_;
    // Symbol counts: table 0 for luminance, table 1 for both colour planes.
    std::array<std::array<long, 256>, 2> dcCount{}, acCount{};
    auto walk = [&](auto&& emitDc, auto&& emitAc) {
        std::array<int, 3> pred{};
        for (const auto& mcu : blocks) {
            for (int c = 0; c < 3; ++c) {
                const Block& b = mcu[c];
                const int table = c == 0 ? 0 : 1;
                const int diff = b[0] - pred[c];
                pred[c] = b[0];
                emitDc(table, diff);
                int run = 0;
                for (int k = 1; k < 64; ++k) {
                    if (b[k] == 0) {
                        ++run;
                        continue;
                    }
                    while (run > 15) {
                        emitAc(table, 0xF0, 0);
                        run -= 16;
                    }
                    emitAc(table, (run << 4) | Category(b[k]), b[k]);
                    run = 0;
                }
                if (run > 0)
                    emitAc(table, 0x00, 0);
            }
        }
    };
    walk([&](int t, int diff) { ++dcCount[t][Category(diff)]; },
         [&](int t, int symbol, int) { ++acCount[t][symbol]; });
    const std::array<Huffman, 2> dc{Huffman(dcCount[0]), Huffman(dcCount[1])};
    const std::array<Huffman, 2> ac{Huffman(acCount[0]), Huffman(acCount[1])};

    QByteArray out;
    PutMarker(out, 0xD8);
    // JFIF header: version 1.01, square pixels, no thumbnail.
    PutMarker(out, 0xE0);
    PutWord(out, 16);
    out.append("JFIF", 5);
    out.append('\x01');
    out.append('\x01');
    out.append('\0');
    PutWord(out, 1);
    PutWord(out, 1);
    out.append('\0');
    out.append('\0');
    // One quantisation table of ones.
    PutMarker(out, 0xDB);
    PutWord(out, 2 + 65);
    out.append('\0');
    out.append(QByteArray(64, '\x01'));
    // Baseline frame, three components at full resolution.
    PutMarker(out, 0xC0);
    PutWord(out, 8 + 3 * 3);
    out.append('\x08');
    PutWord(out, h);
    PutWord(out, w);
    out.append('\x03');
    for (int c = 1; c <= 3; ++c) {
        out.append(static_cast<char>(c));
        out.append('\x11');
        out.append('\0');
    }
    PutMarker(out, 0xC4);
    int tableBytes = 0;
    for (int t = 0; t < 2; ++t)
        tableBytes += 2 * 17 + static_cast<int>(dc[t].values.size() + ac[t].values.size());
    PutWord(out, 2 + tableBytes);
    for (int t = 0; t < 2; ++t) {
        PutTable(out, t, dc[t]);
        PutTable(out, 0x10 | t, ac[t]);
    }
    PutMarker(out, 0xDA);
    PutWord(out, 6 + 2 * 3);
    out.append('\x03');
    for (int c = 1; c <= 3; ++c) {
        out.append(static_cast<char>(c));
        out.append(static_cast<char>(c == 1 ? 0x00 : 0x11));
    }
    out.append('\0');
    out.append('\x3F');
    out.append('\0');

    BitWriter bits(out);
    auto putValue = [&](int v, int size) {
        if (size > 0)
            bits.Put(v >= 0 ? v : v + (1 << size) - 1, size);
    };
    walk(
        [&](int t, int diff) {
            const int size = Category(diff);
            bits.Put(dc[t].code[size], dc[t].length[size]);
            putValue(diff, size);
        },
        [&](int t, int symbol, int value) {
            bits.Put(ac[t].code[symbol], ac[t].length[symbol]);
            putValue(value, symbol & 15);
        });
    bits.Finish();
    PutMarker(out, 0xD9);
    return out;
}

} // namespace samplepics
