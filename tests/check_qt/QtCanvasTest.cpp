// The canvas drawn by Qt: the same operations the scripted desktop records land as pixels of
// the expected colours, 0xBBGGRR converted in one place.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "QtCanvas.h"
#include "desktop/scripted/RecordingCanvas.h"

namespace {

// What both canvases are given.
void draw(k7check::Canvas& canvas) {
    canvas.fillRect(0, 0, 100, 60, k7check::kWhite);
    canvas.fillRect(10, 10, 20, 20, 0x336699);  // B=0x33 G=0x66 R=0x99
    canvas.setPen(k7check::kRed, 1);
    canvas.line({0, 40}, {99, 40});
    canvas.setPen(k7check::kGreen, 3);
    canvas.line({50, 0}, {50, 30});
    const k7check::Point points[] = {{60, 50}, {70, 50}, {70, 55}};
    canvas.setPen(k7check::kBlue, 1);
    canvas.polyline(points, 3);
}

QRgb pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

TEST(QtCanvas, DrawsTheRecordedOperationsWithTheirColours) {
    k7check::RecordingCanvas recorded;
    draw(recorded);
    ASSERT_EQ(recorded.ops().size(), 6u);
    EXPECT_EQ(recorded.lines(k7check::kGreen, 3).size(), 1u);
    EXPECT_EQ(recorded.lines(k7check::kBlue, 1).size(), 2u);

    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        k7qt::QtCanvas canvas(painter);
        draw(canvas);
    }
    EXPECT_EQ(pixel(image, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(pixel(image, 15, 15), 0x996633u);  // Qt's 0xRRGGBB of 0xBBGGRR 0x336699
    EXPECT_EQ(pixel(image, 20, 20), 0xFFFFFFu);  // right and bottom edges are outside
    EXPECT_EQ(pixel(image, 30, 40), 0xFF0000u);  // red line
    EXPECT_EQ(pixel(image, 30, 41), 0xFFFFFFu);  // one pixel wide
    EXPECT_EQ(pixel(image, 49, 20), 0x00FF00u);  // three pixels wide: 49..51
    EXPECT_EQ(pixel(image, 51, 20), 0x00FF00u);
    EXPECT_EQ(pixel(image, 53, 20), 0xFFFFFFu);
    EXPECT_EQ(pixel(image, 65, 50), 0x0000FFu);  // the polyline's segments
    EXPECT_EQ(pixel(image, 70, 53), 0x0000FFu);
    EXPECT_EQ(k7qt::qtColour(0x0000FF), QColor(255, 0, 0));
}

}  // namespace
