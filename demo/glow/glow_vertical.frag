// Glow, second pass: the first pass blurred along the columns with the same Gaussian, and made
// stronger on a beat: "beat" is 1 on the beat and falls to 0 within half a second.
uniform sampler2D glow;
uniform float beat;

void main()
{
	vec2 st = gl_TexCoord[0].st;
	vec2 texel = vec2(0.0, dFdy(st.t));
	vec3 sum = texture2D(glow, st).rgb * 0.153170;
	sum += (texture2D(glow, st + texel).rgb + texture2D(glow, st - texel).rgb) * 0.144893;
	sum += (texture2D(glow, st + 2.0 * texel).rgb + texture2D(glow, st - 2.0 * texel).rgb) * 0.122649;
	sum += (texture2D(glow, st + 3.0 * texel).rgb + texture2D(glow, st - 3.0 * texel).rgb) * 0.092902;
	sum += (texture2D(glow, st + 4.0 * texel).rgb + texture2D(glow, st - 4.0 * texel).rgb) * 0.062970;
	gl_FragColor = vec4(sum * (0.5 + 1.5 * beat), 1.0);
}
