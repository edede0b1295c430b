#version 120
// The aeroplanes, lit in eye space.
attribute vec4 tangent0_vs;
attribute vec4 tangent1_vs;
varying vec3 normalEye;
varying float depth;

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    normalEye = gl_NormalMatrix * gl_Normal;
    depth = -eye.z;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
