// A colour filter: the picture toned warm by its brightness, tinted by the quad's colour.
uniform sampler2D picture;

void main()
{
	vec4 c = texture2D(picture, gl_TexCoord[0].st);
	float grey = dot(c.rgb, vec3(0.299, 0.587, 0.114));
	vec3 toned = grey * vec3(1.07, 0.95, 0.78);
	gl_FragColor = vec4(toned, c.a) * gl_Color;
}
