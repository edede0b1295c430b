#version 120
// The ball grows a spike wherever its surface faces one of the ten attractor points.
uniform vec3 attract[10]; // world space
uniform mat4 world2obj;   // world to the ball's own space
attribute vec4 tangent0_vs;
attribute vec4 tangent1_vs;
varying vec3 normalEye;
varying vec3 toEye;
varying float spike;
varying vec2 uv;

void main() {
    vec3 n = normalize(gl_Normal);
    float pull = 0.0;
    for (int i = 0; i < 10; ++i) {
        vec3 a = (world2obj * vec4(attract[i], 1.0)).xyz;
        float facing = max(dot(n, normalize(a - gl_Vertex.xyz)), 0.0);
        pull += pow(facing, 60.0);
    }
    spike = min(pull, 1.0);
    vec4 eye = gl_ModelViewMatrix * vec4(gl_Vertex.xyz + n * (1.8 * spike), 1.0);
    normalEye = gl_NormalMatrix * n;
    toEye = -eye.xyz;
    uv = gl_MultiTexCoord0.xy;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
