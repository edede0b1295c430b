#version 120
// The logo's beams draw without this program; it only has to build.
attribute vec4 tangent0_vs;
attribute vec4 tangent1_vs;

void main() {
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
