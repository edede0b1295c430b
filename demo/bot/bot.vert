#version 120
// The robot's parts, lit in world space: "camera" is the camera's frame, which takes eye space
// back to the world.
uniform mat4 camera;
varying vec3 normalWorld;
varying vec3 positionWorld;

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    normalWorld = mat3(camera) * (gl_NormalMatrix * gl_Normal);
    positionWorld = (camera * eye).xyz;
    gl_FrontColor = gl_Color;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_ProjectionMatrix * eye;
}
