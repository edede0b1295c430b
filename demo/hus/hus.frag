#version 120
// Painted planks with a faint grain, a low sun from the side and haze with distance.
varying vec3 normalEye;
varying float depth;
varying vec2 uv;

void main() {
    vec3 n = normalize(normalEye);
    float sun = max(dot(n, normalize(vec3(-0.5, 0.7, 0.5))), 0.0);
    float grain = 0.92 + 0.08 * sin(uv.x * 40.0 + sin(uv.x * 7.0) * 2.0);
    vec3 colour = gl_Color.rgb * grain * (0.25 + 0.75 * sun);
    float haze = clamp((depth - 4.0) / 20.0, 0.0, 0.6);
    gl_FragColor = vec4(mix(colour, vec3(0.55, 0.6, 0.7), haze), 1.0);
}
