#include "plugin/render/mesh/gl_vertex_sink.h"

#include <epoxy/gl.h>

namespace zel {

void GLVertexSink::bindTexture2D(int unit, unsigned int texture)
{
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void GLVertexSink::pushMatrix() { glPushMatrix(); }

void GLVertexSink::popMatrix() { glPopMatrix(); }

void GLVertexSink::translate(double x, double y, double z) { glTranslated(x, y, z); }

void GLVertexSink::rotate(double degrees, double x, double y, double z) { glRotated(degrees, x, y, z); }

void GLVertexSink::scale(double x, double y, double z) { glScaled(x, y, z); }

void GLVertexSink::frontFaceClockwise() { glFrontFace(GL_CW); }

void GLVertexSink::begin(Primitive primitive)
{
    switch (primitive) {
    case Primitive::TriangleStrip: glBegin(GL_TRIANGLE_STRIP); break;
    case Primitive::QuadStrip: glBegin(GL_QUAD_STRIP); break;
    case Primitive::Points: glBegin(GL_POINTS); break;
    }
}

void GLVertexSink::end() { glEnd(); }

void GLVertexSink::normal(double x, double y, double z) { glNormal3d(x, y, z); }

void GLVertexSink::texCoord0(double s, double t, double r) { glMultiTexCoord3d(GL_TEXTURE0, s, t, r); }

void GLVertexSink::texCoord1(double s, double t, double r) { glMultiTexCoord3d(GL_TEXTURE1, s, t, r); }

void GLVertexSink::color(double r, double g, double b, double a) { glColor4d(r, g, b, a); }

void GLVertexSink::vertex(double x, double y, double z) { glVertex3d(x, y, z); }

}  // namespace zel
