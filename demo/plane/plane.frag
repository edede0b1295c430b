#version 120
// Grey metal under a sky light from above, both sides lit, fading into the distance.
varying vec3 normalEye;
varying float depth;

void main() {
    vec3 n = normalize(normalEye);
    float sky = abs(dot(n, normalize(vec3(0.3, 0.9, 0.3))));
    vec3 colour = gl_Color.rgb * (0.35 + 1.1 * sky);
    float fade = clamp((depth - 10.0) / 40.0, 0.0, 1.0);
    gl_FragColor = vec4(mix(colour, vec3(0.0), fade), 1.0);
}
