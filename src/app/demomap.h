#pragma once

#include <QImage>
#include <QPointF>
#include <QString>

// The map of the demo workspace: a fictional coastal region drawn from a
// height field (sea, shaded hills, contours, woods) with rivers, roads, towns,
// a scale bar and a compass rose.
namespace DemoMap {

constexpr int Width = 1400;   // pixels
constexpr int Height = 900;

// Ground height in metres at a map pixel; below 0 is sea.
double heightAt(double x, double y);

QImage draw();

} // namespace DemoMap
