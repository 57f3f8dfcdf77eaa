#include "preview_canvas.h"

#include <algorithm>
#include <cmath>

#include "png_writer.h"

PreviewCanvas::PreviewCanvas(int width, int height, Rgb background)
    : width_(width), height_(height), rgb_(size_t(width) * height * 3)
{
    for (size_t i = 0; i < rgb_.size(); i += 3) {
        rgb_[i] = toByte(background.r);
        rgb_[i + 1] = toByte(background.g);
        rgb_[i + 2] = toByte(background.b);
    }
}

void PreviewCanvas::set(int x, int y, Rgb c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const size_t i = (size_t(y) * width_ + x) * 3;
    rgb_[i] = toByte(c.r);
    rgb_[i + 1] = toByte(c.g);
    rgb_[i + 2] = toByte(c.b);
}

void PreviewCanvas::fillTriangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb c)
{
    const int minX = std::max(0, int(std::floor(std::min({x0, x1, x2}))));
    const int maxX = std::min(width_ - 1, int(std::ceil(std::max({x0, x1, x2}))));
    const int minY = std::max(0, int(std::floor(std::min({y0, y1, y2}))));
    const int maxY = std::min(height_ - 1, int(std::ceil(std::max({y0, y1, y2}))));
    const double area = (x1 - x0) * (y2 - y0) - (y1 - y0) * (x2 - x0);
    if (std::abs(area) < 1e-12) return;
    for (int y = minY; y <= maxY; ++y)
        for (int x = minX; x <= maxX; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double w0 = ((x1 - px) * (y2 - py) - (y1 - py) * (x2 - px)) / area;
            const double w1 = ((x2 - px) * (y0 - py) - (y2 - py) * (x0 - px)) / area;
            const double w2 = 1.0 - w0 - w1;
            if (w0 >= 0 && w1 >= 0 && w2 >= 0) set(x, y, c);
        }
}

void PreviewCanvas::fillDisc(double cx, double cy, double radius, Rgb c)
{
    const double r = std::max(radius, 0.5);
    for (int y = int(std::floor(cy - r)); y <= int(std::ceil(cy + r)); ++y)
        for (int x = int(std::floor(cx - r)); x <= int(std::ceil(cx + r)); ++x)
            if ((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= r * r) set(x, y, c);
}

void PreviewCanvas::fillCapsule(double x0, double y0, double r0, double x1, double y1, double r1, Rgb c)
{
    r0 = std::max(r0, 0.6);
    r1 = std::max(r1, 0.6);
    const double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    if (len > 1e-9) {
        const double nx = -dy / len, ny = dx / len;
        fillTriangle(x0 + nx * r0, y0 + ny * r0, x1 + nx * r1, y1 + ny * r1, x1 - nx * r1, y1 - ny * r1, c);
        fillTriangle(x0 + nx * r0, y0 + ny * r0, x1 - nx * r1, y1 - ny * r1, x0 - nx * r0, y0 - ny * r0, c);
    }
    fillDisc(x0, y0, r0, c);
    fillDisc(x1, y1, r1, c);
}

void PreviewCanvas::drawLine(double x0, double y0, double x1, double y1, Rgb c)
{
    const int steps = std::max(1, int(std::ceil(std::max(std::abs(x1 - x0), std::abs(y1 - y0)))));
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        set(int(std::floor(x0 + t * (x1 - x0))), int(std::floor(y0 + t * (y1 - y0))), c);
    }
}

bool PreviewCanvas::save(const std::string& path) const { return writePng(path, width_, height_, rgb_); }
