#version 120
// The room from inside: positions in eye space for the light falloff.
attribute vec4 tangent0_vs;
attribute vec4 tangent1_vs;
varying vec3 eyePosition;
varying vec3 normalEye;
varying vec2 uv;

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePosition = eye.xyz;
    normalEye = gl_NormalMatrix * gl_Normal;
    uv = gl_MultiTexCoord0.xy;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
