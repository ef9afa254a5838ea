// Outline text for OpenGL: each character code becomes a display list holding the glyph as a flat front
// face, a back face 0.3 units behind it and the side walls between them, followed by the advance to the
// next character. One em is one unit. Glyph outlines come from Qt and are tessellated with GLU.
#include "view3d/GLText.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace tsm {

namespace {

// Outlines are flattened at this size (Qt flattens curves to about half a pixel) and then scaled down.
constexpr double kEmPixels = 512.0;
constexpr double kExtrusion = 0.3;
constexpr int kCodes = 256;
// Code 255 stays an empty list: the glyphs are built for codes 0 to 254.
constexpr int kLastBuiltCode = 254;

GlyphMetrics g_metrics[kCodes];

// Strings are Windows-1252 bytes. It differs from Latin-1 only in 0x80..0x9F; the five bytes it leaves
// undefined (0 here) get no glyph, like the control codes.
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t UnicodeForCode(int code) {
    if (code < 0x20 || code == 0x7F) return 0;
    if (code >= 0x80 && code < 0xA0) return kCp1252High[code - 0x80];
    return static_cast<char16_t>(code);
}

struct Point {
    double x = 0, y = 0;
};
using Contour = std::vector<Point>;

struct Glyph {
    std::vector<Contour> contours; // em units, y up, not closed
    GlyphMetrics metrics;
};

struct GlyphSet {
    Glyph glyphs[kCodes];
    bool hasOutlines = false; // false when no font gave a single digit
};

double SignedArea(const Contour& contour) {
    double area = 0;
    for (size_t i = 0, n = contour.size(); i < n; ++i) {
        const Point& a = contour[i];
        const Point& b = contour[(i + 1) % n];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

bool Contains(const Contour& contour, const Point& p) {
    bool inside = false;
    for (size_t i = 0, n = contour.size(), j = n - 1; i < n; j = i++) {
        const Point& a = contour[i];
        const Point& b = contour[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

Glyph LoadGlyph(const QFont& font, const QFontMetricsF& fontMetrics, char16_t unicode) {
    Glyph glyph;
    if (unicode == 0) return glyph;
    const QString text(QChar{unicode});
    QPainterPath path;
    path.addText(0, 0, font, text);
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        Contour contour;
        for (const QPointF& q : polygon) {
            const Point p{q.x() / kEmPixels, -q.y() / kEmPixels};
            if (!contour.empty() && std::abs(contour.back().x - p.x) < 1e-9 &&
                std::abs(contour.back().y - p.y) < 1e-9)
                continue;
            contour.push_back(p);
        }
        while (contour.size() > 1 && std::abs(contour.front().x - contour.back().x) < 1e-9 &&
               std::abs(contour.front().y - contour.back().y) < 1e-9)
            contour.pop_back();
        if (contour.size() >= 3 && std::abs(SignedArea(contour)) > 1e-12)
            glyph.contours.push_back(std::move(contour));
    }
    GlyphMetrics& m = glyph.metrics;
    if (!glyph.contours.empty()) {
        const QRectF box = path.boundingRect();
        m.blackBoxX = static_cast<float>(box.width() / kEmPixels);
        m.blackBoxY = static_cast<float>(box.height() / kEmPixels);
        m.originX = static_cast<float>(box.left() / kEmPixels);
        m.originY = static_cast<float>(-box.top() / kEmPixels);
    }
    m.cellIncX = static_cast<float>(fontMetrics.horizontalAdvance(text) / kEmPixels);
    m.cellIncY = 0;
    return glyph;
}

// Glyph outlines depend only on the face, so they are read once per face for the whole process.
std::shared_ptr<const GlyphSet> GlyphsForFace(const std::string& faceName) {
    static std::map<std::string, std::shared_ptr<const GlyphSet>> cache;
    const auto found = cache.find(faceName);
    if (found != cache.end()) return found->second;

    auto set = std::make_shared<GlyphSet>();
    QFont font(QString::fromStdString(faceName));
    font.setPixelSize(static_cast<int>(kEmPixels));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    const QFontMetricsF fontMetrics(font);
    for (int code = 0; code <= kLastBuiltCode; ++code)
        set->glyphs[code] = LoadGlyph(font, fontMetrics, UnicodeForCode(code));
    for (int code = '0'; code <= '9'; ++code)
        if (!set->glyphs[code].contours.empty()) set->hasOutlines = true;
    if (set->hasOutlines) cache.emplace(faceName, set);
    return set;
}

struct TessState {
    std::deque<std::array<GLdouble, 3>> combined; // stable addresses for the vertices GLU creates
    bool failed = false;
};

void GLAPIENTRY TessBegin(GLenum mode) {
    glBegin(mode);
}
void GLAPIENTRY TessVertex(void* data) {
    glVertex3dv(static_cast<const GLdouble*>(data));
}
void GLAPIENTRY TessEnd() {
    glEnd();
}
void GLAPIENTRY TessCombine(GLdouble coords[3], void* /*vertexData*/[4], GLfloat /*weight*/[4], void** out,
                            void* polygonData) {
    auto* state = static_cast<TessState*>(polygonData);
    state->combined.push_back({coords[0], coords[1], coords[2]});
    *out = state->combined.back().data();
}
void GLAPIENTRY TessError(GLenum, void* polygonData) {
    static_cast<TessState*>(polygonData)->failed = true;
}

using TessCallback = void(GLAPIENTRY*)();

// One flat face of the glyph at depth z, facing +z or -z; holes follow from the odd winding rule.
bool TessellateFace(GLUtesselator* tess, const std::vector<Contour>& contours, double z, double normalZ) {
    size_t count = 0;
    for (const Contour& contour : contours) count += contour.size();
    std::vector<std::array<GLdouble, 3>> vertices;
    vertices.reserve(count); // GLU keeps pointers into it until the polygon ends
    TessState state;
    gluTessNormal(tess, 0, 0, normalZ);
    glNormal3d(0, 0, normalZ);
    gluTessBeginPolygon(tess, &state);
    for (const Contour& contour : contours) {
        gluTessBeginContour(tess);
        for (const Point& p : contour) {
            vertices.push_back({p.x, p.y, z});
            gluTessVertex(tess, vertices.back().data(), vertices.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    return !state.failed;
}

// The walls between the faces, each facing away from the filled glyph.
void DrawSides(const std::vector<Contour>& contours, double depth) {
    glBegin(GL_QUADS);
    for (size_t c = 0; c < contours.size(); ++c) {
        const Contour& contour = contours[c];
        int nesting = 0;
        for (size_t other = 0; other < contours.size(); ++other)
            if (other != c && Contains(contours[other], contour.front())) ++nesting;
        const bool hole = nesting % 2 == 1;
        // Counter-clockwise (y up) has its inside on the left, so outward is to the right of travel.
        const double sign = (SignedArea(contour) > 0 ? 1.0 : -1.0) * (hole ? -1.0 : 1.0);
        for (size_t i = 0, n = contour.size(); i < n; ++i) {
            const Point& a = contour[i];
            const Point& b = contour[(i + 1) % n];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double length = std::hypot(dx, dy);
            if (length <= 0) continue;
            const double nx = sign * dy / length, ny = -sign * dx / length;
            glNormal3d(nx, ny, 0);
            // a, b, b', a' turns counter-clockwise seen from (-dy, dx); else go the other way round.
            if (nx * -dy + ny * dx > 0) {
                glVertex3d(a.x, a.y, 0);
                glVertex3d(b.x, b.y, 0);
                glVertex3d(b.x, b.y, -depth);
                glVertex3d(a.x, a.y, -depth);
            } else {
                glVertex3d(a.x, a.y, 0);
                glVertex3d(a.x, a.y, -depth);
                glVertex3d(b.x, b.y, -depth);
                glVertex3d(b.x, b.y, 0);
            }
        }
    }
    glEnd();
}

} // namespace

unsigned BuildOutlineFont(const std::string& faceName, IPrompt& prompt) {
    for (GlyphMetrics& m : g_metrics) m = GlyphMetrics{};
    const GLuint base = glGenLists(kCodes);
    if (base == 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        prompt.Message("Font Build Failed");
        return base;
    }
    const std::shared_ptr<const GlyphSet> glyphs = GlyphsForFace(faceName);
    GLUtesselator* tess = gluNewTess();
    if (!glyphs->hasOutlines || !tess) {
        if (tess) gluDeleteTess(tess);
        prompt.Message("Font Build Failed");
        return base;
    }
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(&TessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(&TessVertex));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<TessCallback>(&TessEnd));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&TessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(&TessError));

    bool ok = true;
    for (int code = 0; code <= kLastBuiltCode; ++code) {
        const Glyph& glyph = glyphs->glyphs[code];
        glNewList(base + code, GL_COMPILE);
        if (!glyph.contours.empty()) {
            ok = TessellateFace(tess, glyph.contours, 0.0, 1.0) && ok;
            ok = TessellateFace(tess, glyph.contours, -kExtrusion, -1.0) && ok;
            DrawSides(glyph.contours, kExtrusion);
        }
        glTranslatef(glyph.metrics.cellIncX, glyph.metrics.cellIncY, 0);
        glEndList();
        g_metrics[code] = glyph.metrics;
    }
    gluDeleteTess(tess);
    if (!ok) prompt.Message("Font Build Failed");
    return base;
}

void DeleteOutlineFont(unsigned listBase) {
    if (listBase != 0) glDeleteLists(listBase, kCodes);
}

const GlyphMetrics* OutlineGlyphMetrics() {
    return g_metrics;
}

void DrawGLText(const std::string& text, unsigned listBase) {
    if (text.empty() || listBase == 0) return;
    float width = 0;
    for (unsigned char code : text) width += g_metrics[code].cellIncX;
    glPushMatrix();
    glTranslatef(-width / 2, 0, 0);
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase);
    glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
    glPopAttrib();
    glPopMatrix();
}

} // namespace tsm
