#version 120
// The scene's meshes in world space ("object2world"), for the lights that follow the paths.
uniform mat4 object2world;
varying vec3 normalWorld;
varying vec3 positionWorld;

void main() {
    positionWorld = (object2world * gl_Vertex).xyz;
    normalWorld = mat3(object2world) * gl_Normal;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
