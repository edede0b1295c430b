// Glow, first pass: the bright part of the picture, blurred along the rows with a Gaussian of
// standard deviation 3 over nine taps (weights e^(-i*i/18), normalised to a sum of 1).
// The quad covers the target with the picture's texels one to one, so the step between
// neighbouring pixels of the texture coordinate is one texel.
uniform sampler2D picture;

vec3 bright(vec2 at)
{
	// Only what is brighter than the knee glows; full white glows fully.
	vec3 c = texture2D(picture, at).rgb;
	return max(c - vec3(0.35), vec3(0.0)) / 0.65;
}

void main()
{
	vec2 st = gl_TexCoord[0].st;
	vec2 texel = vec2(dFdx(st.s), 0.0);
	vec3 sum = bright(st) * 0.153170;
	sum += (bright(st + texel) + bright(st - texel)) * 0.144893;
	sum += (bright(st + 2.0 * texel) + bright(st - 2.0 * texel)) * 0.122649;
	sum += (bright(st + 3.0 * texel) + bright(st - 3.0 * texel)) * 0.092902;
	sum += (bright(st + 4.0 * texel) + bright(st - 4.0 * texel)) * 0.062970;
	gl_FragColor = vec4(sum, 1.0);
}
