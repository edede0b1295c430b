#version 120
// Brushed steel under a sky and a key light from the upper front, with a cold rim.
uniform mat4 camera;
varying vec3 normalWorld;
varying vec3 positionWorld;

void main() {
    vec3 n = normalize(normalWorld);
    vec3 toEye = normalize(camera[3].xyz - positionWorld);
    vec3 key = normalize(vec3(0.45, 0.8, 0.55));
    float sky = 0.5 + 0.5 * n.y;
    vec3 ambient = mix(vec3(0.16, 0.14, 0.12), vec3(0.35, 0.42, 0.55), sky);
    float diffuse = max(dot(n, key), 0.0);
    float specular = pow(max(dot(n, normalize(key + toEye)), 0.0), 40.0);
    float rim = pow(1.0 - max(dot(n, toEye), 0.0), 3.0);
    vec3 steel = vec3(0.72, 0.75, 0.8);
    vec3 colour = steel * (ambient + 0.85 * diffuse) + 0.6 * specular + rim * vec3(0.25, 0.45, 0.8);
    gl_FragColor = vec4(colour * gl_Color.rgb, 1.0);
}
