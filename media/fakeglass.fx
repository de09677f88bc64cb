// Glass bricks, a faked single refraction: each brick shows the picture drawn
// behind it so far (texFrameBuffer, a copy of the scene, bricks further back
// included), looked up where a ray bent by the glass comes out, tinted by the
// brick's colour, deeper where the way through is long. How light the glass
// is depends on its colour, so the seven colours stand apart also for a
// player who tells red from green poorly; the falling piece is lit a little
// and outlined by a bright rim. The room is reflected on top, more strongly at
// grazing angles; the cut edges catch the room and the spot light as thin
// bright lines, and the spot light leaves a small hard glint that the bloom
// turns into a glow.
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

common {
    uniform mat4 matView;
    uniform mat4 matProj;
    uniform vec4 vViewPos;

    // How much of each colour the brick lacks one brick's width takes away.
    const float Density = 0.85;

    // What the vertex stages hand on about a point of a brick placed by
    // `world`.
    struct GlassVertex {
        vec4 clip;
        vec2 screen;
        vec3 worldPos;
        mat3 normalMatrix;
        vec3 objectEye;
        mat4 objectToClip;
    };

    // Where a clip-space point lands in the picture (0..1 both ways): clip
    // y = +1 is the top row, texture v = 0.
    vec2 screenOf(vec4 clip) {
        return vec2(0.5, -0.5) * clip.xy / max(clip.w, 1e-4) + 0.5;
    }

    GlassVertex placeGlass(mat4 world, vec3 position, vec3 normal) {
        GlassVertex v;
        vec4 placed = world * vec4(position, 1.0);
        v.worldPos = placed.xyz;
        v.normalMatrix = transpose(inverse(mat3(world)));
        // A brick squashed flat has no inside to look into: it is then seen
        // straight on along its normal.
        if (abs(determinant(mat3(world))) > 1e-8)
            v.objectEye = (inverse(world) * vec4(vViewPos.xyz, 1.0)).xyz;
        else
            v.objectEye = position + normal;
        v.objectToClip = matProj * matView * world;
        v.clip = matProj * matView * placed;
        v.screen = screenOf(v.clip);
        return v;
    }

    // What is the same all over one brick, worked out once per corner rather
    // than at every pixel.
    struct BrickLook {
        vec3 bulgeCentre;
        float glintSize;
        float deep;
        vec3 tint;
        float colourful;
        vec3 logPerUnit;
        float mark;
    };

    // No two glass blocks are cast quite alike: the middle of each one's
    // bulge sits a little off its centre, by an amount that follows where the
    // brick stands, so the spot light glints in a different place on each
    // brick of a wall instead of in a grid of dots. It changes smoothly as a
    // brick moves, so a falling piece's glints drift rather than jump.
    const float BulgeOffset = 0.22;
    vec3 bulgeCentre(vec3 place) {
        return BulgeOffset * vec3(sin(2.3 * place.x + 1.7 * place.y + 0.9 * place.z),
                                  sin(1.9 * place.x - 2.9 * place.y + 1.3 * place.z),
                                  sin(-2.7 * place.x + 1.1 * place.y + 2.1 * place.z));
    }

    // How light a brick's glass is. Its hue stays the brick's own; its
    // lightness follows the colour's own brightness (yellow and cyan light,
    // blue deep), and glass of a colour carried by one primary alone (a pure
    // green, a pure red) is cast deeper still than glass of a mixed colour
    // (a yellow, an orange): the share by which one channel outweighs both
    // others darkens it. This keeps apart the colours that a player who
    // tells red from green poorly sees only by their lightness: yellow,
    // orange, green and red stand on separate steps of it, as do magenta and
    // blue.
    const vec3 Deepening = vec3(0.35, 0.5, 0.35);
    float deepening(vec3 tint) {
        vec3 lead = max(tint - max(tint.gbr, tint.brg), 0.0);
        return (1.0 - dot(lead, Deepening)) * (0.6 + 0.8 * dot(tint, vec3(0.3, 0.55, 0.15)));
    }

    BrickLook lookOf(mat4 world, vec4 diffuse) {
        BrickLook look;
        look.bulgeCentre = bulgeCentre(world[3].xyz);
        // And the glint is larger on some bricks, smaller on others.
        look.glintSize = 1.0 + 0.45 * sin(1.3 * world[3].x + 2.1 * world[3].y - 1.7 * world[3].z);
        look.tint = clamp(diffuse.rgb, 0.0, 1.0);
        look.deep = deepening(look.tint);
        look.colourful = max(look.tint.r, max(look.tint.g, look.tint.b)) - min(look.tint.r, min(look.tint.g, look.tint.b));
        // The share of each colour one unit of the way through lets pass, as
        // its logarithm: the pixel raises it to the length of its way.
        look.logPerUnit = log(max(mix(vec3(1.0), look.tint, Density), vec3(0.02)));
        // The glass is opaque, so the colour's alpha carries the brick's
        // engraved mark: 0 none, k / 8 mark k.
        look.mark = floor(diffuse.a * 8.0 + 0.5);
        return look;
    }
}

// Where a brick stands and its colour reach the fragment stage as values the
// same over the whole brick: a brick drawn alone has them as parameters,
// bricks drawn many in one draw as their instance's. The brick's faces are
// flat, so a face's normal is the same all over it, and the eye stands in
// one place in the brick's own space.
vertex glass {
    uniform mat4 matWorld;
    uniform vec4 vMaterialDiffuse;
    out vec3 vWorldPos;
    noperspective out vec2 vScreen;
    flat out mat3 vNormalMatrix;
    out vec3 vObjectPos;
    flat out vec3 vFaceNormal;
    flat out vec3 vObjectEye;
    flat out vec3 vBulgeCentre;
    flat out float vGlintSize;
    flat out float vDeep;
    flat out vec3 vTint;
    flat out float vColourful;
    flat out vec3 vLogPerUnit;
    flat out float vMark;
    flat out mat3 vWorldTurn;
    flat out mat4 vObjectToClip;
    void main() {
        GlassVertex v = placeGlass(matWorld, inPosition.xyz, inNormal);
        BrickLook look = lookOf(matWorld, vMaterialDiffuse);
        vBulgeCentre = look.bulgeCentre;
        vGlintSize = look.glintSize;
        vDeep = look.deep;
        vTint = look.tint;
        vColourful = look.colourful;
        vLogPerUnit = look.logPerUnit;
        vMark = look.mark;
        vWorldPos = v.worldPos;
        vScreen = v.screen;
        vNormalMatrix = v.normalMatrix;
        vObjectPos = inPosition.xyz;
        vFaceNormal = normalize(inNormal);
        vObjectEye = v.objectEye;
        vWorldTurn = mat3(matWorld);
        vObjectToClip = v.objectToClip;
        // Placed in main as every material places its vertices: the shadows
        // are laid over the glass where their depth equals its depth, and the
        // compiler may round a position returned from a function otherwise.
        gl_Position = matProj * matView * (matWorld * vec4(inPosition.xyz, 1.0));
    }
}

vertex glassInstanced {
    out vec3 vWorldPos;
    noperspective out vec2 vScreen;
    flat out mat3 vNormalMatrix;
    out vec3 vObjectPos;
    flat out vec3 vFaceNormal;
    flat out vec3 vObjectEye;
    flat out vec3 vBulgeCentre;
    flat out float vGlintSize;
    flat out float vDeep;
    flat out vec3 vTint;
    flat out float vColourful;
    flat out vec3 vLogPerUnit;
    flat out float vMark;
    flat out mat3 vWorldTurn;
    flat out mat4 vObjectToClip;
    void main() {
        GlassVertex v = placeGlass(inInstanceWorld, inPosition.xyz, inNormal);
        BrickLook look = lookOf(inInstanceWorld, inInstanceColour);
        vBulgeCentre = look.bulgeCentre;
        vGlintSize = look.glintSize;
        vDeep = look.deep;
        vTint = look.tint;
        vColourful = look.colourful;
        vLogPerUnit = look.logPerUnit;
        vMark = look.mark;
        vWorldPos = v.worldPos;
        vScreen = v.screen;
        vNormalMatrix = v.normalMatrix;
        vObjectPos = inPosition.xyz;
        vFaceNormal = normalize(inNormal);
        vObjectEye = v.objectEye;
        vWorldTurn = mat3(inInstanceWorld);
        vObjectToClip = v.objectToClip;
        gl_Position = matProj * matView * (inInstanceWorld * vec4(inPosition.xyz, 1.0));
    }
}

// A software renderer runs every part of this program for every pixel,
// branches included (both sides of an `if` are worked out), so the program
// is kept short: what is the same over a brick comes from the vertex stage,
// powers by whole numbers are multiplications, and the optional parts are
// weighed in by their share rather than branched around.
fragment singleRefract {
    flat in vec3 vBulgeCentre;
    flat in float vGlintSize;
    flat in float vDeep;
    flat in vec3 vTint;
    flat in float vColourful;
    flat in vec3 vLogPerUnit;
    flat in float vMark;
    in vec3 vWorldPos;
    noperspective in vec2 vScreen;
    flat in mat3 vNormalMatrix;
    in vec3 vObjectPos;
    flat in vec3 vFaceNormal;
    flat in vec3 vObjectEye;
    flat in mat3 vWorldTurn;
    flat in mat4 vObjectToClip;
    uniform vec4 vMaterialSpecular;
    uniform float fMaterialSpecularPower;
    // 1 for the falling piece, which stands out from the stack: its body a
    // little lighter and its outline a bright rim of its own colour, paled.
    uniform float fHighlight = 0.0;
    const float RimWidth = 0.13;
    // 1 where some brick of the draw bears a mark: only then is it engraved
    // (the same for every pixel of a draw, so a software renderer can pass
    // over it).
    uniform float fMarks = 0.0;
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
    const float Behind = 1.5;
    const float Eta = 1.50;
    // Glass bends blue a little more than red. Rather than follow a ray per
    // colour, red and blue are looked up this share of the bend short of and
    // beyond where the traced ray lands: the same faint coloured fringe at a
    // third of the cost.
    const float Fringe = 0.06;
    // The spot light that moves over the well; until the game says where it
    // is, where it starts.
    uniform vec4 vLightPos = vec4(-4.0, 38.0, -44.0, 1.0);
    // The line of sight's share in the way that counts for the colour.
    const float LineOfSight = 0.6;
    // The share of the picture behind that passes as its brightness alone.
    const float GreyShare = 0.3;
    // How strongly the room shows in the faces at their steepest.
    const float Reflectance = 0.9;
    // How deep the brick's edges are cut, in object units.
    const float CutDepth = 0.08;
    // The glint: the surface's own sharpness made much harder, and over-bright.
    const float GlintSharpness = 150.0;
    const float GlintStrength = 2.5;
    // Width of the inner edge lines, in object units.
    const float EdgeWidth = 0.035;
    // How flat the faces are: the face normal's weight against the point's
    // way out from the middle (at 1.5 a face's normal turns 14 degrees by
    // the middle of an edge).
    const float Bulge = 1.5;
    // The bend of the picture behind follows a flatter bulge (5 degrees at
    // the middle of an edge): enough to sway the picture as the brick turns,
    // not so much that the brick becomes a magnifying glass.
    const float LensFlatness = 6.0;

    struct Trace {
        vec3 exitPoint;   // object space
        vec3 direction;   // object space, after leaving the glass
        float length;     // of the path inside
        float edges;      // how much the path ran along inner edges, 0..1
    };

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

    // How far a point of the cube lies from its nearest edge: of its depths
    // below the three pairs of faces, the smallest is the face it lies on
    // and the next is the way to the edge.
    float edgeDistance(vec3 p) {
        vec3 depth = HalfSize - abs(p);
        float a = min(depth.x, min(depth.y, depth.z));
        return depth.x + depth.y + depth.z - a - max(depth.x, max(depth.y, depth.z));
    }

    // How far the unbent line of sight runs inside the brick: across the
    // middle of a turned brick more than a brick's width, by its outline
    // where it only clips a corner next to nothing.
    float chord(vec3 entry, vec3 inward) {
        vec3 reach = (HalfSize - entry * sign(inward)) / max(abs(inward), vec3(1e-5));
        return max(min(reach.x, min(reach.y, reach.z)), 0.0);
    }

    // A wall that the ray meets turns only the sign of the ray's part across
    // it, so how steeply the ray meets each pair of walls, and whether it can
    // leave through them at all, is settled where it enters: glass lets it
    // out where that part squared is at least 1 - 1 / eta^2.
    Trace follow(vec3 entry, vec3 inward, vec3 normal, float eta) {
        Trace trace;
        vec3 d = refract(inward, normal, 1.0 / eta);
        if (dot(d, d) == 0.0)
            d = inward;
        vec3 across = 1.0 / max(abs(d), vec3(1e-5));
        vec3 leaves = step(vec3(0.0), 1.0 - eta * eta * (1.0 - d * d));
        vec3 p = entry;
        vec3 wall = vec3(0.0);
        float length = 0.0;
        // The inner edges the path passes nearest show the most.
        float nearest = HalfSize;
        for (int bounce = 0; bounce < 4; ++bounce) {
            vec3 reach = (HalfSize - p * sign(d)) * across;
            float t = max(min(reach.x, min(reach.y, reach.z)), 0.0);
            wall = vec3(reach.x <= reach.y && reach.x <= reach.z,
                        reach.y < reach.x && reach.y <= reach.z,
                        reach.z < reach.x && reach.z < reach.y) * sign(d);
            p += d * t;
            length += t;
            nearest = min(nearest, edgeDistance(p));
            if (dot(abs(wall), leaves) > 0.0)
                break;
            // After the fourth wall the ray is let out whatever its angle.
            if (bounce < 3)
                d -= 2.0 * wall * dot(wall, d);
        }
        vec3 leaving = refract(d, -wall, eta);
        trace.exitPoint = p;
        trace.direction = dot(leaving, leaving) > 0.0 ? leaving : d;
        trace.length = length;
        trace.edges = 1.0 - smoothstep(0.0, EdgeWidth, nearest);
        return trace;
    }

    // The picture behind the glass where the traced ray lands, with the
    // fringe: the bend is the way from this pixel to where the ray lands.
    // The ray leaves the brick and runs on `Behind` world units, worked out
    // in the brick's own space.
    vec3 behind(Trace trace) {
        vec3 onward = trace.direction * (Behind * inversesqrt(dot(vWorldTurn * trace.direction, vWorldTurn * trace.direction)));
        vec2 at = screenOf(vObjectToClip * vec4(trace.exitPoint + onward, 1.0));
        vec2 bend = (at - vScreen) * Fringe;
        vec2 area = vFrameBufferArea.xy;
        vec2 last = area - vFrameBufferArea.zw;
        return vec3(texture(texFrameBuffer, clamp((at - bend) * area, vec2(0.0), last)).r,
                    texture(texFrameBuffer, clamp(at * area, vec2(0.0), last)).g,
                    texture(texFrameBuffer, clamp((at + bend) * area, vec2(0.0), last)).b);
    }

    // The cut edges: where the point lies within the cut of two faces (or
    // three, at a corner), the surface there faces out between them. The
    // cut's direction is found from where the point is, so any cube, cut or
    // not, draws its outline the same way.
    float onCut(float toEdge) {
        return 1.0 - smoothstep(CutDepth * 0.6, CutDepth * 1.15, toEdge);
    }
    vec3 cutNormal(vec3 p) {
        vec3 depth = HalfSize - abs(p);
        vec3 along = step(depth, vec3(CutDepth * 1.15));
        return sign(p) * max(along, step(depth, vec3(min(depth.x, min(depth.y, depth.z)))));
    }

    // How brightly strongly coloured glass glows in its colour before a dark
    // background: enough that the light colours (yellow, orange, cyan) read
    // light there and the deep ones keep their steps below them.
    const float BodyGlow = 0.55;

    // The brick's faces are flat, but glass blocks are never quite: each
    // face is taken to bulge a little, its normal turning towards the edges,
    // which bends the picture behind more near the edges and keeps the glint
    // a small spot instead of a whole lit face. Left unnormalised where only
    // its direction counts.
    vec3 bulge(vec3 p, vec3 faceNormal, float flatness) {
        return faceNormal * flatness + p;
    }

    // Schlick's share of reflected light where a face is seen at `facing`
    // (the cosine), its fifth power multiplied out.
    float schlick(float facing) {
        float away = 1.0 - facing;
        float away2 = away * away;
        return 0.04 + 0.96 * (away2 * away2 * away);
    }

    // ---- the engraved marks, one per kind of piece, in the middle of each
    // face: 1 a ring, 2 a dot, 3 a diagonal, 4 a cross, 5 a triangle, 6 a
    // bar, 7 a square. Shapes tell the kinds apart where colours do not.
    // Each is a signed distance in object units on the face, below 0 inside.
    float boxDistance(vec2 p, vec2 halfSize) {
        vec2 d = abs(p) - halfSize;
        return length(max(d, 0.0)) + min(max(d.x, d.y), 0.0);
    }
    float triangleDistance(vec2 p, float r) {
        const float k = 1.7320508;
        p.x = abs(p.x) - r;
        p.y = p.y + r / k;
        if (p.x + k * p.y > 0.0)
            p = vec2(p.x - k * p.y, -k * p.x - p.y) * 0.5;
        p.x -= clamp(p.x, -2.0 * r, 0.0);
        return -length(p) * sign(p.y);
    }
    float markDistance(vec2 p, float mark) {
        switch (int(mark)) {
        case 1: return abs(length(p) - 0.19) - 0.045;
        case 2: return length(p) - 0.13;
        case 3: return max(abs(p.x + p.y) * 0.7071 - 0.055, boxDistance(p, vec2(0.24)));
        case 4: return min(boxDistance(p, vec2(0.25, 0.06)), boxDistance(p, vec2(0.06, 0.25)));
        case 5: return triangleDistance(p - vec2(0.0, 0.03), 0.26);
        case 6: return boxDistance(p, vec2(0.27, 0.08));
        case 7: return abs(boxDistance(p, vec2(0.18))) - 0.045;
        default: return 1.0;
        }
    }
    // The face's own two axes: up the face on the side faces (a triangle
    // stands upright), into the well on the top and bottom.
    vec2 onFace(vec3 p, vec3 faceNormal) {
        vec3 a = abs(faceNormal);
        if (a.x >= a.y && a.x >= a.z)
            return p.zy;
        if (a.y >= a.z)
            return p.xz;
        return p.xy;
    }
    // The mark is cut into the glass: frosted, it scatters the light and
    // shows milky pale, and a dark groove runs round it, so it reads on the
    // light colours as on the deep ones.
    vec3 engrave(vec3 colour, float mark, vec3 p, vec3 faceNormal) {
        float d = markDistance(onFace(p, faceNormal), mark);
        float pixel = max(fwidth(d), 1e-4);
        float inside = 1.0 - smoothstep(-pixel, pixel, d);
        float groove = 1.0 - smoothstep(0.012, 0.012 + pixel, abs(d));
        colour = mix(colour, vec3(0.9), 0.6 * inside);
        return colour * (1.0 - 0.7 * groove);
    }

    void main() {
        vec3 faceNormal = vFaceNormal;
        vec3 n = normalize(vNormalMatrix * bulge(vObjectPos - vBulgeCentre, faceNormal, Bulge));
        vec3 toEye = normalize(vViewPos.xyz - vWorldPos);
        vec3 toLight = normalize(vLightPos.xyz - vWorldPos);
        vec3 halfway = normalize(toLight + toEye);
        float facing = clamp(dot(n, toEye), 0.0, 1.0);
        vec3 tint = vTint;
        float deep = vDeep;
        float toEdge = edgeDistance(vObjectPos);

        vec3 inward = normalize(vObjectPos - vObjectEye);
        Trace path = follow(vObjectPos, inward, normalize(bulge(vObjectPos, faceNormal, LensFlatness)), Eta);
        vec3 seen = behind(path);

        // What is behind passes through the glass losing what its colour
        // lacks, more the longer the way through: a short way by an edge
        // passes nearly all of it, the full width of a brick takes most of
        // what is not its colour and two widths nearly all. The way that
        // counts is partly the line of sight's: the bent ray, bouncing off
        // the side walls, runs about a width through any cube, while the eye
        // expects a brick to be clearer where it sees only a corner of it.
        vec3 through = exp(vLogPerUnit * mix(path.length, chord(vObjectPos, inward), LineOfSight));

        // Against a picture of strong colour, a coloured brick would vanish
        // where the picture lacks its colour (a red brick before the blue
        // sky); the picture's brightness passes in part as grey, so its shapes
        // show through in the brick's colour. Clear glass passes it as it is.
        float colourful = vColourful;
        float brightness = dot(seen, vec3(0.3, 0.55, 0.15));
        vec3 transmitted = mix(seen, vec3(brightness), GreyShare * colourful) * through;

        // The body of the glass catches light of its own colour, more where
        // the way through it is long, so a brick before nothing still shows
        // in its colour; strongly coloured glass glows a little more before
        // a dark background, which keeps the colours apart before the floor
        // and the night sky. The inner edges the ray passed near catch more.
        float lit = max(dot(n, toLight), 0.0);
        float darkBehind = 1.0 - clamp(brightness, 0.0, 1.0);
        float body = (1.0 - exp(-1.4 * path.length)) * (0.08 + 0.12 * lit + BodyGlow * colourful * darkBehind);
        vec3 glass = transmitted * min(deep, 1.0) + tint * (body + 0.15 * path.edges) * deep;

        // The room reflects more the more steeply the face is seen.
        vec3 reflected = environment(reflect(-toEye, n));
        vec3 colour = mix(glass, reflected, schlick(facing) * Reflectance);

        // The cut edges stand at their own angle: the room and the light
        // glance off them, which draws each brick's outline as a thin bright
        // line along the edges that face the light (nothing away from them).
        vec3 cutWorld = normalize(vNormalMatrix * cutNormal(vObjectPos));
        float cutFacing = clamp(dot(cutWorld, toEye), 0.0, 1.0);
        // The light's highlight on the cut, sharpness 24.
        float cutLight2 = max(dot(halfway, cutWorld), 0.0);
        cutLight2 *= cutLight2;
        float cutLight8 = cutLight2 * cutLight2;
        cutLight8 *= cutLight8;
        float cutLight = cutLight8 * cutLight8 * cutLight8;
        vec3 edge = environment(reflect(-toEye, cutWorld)) * schlick(cutFacing) * 0.8
                    + vMaterialSpecular.rgb * cutLight * 0.9 + tint * 0.12 * max(dot(cutWorld, toLight), 0.0);
        colour += edge * onCut(toEdge);

        // The falling piece (nothing for the others).
        float rim = 1.0 - smoothstep(RimWidth * 0.4, RimWidth, toEdge);
        colour += fHighlight * (tint * 0.1 + mix(tint, vec3(1.0), 0.5) * 0.5 * rim);

        // The spot light mirrored in the face: small and hard, and bright
        // enough for the bloom to make it glow.
        float power = max(fMaterialSpecularPower, 1.0) * GlintSharpness / vGlintSize;
        float glint = pow(max(dot(halfway, n), 0.0), power);
        colour += vMaterialSpecular.rgb * glint * GlintStrength;

        if (fMarks > 0.5)
            colour = engrave(colour, vMark, vObjectPos, faceNormal);

        fragColour = vec4(colour, 1.0);
    }
}

// Where the falling piece would land: the edges of its bricks only, thin and
// faint, in their colour paled a little, laid over what is there. They leave
// the depth as it was, so what stands behind them is shaded as if they were
// not there.
fragment outline {
    flat in vec3 vTint;
    in vec3 vObjectPos;
    out vec4 fragColour;
    const float HalfSize = 0.5;
    const float LineWidth = 0.055;
    void main() {
        vec3 depth = HalfSize - abs(vObjectPos);
        float nearest = min(depth.x, min(depth.y, depth.z));
        float toEdge = depth.x + depth.y + depth.z - nearest - max(depth.x, max(depth.y, depth.z));
        float pixel = max(fwidth(toEdge), 1e-4);
        float line = 1.0 - smoothstep(LineWidth - pixel, LineWidth + pixel, toEdge);
        fragColour = vec4(mix(vTint, vec3(1.0), 0.4), 0.05 + 0.7 * line);
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

technique GlassOutline {
    pass p0 {
        vertex = glass;
        fragment = outline;
        AlphaBlendEnable = true;
        SrcBlend = srcalpha;
        DestBlend = invsrcalpha;
        ZWriteEnable = false;
    }
}

technique GlassSingleRefractInstanced {
    pass p0 {
        vertex = glassInstanced;
        fragment = singleRefract;
    }
}
