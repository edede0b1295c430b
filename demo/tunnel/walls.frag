// The tunnel's cubes: the lit colour faded into black with distance.
varying vec4 colour;
varying float fog;

void main()
{
	gl_FragColor = vec4(colour.rgb * fog * fog, colour.a);
}
