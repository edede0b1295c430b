#version 120
// Up to six point lights ("lpos", "lcol"; unused ones are black) on the material colour, which
// arrives as the vertex colour. "lightBoost" brightens the boxes; "spaceAmount" sinks the scene
// into a dark blue void with a pale rim.
uniform vec3 lpos[6];
uniform vec3 lcol[6];
uniform float lightBoost;
uniform float spaceAmount;
varying vec3 normalWorld;
varying vec3 positionWorld;

void main() {
    vec3 n = normalize(normalWorld);
    vec3 light = vec3(0.07, 0.07, 0.09);
    for (int i = 0; i < 6; ++i) {
        vec3 d = lpos[i] - positionWorld;
        float distance2 = max(dot(d, d), 1e-4);
        float lambert = max(dot(n, d * inversesqrt(distance2)), 0.0);
        light += lcol[i] * lambert * (4.0 / (1.0 + 0.1 * distance2));
    }
    vec3 colour = gl_Color.rgb * light * lightBoost;
    float rim = pow(1.0 - abs(n.y), 4.0);
    vec3 space = colour * vec3(0.25, 0.3, 0.55) + rim * vec3(0.12, 0.16, 0.3);
    gl_FragColor = vec4(mix(colour, space, clamp(spaceAmount, 0.0, 1.0)), gl_Color.a);
}
