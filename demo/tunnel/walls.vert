// The tunnel's cubes. gl_Normal points from the cube's centre to the corner, as long as the
// cube is large; gl_Color is the cube's colour.
//   white:  0 shows the cubes' own colours, 1 draws them white
//   expand: pushes every corner outwards, in cube sizes
//   alpha:  the walls' opacity
//   base:   a flash of light over the walls, 0..1
uniform float white;
uniform float expand;
uniform float alpha;
uniform float base;

varying vec4 colour;
varying float fog;

void main()
{
	vec4 corner = gl_Vertex + vec4(gl_Normal * expand, 0.0);
	vec4 eye = gl_ModelViewMatrix * corner;
	gl_Position = gl_ProjectionMatrix * eye;

	// A lamp at the camera: faces turned to the eye are lit, edges fall off.
	vec3 normal = normalize(gl_NormalMatrix * gl_Normal);
	float lamp = 0.25 + 0.75 * max(dot(normal, normalize(-eye.xyz)), 0.0);
	vec3 lit = mix(gl_Color.rgb * 2.6, vec3(1.0), white) * lamp;
	colour = vec4(lit + vec3(0.9, 0.75, 0.6) * base, alpha);

	// Into the dark with distance; nothing is left of the walls at 40 units.
	fog = clamp(1.0 + eye.z / 40.0, 0.0, 1.0);
}
