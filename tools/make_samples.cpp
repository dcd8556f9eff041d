// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the sample pictures shipped in Samples/. Run once; the output is committed.
//   build/make_samples Samples
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <random>

namespace {

// Film-like grain, so the adjustments have texture to work on.
void addGrain(QImage &image, int amount, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, amount);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(noise(random));
            auto c = [&](int v) { return std::clamp(v + n, 0, 255); };
            line[x] = qRgb(c(qRed(line[x])), c(qGreen(line[x])), c(qBlue(line[x])));
        }
    }
}

QImage harbourAtDusk()
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor(32, 40, 92));
    sky.setColorAt(0.55, QColor(214, 110, 82));
    sky.setColorAt(1, QColor(252, 196, 120));
    p.fillRect(0, 0, 1600, 700, sky);
    QRadialGradient sun(1080, 640, 130);
    sun.setColorAt(0, QColor(255, 244, 200));
    sun.setColorAt(0.4, QColor(255, 214, 140, 220));
    sun.setColorAt(1, QColor(255, 180, 120, 0));
    p.setBrush(sun);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(1080, 640), 260, 260);
    QPainterPath hills;
    hills.moveTo(0, 700);
    for (int x = 0; x <= 1600; x += 20)
        hills.lineTo(x, 600 + 50 * std::sin(x / 180.0) + 30 * std::sin(x / 47.0));
    hills.lineTo(1600, 700);
    p.fillPath(hills, QColor(48, 38, 60));
    QLinearGradient water(0, 700, 0, 1200);
    water.setColorAt(0, QColor(160, 96, 90));
    water.setColorAt(1, QColor(20, 24, 48));
    p.fillRect(0, 700, 1600, 500, water);
    p.setPen(QPen(QColor(255, 226, 170, 160), 3));
    for (int i = 0; i < 40; ++i) {
        const int y = 710 + i * 12;
        const int half = 220 - i * 4;
        p.drawLine(1080 - half + (i * 37) % 60, y, 1080 + half - (i * 53) % 70, y);
    }
    p.setBrush(QColor(24, 20, 30));
    p.setPen(Qt::NoPen);
    p.drawRect(300, 640, 26, 260);
    QPolygonF hull{{180, 860}, {520, 860}, {470, 930}, {230, 930}};
    p.drawPolygon(hull);
    p.end();
    addGrain(image, 6, 1);
    return image;
}

QImage testChart()
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue, Qt::black};
    for (int i = 0; i < 8; ++i)
        p.fillRect(i * 80, 0, 80, 200, bars[i]);
    for (int x = 0; x < 640; ++x) {
        const int v = x * 255 / 639;
        p.setPen(QColor(v, v, v));
        p.drawLine(x, 200, x, 280);
    }
    p.setPen(Qt::black);
    for (int x = 0; x < 320; x += 2)
        p.drawLine(x, 290, x, 380);
    for (int y = 290; y < 380; y += 2)
        p.drawLine(330, y, 640, y);
    for (int i = 0; i < 16; ++i) {
        const int v = i * 17;
        p.fillRect(i * 40, 390, 40, 90, QColor(v, 255 - v, (v * 3) % 256));
    }
    p.end();
    return image;
}

QImage flowers()
{
    QImage image(320, 400, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, 400);
    ground.setColorAt(0, QColor(120, 170, 90));
    ground.setColorAt(1, QColor(40, 80, 30));
    p.fillRect(image.rect(), ground);
    std::mt19937 random(4);
    for (int i = 0; i < 18; ++i) {
        const QPointF centre(20 + random() % 280, 20 + random() % 360);
        const QColor petal = QColor::fromHsv(int(random() % 60 + (i % 2 ? 300 : 0)) % 360, 180, 240);
        QRadialGradient g(centre, 30);
        g.setColorAt(0, QColor(250, 230, 90));
        g.setColorAt(0.3, petal);
        g.setColorAt(1, petal.darker(160));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawEllipse(centre, 26, 26);
    }
    p.end();
    addGrain(image, 4, 2);
    return image;
}

QImage checker()
{
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool dark = ((x / 32) + (y / 32)) % 2;
            image.setPixel(x, y, dark ? qRgb(40, 60, 140) : qRgb(230, 200, 60));
        }
    return image;
}

QImage tiny()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 255, 0));
    image.setPixel(0, 1, qRgb(0, 0, 255));
    image.setPixel(1, 1, qRgb(128, 128, 128));
    return image;
}

// Qt reads GIF but cannot write it. A GIF whose LZW stream sends a clear code before the code
// table would grow past 9 bits is valid and simple: every pixel is a literal code.
bool saveGif(const QImage &source, const QString &path)
{
    const QImage image = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray out("GIF89a");
    auto put16 = [&](int v) { out.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    put16(image.width());
    put16(image.height());
    out.append(char(0xf7)).append('\0').append('\0'); // global table of 256 colours
    QVector<QRgb> table = image.colorTable();
    table.resize(256);
    for (QRgb c : table)
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    out.append(',');
    put16(0);
    put16(0);
    put16(image.width());
    put16(image.height());
    out.append('\0').append(char(8));
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            codes.append(char(bits & 0xff));
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    putCode(256);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 254) {
                putCode(256);
                sinceClear = 0;
            }
            putCode(image.constScanLine(y)[x]);
            ++sinceClear;
        }
    putCode(257);
    if (count > 0)
        codes.append(char(bits & 0xff));
    for (int i = 0; i < codes.size(); i += 255) {
        const QByteArray block = codes.mid(i, 255);
        out.append(char(block.size())).append(block);
    }
    out.append('\0').append(';');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Samples");
    QDir().mkpath(out);
    bool ok = true;
    ok &= harbourAtDusk().save(out + QStringLiteral("/Harbour at dusk.jpg"), "jpeg", 88);
    ok &= testChart().save(out + QStringLiteral("/Test chart.png"), "png");
    ok &= flowers().save(out + QStringLiteral("/Flowers.bmp"), "bmp");
    ok &= saveGif(checker(), out + QStringLiteral("/Checker.gif"));
    ok &= tiny().save(out + QStringLiteral("/Tiny 2x2.png"), "png");
    return ok ? 0 : 1;
}
