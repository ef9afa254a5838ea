#include "sheet/EdgeLabelsGL.h"

#include "view3d/GLText.h"

#include <GL/gl.h>

namespace tsm {

void DrawEdgeLabelsGL(const std::vector<EdgeLabel>& labels, unsigned fontListBase) {
    if (fontListBase == 0) return;
    constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;
    glColor4f(0.38f, 0.38f, 0.38f, 1);
    glBegin(GL_LINES);
    for (const EdgeLabel& label : labels)
        if (label.spot == EdgeLabelSpot::Leader) {
            glVertex2d(label.leaderStartMM.x, label.leaderStartMM.y);
            glVertex2d(label.leaderEndMM.x, label.leaderEndMM.y);
        }
    glEnd();
    glColor4f(0, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    for (const EdgeLabel& label : labels) {
        glPushMatrix();
        glTranslated(label.centreMM.x, label.centreMM.y, 0);
        glRotated(label.angle * kDegreesPerRadian, 0, 0, 1);
        // The glyphs' upward y is the sheet's downward one; the baseline half a cap height below the middle.
        glScaled(label.sizeMM, -label.sizeMM, label.sizeMM);
        glTranslated(0, -kLabelCapHeightEm / 2, 0);
        DrawGLText(label.text, fontListBase);
        glPopMatrix();
    }
}

} // namespace tsm
