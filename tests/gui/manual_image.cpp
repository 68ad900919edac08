// corvane-manual-image: turns one screenshot of the window into a picture for the manual
// (the sample wiki): scaled by PERCENT with smoothing, reduced to at most 256 colours and
// written as PNG at the highest compression. A window holds few colours besides the
// anti-aliased edges of its text, so a palette keeps the file small and the picture sharp.
//
//   corvane-manual-image INPUT.png OUTPUT.png PERCENT
#include <QColor>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr int kPaletteSize = 256;

struct Bucket {
    long long count = 0;
    long long red = 0, green = 0, blue = 0;
    QRgb Average() const { return qRgb(int(red / count), int(green / count), int(blue / count)); }
};

// Weighted squared distance; the eye tells greens apart best and blues worst.
long long Distance(QRgb a, QRgb b) {
    const long long dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

// The colours of the picture when there are few enough; else one colour for each of up to
// 256 groups of similar colours (5 bits a channel), picked greedily: the most common group
// first, then always the group whose pixels the palette so far serves worst (pixels times
// distance to the nearest chosen colour), so that rare but distinct colours (an icon, the
// progress bar) keep a colour of their own.
QList<QRgb> ChoosePalette(const QImage& image) {
    QHash<QRgb, int> exact;
    QHash<int, Bucket> buckets;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            if (exact.size() <= kPaletteSize) exact[c] += 1;
            Bucket& b = buckets[((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3)];
            ++b.count;
            b.red += qRed(c);
            b.green += qGreen(c);
            b.blue += qBlue(c);
        }
    }
    if (exact.size() <= kPaletteSize) return exact.keys();

    std::vector<Bucket> groups(buckets.begin(), buckets.end());
    std::vector<QRgb> colours;
    for (const Bucket& b : groups) colours.push_back(b.Average());
    const auto first = std::max_element(groups.begin(), groups.end(),
                                        [](auto& a, auto& b) { return a.count < b.count; });
    QList<QRgb> palette{colours[first - groups.begin()]};
    std::vector<long long> nearest(groups.size());
    for (size_t i = 0; i < groups.size(); ++i) nearest[i] = Distance(colours[i], palette.front());
    while (palette.size() < kPaletteSize) {
        size_t worst = 0;
        long long worstCost = 0;
        for (size_t i = 0; i < groups.size(); ++i) {
            const long long cost = groups[i].count * nearest[i];
            if (cost > worstCost) {
                worstCost = cost;
                worst = i;
            }
        }
        if (worstCost == 0) break;
        palette.push_back(colours[worst]);
        for (size_t i = 0; i < groups.size(); ++i) {
            nearest[i] = std::min(nearest[i], Distance(colours[i], colours[worst]));
        }
    }
    return palette;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: corvane-manual-image INPUT.png OUTPUT.png PERCENT\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const int percent = std::atoi(argv[3]);
    if (percent < 1 || percent > 100) {
        std::fprintf(stderr, "corvane-manual-image: PERCENT must be 1 to 100\n");
        return 2;
    }
    QImage image(input);
    if (image.isNull()) {
        std::fprintf(stderr, "corvane-manual-image: cannot read %s\n", argv[1]);
        return 1;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    if (percent != 100) {
        const int width = std::max(1, (image.width() * percent + 50) / 100);
        const int height = std::max(1, (image.height() * percent + 50) / 100);
        image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Nearest palette colour for every pixel, without dithering: dots of dither would blur
    // the text and cost more bytes than they save.
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, ChoosePalette(image),
                                                 Qt::ThresholdDither | Qt::AvoidDither);
    if (!indexed.save(output, "PNG", 0)) {
        std::fprintf(stderr, "corvane-manual-image: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s %dx%d\n", argv[2], indexed.width(), indexed.height());
    return 0;
}
