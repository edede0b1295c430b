// Polished metal: hands the surface's world position and normal to the fragment stage, which
// reflects the environment in it.
#version 120

uniform mat4 object2world;

varying vec3 worldPosition;
varying vec3 worldNormal;

void main() {
    worldPosition = (object2world * gl_Vertex).xyz;
    worldNormal = mat3(object2world) * gl_Normal;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
