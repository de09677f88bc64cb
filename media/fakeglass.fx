// Glass bricks, a faked single refraction: each brick shows the picture drawn
// behind it so far (texFrameBuffer, a copy of the scene), looked up where a
// ray bent by the glass would have come from, tinted by the brick's colour.
// The room is reflected on top, more strongly at grazing angles, and a key
// light leaves a crisp highlight.

vertex glass {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    out vec3 vWorldPos;
    out vec3 vWorldNormal;
    void main() {
        vec4 world = matWorld * vec4(inPosition.xyz, 1.0);
        vWorldPos = world.xyz;
        vWorldNormal = transpose(inverse(mat3(matWorld))) * inNormal;
        gl_Position = matProj * matView * world;
    }
}

fragment singleRefract {
    in vec3 vWorldPos;
    in vec3 vWorldNormal;
    uniform mat4 matView;
    uniform mat4 matProj;
    uniform vec4 vViewPos;
    uniform vec4 vMaterialDiffuse;
    uniform vec4 vMaterialSpecular;
    uniform float fMaterialSpecularPower;
    uniform sampler2D texFrameBuffer;
    uniform samplerCube texEnvironment;
    out vec4 fragColour;

    // How far behind the surface the bent ray meets the picture, in world
    // units (a brick is one unit deep), and how much the bend is exaggerated
    // so that it reads at the size a brick has on screen.
    const float Depth = 0.7;
    const float Bend = 1.6;
    // Glass bends blue a little more than red: a faint coloured fringe.
    const vec3 Eta = vec3(1.0 / 1.47, 1.0 / 1.50, 1.0 / 1.53);
    // The scene's key light comes from above, in front of the well, where
    // the camera is; the highlight is lit from there.
    const vec3 KeyLight = vec3(-0.17, 0.54, -0.83);

    vec2 screenOf(vec3 world) {
        vec4 clip = matProj * matView * vec4(world, 1.0);
        // Clip y = +1 is the top row, texture v = 0.
        return vec2(0.5, -0.5) * clip.xy / max(clip.w, 1e-4) + 0.5;
    }

    // Without the cube map the game hands over a flat white texture, which a
    // cube sampler cannot read: the driver answers with an empty or 1 x 1
    // black stand-in of its own. The room then reflects as plain white.
    vec3 environment(vec3 direction) {
        if (textureSize(texEnvironment, 0).x <= 1)
            return vec3(1.0);
        return texture(texEnvironment, direction).rgb;
    }

    // The picture behind, along the ray bent with one ratio of indices.
    float behind(vec2 here, vec2 straight, vec3 toEye, vec3 n, float eta, int channel) {
        vec3 bent = refract(-toEye, n, eta);
        vec2 shift = screenOf(vWorldPos + bent * Depth) - straight;
        return texture(texFrameBuffer, clamp(here + shift * Bend, vec2(0.0), vec2(1.0)))[channel];
    }

    void main() {
        vec3 n = normalize(vWorldNormal);
        vec3 toEye = normalize(vViewPos.xyz - vWorldPos);
        float facing = clamp(dot(n, toEye), 0.0, 1.0);
        vec3 tint = vMaterialDiffuse.rgb;

        vec2 here = gl_FragCoord.xy / vec2(textureSize(texFrameBuffer, 0));
        vec2 straight = screenOf(vWorldPos - toEye * Depth);
        vec3 seen = vec3(behind(here, straight, toEye, n, Eta.r, 0),
                         behind(here, straight, toEye, n, Eta.g, 1),
                         behind(here, straight, toEye, n, Eta.b, 2));
        // Coloured glass passes its own colour; light crossing it at a slant
        // goes through more glass and comes out deeper and darker.
        float path = 1.0 / max(facing, 0.25);
        vec3 transmitted = seen * pow(max(tint, vec3(0.001)), vec3(0.6 + 0.4 * path));
        // The body of the glass catches light of its own colour from the key
        // light, so a brick in front of nothing still shows, and in colour.
        vec3 key = normalize(KeyLight);
        transmitted += tint * (0.12 + 0.30 * max(dot(n, key), 0.0));

        float fresnel = 0.05 + 0.95 * pow(1.0 - facing, 3.0);
        vec3 reflected = environment(reflect(-toEye, n));

        // A crisp white glint of the key light.
        float power = max(fMaterialSpecularPower, 1.0);
        float toLight = max(dot(reflect(-key, n), toEye), 0.0);
        vec3 highlight = vMaterialSpecular.rgb * pow(toLight, power * 12.0);

        vec3 colour = mix(transmitted, reflected, fresnel) + highlight;
        fragColour = vec4(colour, vMaterialDiffuse.a);
    }
}

sampler texFrameBuffer { filter = linear; address = clamp; }
sampler texEnvironment { filter = trilinear; address = clamp; }

technique GlassSingleRefract {
    pass p0 {
        vertex = glass;
        fragment = singleRefract;
    }
}
