#include "view3d/OrientationGuide.h"

#include <GL/gl.h>

namespace tsm {

namespace {

// A square covering the guide cube's side where coordinate `axis` (0 x, 1 y, 2 z) equals `at`.
void Square(int axis, double at, float r, float g, float b) {
    glColor4f(r, g, b, 0.5f);
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
        double p[3];
        p[axis] = at;
        p[(axis + 1) % 3] = c[0];
        p[(axis + 2) % 3] = c[1];
        glVertex3dv(p);
    }
    glEnd();
}

// The arrow out of the cube's +Z side and the cross on that side.
void Arrow(bool turned) {
    glPushMatrix();
    if (turned) glRotated(90, 1, 0, 0);
    glColor3f(1, 0, 0);
    glLineWidth(1);
    glBegin(GL_POLYGON);
    glVertex3d(-0.1, 0, 1);
    glVertex3d(-0.1, 0, 1.21);
    glVertex3d(0.1, 0, 1.21);
    glVertex3d(0.1, 0, 1);
    glEnd();
    glBegin(GL_POLYGON);
    glVertex3d(-0.25, 0, 1.2);
    glVertex3d(0, 0, 1.5);
    glVertex3d(0.25, 0, 1.2);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(-1, 0, 1);
    glVertex3d(1, 0, 1);
    glVertex3d(0, -1, 1);
    glVertex3d(0, 1, 1);
    glEnd();
    glPopMatrix();
}

} // namespace

void DrawOrientationGuide(const Mesh& model, int guideMode) {
    if (guideMode < 1 || guideMode > 3) return;
    // In the modelview matrix, which the frame keeps identity: the projection holds the camera.
    GLint matrixMode = GL_PROJECTION;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glDisable(GL_CULL_FACE);
    glTranslated(model.center.x, model.center.y, model.center.z);
    const double half = model.size / 2;
    glScaled(half, half, half);
    if (guideMode == 1 || guideMode == 2) {
        Arrow(guideMode == 2);
        glEnable(GL_BLEND);
        Square(0, 1, 1, 0, 0);
        Square(0, -1, 0, 1, 0);
        Square(1, 1, 0, 0, 1);
        if (guideMode == 1) {
            Square(1, -1, 1, 1, 0);
            Square(2, -1, 1, 0, 1);
        }
    } else {
        glEnable(GL_BLEND);
        Square(0, 0, 1, 1, 0);
    }
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
}

} // namespace tsm
