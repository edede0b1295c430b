// Cloud particles: all four corners of a particle arrive at its centre; the corner's texture
// coordinate spreads them into a square facing the camera. gl_Normal.x is the particle's size
// and gl_Normal.y its brightness. Two pulsing point lights tint it.
#version 120

uniform vec3 cameraUp;    // half the camera's up axis
uniform vec3 cameraRight; // half the camera's right axis
uniform vec3 lpos0;
uniform vec3 lcol0;
uniform vec3 lpos1;
uniform vec3 lcol1;
uniform float alpha;

varying vec2 corner;
varying vec4 tint;

vec3 lightFrom(vec3 position, vec3 colour, vec3 centre) {
    vec3 d = position - centre;
    return colour / (1.0 + 0.12 * dot(d, d));
}

void main() {
    vec2 spread = gl_MultiTexCoord0.xy * 2.0 - 1.0;
    float size = gl_Normal.x;
    vec3 centre = gl_Vertex.xyz;
    vec3 position = centre + (cameraRight * spread.x + cameraUp * spread.y) * size;

    vec3 light = vec3(0.30, 0.32, 0.40) + lightFrom(lpos0, lcol0, centre) + lightFrom(lpos1, lcol1, centre);
    tint = vec4(gl_Normal.y * light, alpha);
    corner = gl_MultiTexCoord0.xy;
    gl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);
}
