// Glass bricks, a faked single refraction: each brick shows the picture drawn
// behind it so far (texFrameBuffer, a copy of the scene), looked up where a
// ray bent by the glass comes out, tinted by the brick's colour. The room is
// reflected on top, more strongly at grazing angles, and a key light leaves a
// crisp glint.
//
// Inside, the ray is followed through the brick as a unit cube around the
// object's origin (the brick mesh is one): it bends at the face it enters,
// bounces off the side walls it meets too steeply to leave (as light does
// inside a glass block), and bends again where it leaves. The brick's inner
// edges that the ray passes near show as lighter lines, which gives the
// block its depth even against an empty background.
//
// The glass is written opaque whatever the brick's alpha: the mirror pass
// blends the reflected scene by the alpha it wrote, and the menu's backdrop
// bricks, whose colours carry no alpha, must show in the floor as well.

vertex glass {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    uniform vec4 vViewPos;
    out vec3 vWorldPos;
    out vec3 vWorldNormal;
    out vec3 vObjectPos;
    out vec3 vObjectNormal;
    out vec3 vObjectEye;
    void main() {
        vec4 world = matWorld * vec4(inPosition.xyz, 1.0);
        vWorldPos = world.xyz;
        vWorldNormal = transpose(inverse(mat3(matWorld))) * inNormal;
        vObjectPos = inPosition.xyz;
        vObjectNormal = inNormal;
        // A brick squashed flat has no inside to look into: it is then seen
        // straight on along its normal.
        if (abs(determinant(mat3(matWorld))) > 1e-8)
            vObjectEye = (inverse(matWorld) * vec4(vViewPos.xyz, 1.0)).xyz;
        else
            vObjectEye = inPosition.xyz + inNormal;
        gl_Position = matProj * matView * world;
    }
}

fragment singleRefract {
    in vec3 vWorldPos;
    in vec3 vWorldNormal;
    in vec3 vObjectPos;
    in vec3 vObjectNormal;
    in vec3 vObjectEye;
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    uniform vec4 vViewPos;
    uniform vec4 vMaterialDiffuse;
    uniform vec4 vMaterialSpecular;
    uniform float fMaterialSpecularPower;
    uniform sampler2D texFrameBuffer;
    // The part of the copy the scene fills (x, y: shares of its width and
    // height; z, w: half a texel): a slow machine draws the scene into the
    // top left part of its targets, and reads stay inside it.
    uniform vec4 vFrameBufferArea;
    uniform samplerCube texEnvironment;
    out vec4 fragColour;

    const float HalfSize = 0.5;
    // How far beyond the brick the picture behind is taken to lie, in world
    // units: the bricks stand in front of the frame and the floor.
    const float Behind = 1.0;
    const float Eta = 1.50;
    // Glass bends blue a little more than red. Rather than follow a ray per
    // colour, red and blue are looked up this share of the bend short of and
    // beyond where the traced ray lands: the same faint coloured fringe at a
    // third of the cost.
    const float Fringe = 0.06;
    // The scene's key light comes from above, in front of the well, where
    // the camera is; the glint and the body's own light come from there.
    const vec3 KeyLight = vec3(-0.17, 0.54, -0.83);
    // Width of the inner edge lines, in object units.
    const float EdgeWidth = 0.035;

    struct Trace {
        vec3 exitPoint;   // object space
        vec3 direction;   // object space, after leaving the glass
        float length;     // of the path inside
        float edges;      // how much the path ran along inner edges, 0..1
    };

    vec2 screenOf(vec3 world) {
        vec4 clip = matProj * matView * vec4(world, 1.0);
        // Clip y = +1 is the top row, texture v = 0.
        return vec2(0.5, -0.5) * clip.xy / max(clip.w, 1e-4) + 0.5;
    }

    // The room is soft light and sky, so a smaller level of its cube map
    // shows the same and spares a software renderer the choice of level.
    const float EnvironmentLevel = 2.0;

    // Without the cube map the game hands over a flat white texture, which a
    // cube sampler cannot read: the driver answers with an empty or 1 x 1
    // black stand-in of its own. The room then reflects as plain white.
    vec3 environment(vec3 direction) {
        if (textureSize(texEnvironment, 0).x <= 1)
            return vec3(1.0);
        return textureLod(texEnvironment, direction, EnvironmentLevel).rgb;
    }

    // 1 on the cube's edges (two coordinates at the surface), 0 off them.
    float nearEdge(vec3 p) {
        vec3 depth = HalfSize - abs(p);
        // The smallest is the face the point lies on; the next decides.
        float a = min(depth.x, min(depth.y, depth.z));
        float b = depth.x + depth.y + depth.z - a - max(depth.x, max(depth.y, depth.z));
        return 1.0 - smoothstep(0.0, EdgeWidth, b);
    }

    Trace follow(vec3 entry, vec3 inward, vec3 normal, float eta) {
        Trace trace;
        trace.length = 0.0;
        trace.edges = 0.0;
        vec3 p = entry;
        vec3 d = refract(inward, normal, 1.0 / eta);
        if (dot(d, d) == 0.0)
            d = inward;
        for (int bounce = 0; bounce < 4; ++bounce) {
            vec3 slope = max(abs(d), vec3(1e-5));
            vec3 reach = (HalfSize - p * sign(d)) / slope;
            float t = max(min(reach.x, min(reach.y, reach.z)), 0.0);
            vec3 wall = vec3(reach.x <= reach.y && reach.x <= reach.z,
                             reach.y < reach.x && reach.y <= reach.z,
                             reach.z < reach.x && reach.z < reach.y) * sign(d);
            p += d * t;
            trace.length += t;
            trace.edges = max(trace.edges, nearEdge(p));
            vec3 leaving = refract(d, -wall, eta);
            if (dot(leaving, leaving) > 0.0 || bounce == 3) {
                trace.exitPoint = p;
                trace.direction = dot(leaving, leaving) > 0.0 ? leaving : d;
                return trace;
            }
            d = reflect(d, -wall);
        }
        return trace;
    }

    // The picture behind the glass where the traced ray lands, with the
    // fringe: the bend is the way from this pixel to where the ray lands.
    vec3 behind(Trace trace) {
        vec3 exitWorld = (matWorld * vec4(trace.exitPoint, 1.0)).xyz;
        vec3 outWorld = normalize(mat3(matWorld) * trace.direction);
        vec2 at = screenOf(exitWorld + outWorld * Behind);
        vec2 bend = (at - screenOf(vWorldPos)) * Fringe;
        vec2 area = vFrameBufferArea.xy;
        vec2 last = area - vFrameBufferArea.zw;
        return vec3(texture(texFrameBuffer, clamp((at - bend) * area, vec2(0.0), last)).r,
                    texture(texFrameBuffer, clamp(at * area, vec2(0.0), last)).g,
                    texture(texFrameBuffer, clamp((at + bend) * area, vec2(0.0), last)).b);
    }

    void main() {
        vec3 n = normalize(vWorldNormal);
        vec3 toEye = normalize(vViewPos.xyz - vWorldPos);
        float facing = clamp(dot(n, toEye), 0.0, 1.0);
        vec3 tint = vMaterialDiffuse.rgb;
        vec3 key = normalize(KeyLight);

        vec3 inward = normalize(vObjectPos - vObjectEye);
        vec3 objectNormal = normalize(vObjectNormal);
        Trace path = follow(vObjectPos, inward, objectNormal, Eta);
        vec3 seen = behind(path);

        // Coloured glass passes its own colour, the more deeply the longer the
        // way through it, and even in its own colour strongly coloured glass
        // takes a little away, so a brick before the bright horizon keeps
        // its shape instead of burning out.
        float colourful = max(tint.r, max(tint.g, tint.b)) - min(tint.r, min(tint.g, tint.b));
        vec3 passes = max(tint * (1.0 - 0.2 * colourful), vec3(0.001));
        vec3 transmitted = seen * pow(passes, vec3(0.5 + 0.5 * path.length));
        // The body of the glass catches light of its own colour from the key
        // light, so a brick in front of nothing still shows, and in colour;
        // the inner edges catch more. Strongly coloured glass glows more
        // before a dark background, so the bricks keep their colour before
        // the dark floor and sky, while clear glass stays clear.
        float lit = max(dot(n, key), 0.0);
        float darkBehind = 1.0 - clamp(dot(seen, vec3(0.3, 0.5, 0.2)), 0.0, 1.0);
        transmitted += tint * (0.10 + 0.25 * lit + 0.35 * path.edges);
        transmitted += tint * colourful * darkBehind * (0.18 + 0.05 * lit + 0.15 * path.edges);

        float fresnel = 0.05 + 0.95 * pow(1.0 - facing, 3.0);
        vec3 reflected = environment(reflect(-toEye, n));

        float power = max(fMaterialSpecularPower, 1.0);
        float toLight = max(dot(reflect(-key, n), toEye), 0.0);
        vec3 highlight = vMaterialSpecular.rgb * pow(toLight, power * 12.0);

        vec3 colour = mix(transmitted, reflected, fresnel) + highlight;
        fragColour = vec4(colour, 1.0);
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
