#version 120
// Lit skin with bands that show the ball's turn; spike tips glow in the beat colour.
varying vec3 normalEye;
varying vec3 toEye;
varying float spike;
varying vec2 uv;

void main() {
    vec3 n = normalize(normalEye);
    vec3 light = normalize(vec3(0.4, 0.8, 0.6));
    float diffuse = max(dot(n, light), 0.0);
    float shine = pow(max(dot(n, normalize(light + normalize(toEye))), 0.0), 24.0);
    float band = 0.8 + 0.2 * step(0.5, fract(uv.y * 12.0));
    vec3 skin = gl_Color.rgb * band * (0.3 + 0.7 * diffuse) + vec3(0.4 * shine);
    vec3 tip = min(gl_Color.rgb * 1.8 + vec3(0.2), vec3(1.0));
    gl_FragColor = vec4(mix(skin, tip, spike * spike), 1.0);
}
