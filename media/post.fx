// Bloom: the frame, shrunk to 256 x 256 as it is read, keeps only what is
// close to full brightness ("hipass"); that is blurred along one diagonal and then the
// other ("blur", twice, each reading what the one before wrote), and the
// game adds the result onto the finished frame. The threshold is high so
// the lit scene itself does not glow, only the highlights and the glints of
// the glass, and the glow is kept soft and faint enough that the picture
// around it is not washed out.

fragment brightPass {
    in vec2 vTexCoord;
    uniform sampler2D texSource;
    // Where reads stay (left, top, right, bottom): the part of the frame's
    // picture the scene was drawn into.
    uniform vec4 vBounds;
    out vec4 fragColour;

    // Brightness from where the glow starts to where it is full.
    const float Threshold = 0.72;
    const float Full = 1.0;
    const float Strength = 1.4;

    void main() {
        vec3 colour = texture(texSource, clamp(vTexCoord, vBounds.xy, vBounds.zw)).rgb;
        // The brightest channel decides, so a saturated red glint glows
        // as well as a white one; the curve eases in so the glow does not
        // start with a visible edge.
        float brightest = max(colour.r, max(colour.g, colour.b));
        float amount = smoothstep(Threshold, Full, brightest);
        fragColour = vec4(colour * amount * amount * Strength, 1.0);
    }
}

fragment directionalBlur {
    in vec2 vTexCoord;
    uniform sampler2D texSource;
    uniform vec4 vBlurDir;
    // Where reads stay (left, top, right, bottom): the part of the small
    // picture that was drawn.
    uniform vec4 vBounds;
    out vec4 fragColour;

    vec3 at(vec2 texCoord) { return texture(texSource, clamp(texCoord, vBounds.xy, vBounds.zw)).rgb; }

    // A bell curve thirteen half-steps wide along the direction, read in
    // seven taps: each tap off the centre falls between two of the curve's
    // points, where the filtered read weighs them as the curve does. The
    // small target so blurs smoothly instead of in bands, at half the reads.
    void main() {
        const float Offsets[3] = float[3](1.4448, 3.3736, 5.3068); // half-steps
        const float Weights[3] = float[3](0.2597, 0.1274, 0.0352);
        vec3 sum = at(vTexCoord) * 0.1553;
        for (int i = 0; i < 3; ++i) {
            vec2 offset = vBlurDir.xy * (0.5 * Offsets[i]);
            sum += at(vTexCoord + offset) * Weights[i];
            sum += at(vTexCoord - offset) * Weights[i];
        }
        fragColour = vec4(sum, 1.0);
    }
}

sampler texSource { filter = linear; address = clamp; }

technique hipass {
    pass p0 {
        fragment = brightPass;
        ZEnable = false;
        AlphaBlendEnable = false;
        StencilEnable = false;
        CullMode = none;
    }
}

technique blur {
    pass p0 {
        fragment = directionalBlur;
        ZEnable = false;
        AlphaBlendEnable = false;
        StencilEnable = false;
        CullMode = none;
    }
}
