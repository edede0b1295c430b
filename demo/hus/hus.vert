#version 120
// The tube, lit in eye space; the texture coordinate runs along the planks.
attribute vec4 tangent0_vs;
attribute vec4 tangent1_vs;
varying vec3 normalEye;
varying float depth;
varying vec2 uv;

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    normalEye = gl_NormalMatrix * gl_Normal;
    depth = -eye.z;
    uv = gl_MultiTexCoord0.xy;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
