// Polished metal: the environment seen in the mirror direction, brightened on the beat, with a
// little more of it at grazing angles.
#version 120

uniform samplerCube environment;
uniform vec3 cameraPos;
uniform float beat;

varying vec3 worldPosition;
varying vec3 worldNormal;

void main() {
    vec3 normal = normalize(worldNormal);
    vec3 incoming = normalize(worldPosition - cameraPos);
    vec3 mirror = reflect(incoming, normal);
    vec3 seen = textureCube(environment, mirror).rgb;
    float grazing = pow(1.0 - abs(dot(incoming, normal)), 4.0);
    vec3 colour = seen * (1.0 + 0.6 * beat) + vec3(0.25) * grazing;
    gl_FragColor = vec4(colour, gl_Color.a);
}
