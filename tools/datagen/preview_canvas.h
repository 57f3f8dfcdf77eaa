// Small RGB canvas for the generator's preview images.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "colour.h"

class PreviewCanvas {
public:
    PreviewCanvas(int width, int height, Rgb background);

    void fillTriangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb colour);
    // A segment drawn as a tapered band with round ends, radii in pixels.
    void fillCapsule(double x0, double y0, double r0, double x1, double y1, double r1, Rgb colour);
    void drawLine(double x0, double y0, double x1, double y1, Rgb colour);
    void fillDisc(double x, double y, double radius, Rgb colour);
    void set(int x, int y, Rgb colour);

    bool save(const std::string& path) const;
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    std::vector<uint8_t> rgb_;
};
