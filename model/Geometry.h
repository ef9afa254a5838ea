// Small value types for 3D model positions and 2D development positions.
#pragma once

#include <cmath>
#include <vector>

namespace tsm {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(const Vec3& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator/(const Vec3& a, double s) {
    return {a.x / s, a.y / s, a.z / s};
}
inline bool operator==(const Vec3& a, const Vec3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3& a) {
    return std::sqrt(Dot(a, a));
}
inline double Distance(const Vec3& a, const Vec3& b) {
    return Length(a - b);
}
inline double DistanceSquared(const Vec3& a, const Vec3& b) {
    return Dot(a - b, a - b);
}

// Angle between two vectors in radians; atan2 stays accurate near 0 and pi where acos does not.
inline double AngleBetween(const Vec3& u, const Vec3& v) {
    return std::atan2(Length(Cross(u, v)), Dot(u, v));
}

struct Point2 {
    double x = 0, y = 0;
};

inline Point2 operator+(const Point2& a, const Point2& b) {
    return {a.x + b.x, a.y + b.y};
}
inline Point2 operator-(const Point2& a, const Point2& b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point2 operator*(const Point2& a, double s) {
    return {a.x * s, a.y * s};
}
inline bool operator==(const Point2& a, const Point2& b) {
    return a.x == b.x && a.y == b.y;
}
inline double Length(const Point2& a) {
    return std::hypot(a.x, a.y);
}

// Twice the shoelace sum halved: positive for a counter-clockwise ring.
inline double SignedArea(const std::vector<Point2>& polygon) {
    double twice = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point2 &a = polygon[i], &b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - a.y * b.x;
    }
    return twice / 2;
}

// Even-odd rule; a point on the ring itself may fall either way.
inline bool PointInPolygon(const Point2& p, const std::vector<Point2>& polygon) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point2 &a = polygon[i], &b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// Counter-clockwise rotation by theta radians.
inline Point2 Rotate(const Point2& p, double theta) {
    const double c = std::cos(theta), s = std::sin(theta);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

// Heron's formula; a negative radicand (rounding on a degenerate triangle) counts as zero area.
inline double HeronArea(double a, double b, double c) {
    const double s = (a + b + c) / 2;
    const double t = s * (s - a) * (s - b) * (s - c);
    return t < 0 ? 0.0 : std::sqrt(t);
}

} // namespace tsm
