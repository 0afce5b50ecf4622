#pragma once
// Screen geometry of the launcher in pixels, as the system measures it: a rectangle holds
// its left and top edges and excludes its right and bottom ones.
#include <algorithm>

namespace tavolen::launcher {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
  bool operator!=(const Point& o) const { return !(*this == o); }
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static Rect At(Point corner, Size size) {
    return Rect{corner.x, corner.y, corner.x + size.width, corner.y + size.height};
  }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  Size Extent() const { return Size{Width(), Height()}; }
  Point Corner() const { return Point{left, top}; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool Intersects(const Rect& o) const {
    return !Empty() && !o.Empty() && std::max(left, o.left) < std::min(right, o.right) &&
           std::max(top, o.top) < std::min(bottom, o.bottom);
  }
  Rect MovedTo(Point corner) const { return At(corner, Extent()); }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

}  // namespace tavolen::launcher
