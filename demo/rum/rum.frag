#version 120
// Tiled walls with dark joints, lit by a lamp at the eye; window panels (texture coordinates
// from 10 up) glow with a frame round them.
varying vec3 eyePosition;
varying vec3 normalEye;
varying vec2 uv;

void main() {
    float window = step(9.5, uv.x);
    vec2 cell = fract(uv);
    vec2 edge = min(cell, 1.0 - cell);
    float joint = 1.0 - smoothstep(0.02, 0.06, min(edge.x, edge.y));
    float lamp = abs(dot(normalize(normalEye), normalize(eyePosition)));
    float falloff = 1.0 / (1.0 + 0.08 * dot(eyePosition, eyePosition));
    vec3 wall = gl_Color.rgb * (0.2 + 0.8 * lamp * falloff) * (1.0 - 0.7 * joint);
    vec3 glow = mix(vec3(1.0, 0.95, 0.8), gl_Color.rgb * 0.3, joint);
    gl_FragColor = vec4(mix(wall, glow, window), 1.0);
}
