#version 120
// The colour as given: the beams add up their light.
void main() {
    gl_FragColor = gl_Color;
}
