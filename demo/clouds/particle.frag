// Cloud particles: the soft puff of the particle image in the light's tint.
#version 120

uniform sampler2D texture;

varying vec2 corner;
varying vec4 tint;

void main() {
    vec4 puff = texture2D(texture, corner);
    gl_FragColor = vec4(puff.rgb * tint.rgb, puff.a * tint.a);
}
