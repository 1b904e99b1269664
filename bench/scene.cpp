#include "bench/scene.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace dudo::bench {

namespace {

// A small linear congruential generator: the same picture on every run.
struct Random {
    std::uint32_t state;
    std::uint32_t Next() { return state = state * 1664525u + 1013904223u; }
    int Below(int n) { return static_cast<int>((Next() >> 8) % static_cast<std::uint32_t>(n)); }
};

// Value noise: a lattice of random values blended smoothly, a few octaves.
class Noise {
public:
    explicit Noise(std::uint32_t seed) {
        Random r{seed};
        for (float& v : lattice_) v = static_cast<float>(r.Below(1000)) / 1000.0f;
    }
    float At(float x, float y) const {
        float sum = 0, amplitude = 0.5f;
        for (int octave = 0; octave < 4; ++octave, x *= 2.03f, y *= 2.03f, amplitude *= 0.5f)
            sum += amplitude * Smooth(x, y);
        return sum;
    }

private:
    static constexpr int kSide = 64;
    float Lattice(int x, int y) const { return lattice_[(y & (kSide - 1)) * kSide + (x & (kSide - 1))]; }
    float Smooth(float x, float y) const {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        float fx = x - x0, fy = y - y0;
        fx = fx * fx * (3 - 2 * fx), fy = fy * fy * (3 - 2 * fy);
        const float top = Lattice(x0, y0) + fx * (Lattice(x0 + 1, y0) - Lattice(x0, y0));
        const float bottom = Lattice(x0, y0 + 1) + fx * (Lattice(x0 + 1, y0 + 1) - Lattice(x0, y0 + 1));
        return top + fy * (bottom - top);
    }
    float lattice_[kSide * kSide];
};

int Clamp(float v) { return std::clamp(static_cast<int>(v), 0, 255); }

// A landscape with sky, hills and foliage, with a camera's grain.
void Photo(QImage& image, const QRect& area, std::uint32_t seed) {
    const Noise noise(seed);
    Random grain{seed ^ 0x9E3779B9u};
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const float v = static_cast<float>(y - area.top()) / area.height();
        for (int x = area.left(); x <= area.right(); ++x) {
            const float u = static_cast<float>(x - area.left()) / area.width();
            const float n = noise.At(u * 6, v * 4);
            const float horizon = 0.45f + 0.12f * std::sin(u * 7 + seed % 5) + 0.15f * (n - 0.5f);
            const int g = grain.Below(3) - 1;  // the faint noise a decoded photo keeps
            float r, gr, b;
            if (v < horizon) {  // sky with clouds
                const float cloud = std::max(0.0f, noise.At(u * 3 + 10, v * 8) - 0.45f) * 2.5f;
                r = 90 + 80 * v + 150 * cloud, gr = 150 + 60 * v + 100 * cloud, b = 230 - 20 * v + 25 * cloud;
            } else {  // hills and foliage
                const float leaf = noise.At(u * 40, v * 30);
                r = 40 + 90 * leaf, gr = 80 + 110 * leaf * (1.2f - v), b = 30 + 40 * leaf;
            }
            row[x] = qRgb(Clamp(r + g), Clamp(gr + g), Clamp(b + g));
        }
    }
}

const char* const kWords[] = {"capture", "screen", "window", "picture", "the", "of", "a", "file", "saved",
                              "format", "quality", "colour", "press", "key", "panel", "folder", "and", "with",
                              "range", "scale", "is", "to", "from", "time", "counter", "name", "each"};

std::string Sentence(Random& r, int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
        if (i) s += ' ';
        s += kWords[r.Below(static_cast<int>(std::size(kWords)))];
    }
    s[0] = static_cast<char>(std::toupper(s[0]));
    return s + '.';
}

void WindowFrame(QPainter& p, const QRect& r, const QString& title, double k, QColor accent) {
    p.fillRect(r.translated(static_cast<int>(6 * k), static_cast<int>(6 * k)), QColor(0, 0, 0, 60));  // shadow
    p.fillRect(r, QColor(250, 250, 250));
    const QRect bar(r.left(), r.top(), r.width(), static_cast<int>(32 * k));
    p.fillRect(bar, accent);
    p.setPen(Qt::white);
    p.setFont(QFont("DejaVu Sans", static_cast<int>(10 * k)));
    p.drawText(bar.adjusted(static_cast<int>(12 * k), 0, 0, 0), Qt::AlignVCenter, title);
    for (int i = 0; i < 3; ++i)  // minimise, maximise, close
        p.fillRect(QRect(bar.right() - static_cast<int>((40 + 40 * i) * k), bar.top() + static_cast<int>(10 * k),
                         static_cast<int>(14 * k), static_cast<int>(12 * k)),
                   i == 0 ? QColor(232, 17, 35) : QColor(255, 255, 255, 200));
    p.setPen(QColor(200, 200, 200));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void Editor(QPainter& p, const QRect& r, double k) {
    WindowFrame(p, r, "capture_now.cpp - editor", k, QColor(45, 45, 48));
    const QRect body = r.adjusted(0, static_cast<int>(32 * k), 0, 0);
    p.fillRect(body, QColor(30, 30, 30));
    p.fillRect(QRect(body.left(), body.top(), static_cast<int>(56 * k), body.height()), QColor(37, 37, 38));
    p.setFont(QFont("DejaVu Sans Mono", static_cast<int>(10 * k)));
    Random random{7};
    const QColor colours[] = {QColor(86, 156, 214), QColor(206, 145, 120), QColor(212, 212, 212),
                              QColor(106, 153, 85), QColor(197, 134, 192), QColor(78, 201, 176)};
    const int line = static_cast<int>(19 * k);
    for (int i = 0, y = body.top() + line; y < body.bottom(); ++i, y += line) {
        p.setPen(QColor(133, 133, 133));
        p.drawText(body.left() + static_cast<int>(8 * k), y, QString::number(i + 1));
        int x = body.left() + static_cast<int>((70 + 28 * random.Below(4)) * k);
        for (int t = random.Below(6) + 1; t > 0 && x < body.right() - 200 * k; --t) {
            const QString token = QString::fromStdString(kWords[random.Below(static_cast<int>(std::size(kWords)))]) +
                                  (random.Below(3) == 0 ? "(" : random.Below(2) ? " =" : ";");
            p.setPen(colours[random.Below(6)]);
            p.drawText(x, y, token);
            x += p.fontMetrics().horizontalAdvance(token + " ");
        }
    }
}

void WebPage(QPainter& p, const QRect& r, double k) {
    WindowFrame(p, r, "Screen capture tips - browser", k, QColor(0, 120, 215));
    int y = r.top() + static_cast<int>(32 * k);
    p.fillRect(QRect(r.left(), y, r.width(), static_cast<int>(40 * k)), QColor(240, 240, 240));  // address bar
    p.fillRect(QRect(r.left() + static_cast<int>(90 * k), y + static_cast<int>(8 * k),
                     r.width() - static_cast<int>(120 * k), static_cast<int>(24 * k)),
               Qt::white);
    y += static_cast<int>(60 * k);
    const int left = r.left() + static_cast<int>(40 * k), width = r.width() - static_cast<int>(80 * k);
    p.setPen(QColor(20, 20, 20));
    p.setFont(QFont("DejaVu Sans", static_cast<int>(20 * k), QFont::Bold));
    p.drawText(left, y + static_cast<int>(24 * k), "Taking better screenshots");
    y += static_cast<int>(50 * k);
    QImage photo(width, static_cast<int>(260 * k), QImage::Format_RGB32);
    Photo(photo, photo.rect(), 99);
    p.drawImage(left, y, photo);
    y += photo.height() + static_cast<int>(24 * k);
    p.setFont(QFont("DejaVu Sans", static_cast<int>(11 * k)));
    p.setPen(QColor(50, 50, 50));
    Random words{3};
    for (; y < r.bottom() - 40 * k; y += static_cast<int>(22 * k))
        p.drawText(QRect(left, y, width, static_cast<int>(22 * k)), Qt::AlignLeft,
                   QString::fromStdString(Sentence(words, 9 + words.Below(5))));
}

void Dialog(QPainter& p, const QRect& r, double k) {
    WindowFrame(p, r, "Settings", k, QColor(104, 33, 122));
    QLinearGradient header(r.topLeft(), r.topRight());
    header.setColorAt(0, QColor(255, 200, 120));
    header.setColorAt(1, QColor(255, 120, 160));
    const QRect band(r.left(), r.top() + static_cast<int>(32 * k), r.width(), static_cast<int>(70 * k));
    p.fillRect(band, header);
    p.setFont(QFont("DejaVu Sans", static_cast<int>(10 * k)));
    const char* const labels[] = {"Format", "Quality", "Folder", "Name"};
    for (int i = 0; i < 4; ++i) {
        const int y = band.bottom() + static_cast<int>((24 + 44 * i) * k);
        p.setPen(QColor(30, 30, 30));
        p.drawText(r.left() + static_cast<int>(20 * k), y + static_cast<int>(18 * k), labels[i]);
        const QRect field(r.left() + static_cast<int>(110 * k), y, r.width() - static_cast<int>(140 * k),
                          static_cast<int>(26 * k));
        p.fillRect(field, Qt::white);
        p.setPen(QColor(160, 160, 160));
        p.drawRect(field);
    }
    QPainterPath button;
    button.addRoundedRect(QRectF(r.right() - 120 * k, r.bottom() - 50 * k, 100 * k, 32 * k), 6 * k, 6 * k);
    p.fillPath(button, QColor(0, 120, 215));
    p.setPen(Qt::white);
    p.drawText(button.boundingRect(), Qt::AlignCenter, "OK");
}

void TaskBar(QPainter& p, int width, int height, double k) {
    const QRect bar(0, height - static_cast<int>(40 * k), width, static_cast<int>(40 * k));
    p.fillRect(bar, QColor(32, 32, 32, 235));
    for (int i = 0; i < 8; ++i) {
        QPainterPath icon;
        icon.addRoundedRect(QRectF((12 + 48 * i) * k, bar.top() + 6 * k, 28 * k, 28 * k), 5 * k, 5 * k);
        p.fillPath(icon, QColor::fromHsv(i * 45, 160, 230));
    }
    p.setPen(Qt::white);
    p.setFont(QFont("DejaVu Sans", static_cast<int>(9 * k)));
    p.drawText(bar.adjusted(0, 0, -static_cast<int>(16 * k), 0), Qt::AlignRight | Qt::AlignVCenter, "10:28");
}

}  // namespace

Picture DesktopScene(int width, int height) {
    const double k = width / 1920.0;
    QImage image(width, height, QImage::Format_RGB32);
    Photo(image, image.rect(), 42);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        auto at = [k](int x, int y, int w, int h) {
            return QRect(static_cast<int>(x * k), static_cast<int>(y * k), static_cast<int>(w * k),
                         static_cast<int>(h * k));
        };
        Editor(p, at(40, 40, 900, 760), k);
        WebPage(p, at(700, 120, 1000, 860), k);
        Dialog(p, at(1380, 560, 460, 360), k);
        TaskBar(p, width, height, k);
    }
    Picture picture = Picture::Filled(width, height, 0);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::copy(row, row + width, picture.row(y));
    }
    return picture;
}

}  // namespace dudo::bench
