// The spot light's shadows, in two passes.
//
// "shadow" draws every item as the light sees it into the 512 x 512 map: the
// depth buffer keeps the nearest depth for the hardware comparison, and the
// R32F colour gets the same depth for devices that cannot sample a depth
// buffer.
//
// "scene" and "scene_nohw" draw every item again from the camera. Each pixel
// is looked up in the map (matLightViewProj takes the world to the map's
// texture space); where something nearer to the light covers it, it is in
// shadow. Four taps around the point, each filtered between its four
// texels, give the shadow a soft edge instead of a staircase; away from the
// edges two taps tell the same. The spot
// texture shapes the light into a round pool that fades out softly. The
// result multiplies the finished scene: white where the light falls, a
// lighter grey outside the pool and a darker one in shadow within it; the
// distant room, beyond the spot's reach, is left untouched.

common {
    // The vertex stages place each item by its world matrix: a uniform
    // when items are drawn one by one, an instance input when a draw holds
    // many. Both work out the same values here.
    uniform mat4 matView;
    uniform mat4 matProj;
    uniform mat4 matLightViewProj;
    uniform vec4 vLightPos;

    // The light's pool is full brightness; around it the scene keeps this
    // much of its own light, and in a shadow inside the pool this much.
    // Nothing turns black, and the glow of the room stays.
    const float OutsidePool = 0.8;
    const float InShadow = 0.5;
    // The spot reaches fReachEnd (world units from the light, set by the
    // game, which leaves out what lies beyond) and fades out from ReachFull
    // on, before the map's far plane, so the distant room is left as it is
    // instead of being cut off where the map ends.
    const float ReachFull = 95.0;
    uniform float fReachEnd;
    // The map's texel is about 0.06 world units at the well. A point is
    // looked up a little way out along its normal and compared a little
    // nearer to the light, so a surface does not shadow itself in stripes
    // (acne); both are kept small so shadows stay attached to what casts
    // them.
    const float NormalOffset = 0.06;
    const float DepthBias = 0.00025;
    const float SlopeBias = 0.0006;
    // Taps around the point, in map texels.
    const float TapRadius = 1.25;

    // The depth bias for a surface turned this far from the light: the more
    // it slopes away, the more its depth changes across one map texel.
    float biasFor(float facing) {
        float slope = sqrt(max(1.0 - facing * facing, 0.0)) / max(facing, 0.25);
        return DepthBias + SlopeBias * slope;
    }

    // Four taps on a turned square around the point, in texture units.
    vec2 tapOffset(int i, float texel) {
        const vec2 taps[4] = vec2[4](vec2(-0.4, -1.0), vec2(1.0, -0.4), vec2(0.4, 1.0), vec2(-1.0, 0.4));
        return taps[i] * TapRadius * texel;
    }

    // Whether the map has anything to say about the point: inside its square
    // and in front of its far plane. Elsewhere nothing can shadow it.
    bool inMap(vec3 coord) {
        return all(greaterThan(coord, vec3(0.0))) && all(lessThan(coord, vec3(1.0)));
    }

    // The spot's pool: from the spot texture, or, when there is none, a
    // round pool of the same size worked out here.
    float poolOf(float spotSample, bool hasSpotTexture, vec2 uv) {
        if (hasSpotTexture)
            return spotSample;
        return 1.0 - smoothstep(0.38, 0.5, length(uv - 0.5));
    }

    // Faces turned away from the light are in their own shadow; the turn is
    // eased so the terminator on a rounded edge is not a hard line. Behind
    // the light (inFront 0) the spot does not shine.
    vec4 shadowLitColour(float lit, float pool, float facing, float inFront, float distance) {
        pool *= inFront;
        float reached = lit * smoothstep(0.0, 0.2, facing);
        float light = mix(OutsidePool, 1.0, pool) * mix(1.0, mix(InShadow, 1.0, reached), pool);
        float reach = 1.0 - smoothstep(ReachFull, fReachEnd, distance);
        return vec4(vec3(mix(1.0, light, reach)), 1.0);
    }

    // Where a point of an item lands in the light's clip space.
    vec4 lightClip(mat4 world, vec3 position) {
        return matProj * matView * world * vec4(position, 1.0);
    }

    // What the shadow-lit stages need of a point of an item placed in the
    // world: where it is looked up in the map, its normal and its way to the
    // light, all in world space.
    void shadowLitOutputs(mat4 world, vec4 placed, vec3 objectNormal, out vec4 mapCoord, out vec3 worldNormal,
                          out vec3 toLight) {
        vec3 normal = normalize(transpose(inverse(mat3(world))) * objectNormal);
        worldNormal = normal;
        toLight = vLightPos.xyz - placed.xyz;
        mapCoord = matLightViewProj * vec4(placed.xyz + normal * NormalOffset, 1.0);
    }
}

vertex lightDepth {
    uniform mat4 matWorld;
    void main() { gl_Position = lightClip(matWorld, inPosition.xyz); }
}

// The same for many items in one draw, each placed by its instance.
vertex lightDepthInstanced {
    void main() { gl_Position = lightClip(inInstanceWorld, inPosition.xyz); }
}

fragment depthOut {
    out vec4 fragColour;
    // The window depth is the projection's z / w, 0 at the near plane and 1
    // at the far one: exactly what the depth buffer holds.
    void main() { fragColour = vec4(gl_FragCoord.z, 0.0, 0.0, 1.0); }
}

// The shadow-lit picture is laid over the scene where its depth equals the
// scene's, so these stages place a vertex exactly as the materials do: the
// same expression, written out in main (the compiler rounds an expression
// returned from a function differently).
vertex shadowLit {
    uniform mat4 matWorld;
    out vec4 vMapCoord;
    out vec3 vWorldNormal;
    out vec3 vToLight;
    void main() {
        vec4 world = matWorld * vec4(inPosition.xyz, 1.0);
        shadowLitOutputs(matWorld, world, inNormal, vMapCoord, vWorldNormal, vToLight);
        gl_Position = matProj * matView * world;
    }
}

vertex shadowLitInstanced {
    out vec4 vMapCoord;
    out vec3 vWorldNormal;
    out vec3 vToLight;
    void main() {
        vec4 world = inInstanceWorld * vec4(inPosition.xyz, 1.0);
        shadowLitOutputs(inInstanceWorld, world, inNormal, vMapCoord, vWorldNormal, vToLight);
        gl_Position = matProj * matView * world;
    }
}

fragment sceneHardware {
    in vec4 vMapCoord;
    in vec3 vWorldNormal;
    in vec3 vToLight;
    uniform sampler2DShadow texDepth;
    uniform sampler2D texSpot;
    out vec4 fragColour;

    // The shadow sampler compares and filters between four texels at once.
    float litAt(vec2 uv, float depth) { return texture(texDepth, vec3(uv, depth)); }

    // How lit a point is, from the four taps. A pair across the point comes
    // first; where both are fully lit or fully shadowed, as over most of the
    // picture, the other pair would almost always agree and is not read,
    // which saves a software renderer a tenth of its frame. Each fragment
    // stage reads its taps in its own way, so each has a copy.
    float filteredLit(vec2 uv, float depth, float texel) {
        float first = litAt(uv + tapOffset(0, texel), depth);
        float third = litAt(uv + tapOffset(2, texel), depth);
        float pair = 0.5 * (first + third);
        if (first == third && (first == 0.0 || first == 1.0))
            return pair;
        return 0.5 * pair + 0.25 * (litAt(uv + tapOffset(1, texel), depth) + litAt(uv + tapOffset(3, texel), depth));
    }

    void main() {
        // Behind the light nothing is lit by it.
        float inFront = step(0.0001, vMapCoord.w);
        vec3 coord = vMapCoord.xyz / max(vMapCoord.w, 0.0001);
        float facing = dot(normalize(vWorldNormal), normalize(vToLight));
        float depth = coord.z - biasFor(facing);
        float texel = 1.0 / float(textureSize(texDepth, 0).x);
        float lit = 1.0;
        if (inMap(coord)) {
            lit = filteredLit(coord.xy, depth, texel);
        }
        bool hasSpot = textureSize(texSpot, 0).x > 1;
        float pool = poolOf(texture(texSpot, coord.xy).r, hasSpot, coord.xy);
        fragColour = shadowLitColour(lit, pool, facing, inFront, length(vToLight));
    }
}

fragment sceneSoftware {
    in vec4 vMapCoord;
    in vec3 vWorldNormal;
    in vec3 vToLight;
    uniform sampler2D texDepth;
    uniform sampler2D texSpot;
    out vec4 fragColour;

    // The depths the "shadow" pass wrote, read texel by texel and compared
    // here, then filtered between the four texels around the point as the
    // hardware comparison does.
    float storedDepth(ivec2 texel) {
        ivec2 last = textureSize(texDepth, 0) - 1;
        return texelFetch(texDepth, clamp(texel, ivec2(0), last), 0).r;
    }
    float litAt(vec2 uv, float depth) {
        vec2 at = uv * vec2(textureSize(texDepth, 0)) - 0.5;
        ivec2 corner = ivec2(floor(at));
        vec2 f = fract(at);
        float a = step(depth, storedDepth(corner));
        float b = step(depth, storedDepth(corner + ivec2(1, 0)));
        float c = step(depth, storedDepth(corner + ivec2(0, 1)));
        float d = step(depth, storedDepth(corner + ivec2(1, 1)));
        return mix(mix(a, b, f.x), mix(c, d, f.x), f.y);
    }

    // How lit a point is, from the four taps. A pair across the point comes
    // first; where both are fully lit or fully shadowed, as over most of the
    // picture, the other pair would almost always agree and is not read,
    // which saves a software renderer a tenth of its frame. Each fragment
    // stage reads its taps in its own way, so each has a copy.
    float filteredLit(vec2 uv, float depth, float texel) {
        float first = litAt(uv + tapOffset(0, texel), depth);
        float third = litAt(uv + tapOffset(2, texel), depth);
        float pair = 0.5 * (first + third);
        if (first == third && (first == 0.0 || first == 1.0))
            return pair;
        return 0.5 * pair + 0.25 * (litAt(uv + tapOffset(1, texel), depth) + litAt(uv + tapOffset(3, texel), depth));
    }

    void main() {
        // Behind the light nothing is lit by it.
        float inFront = step(0.0001, vMapCoord.w);
        vec3 coord = vMapCoord.xyz / max(vMapCoord.w, 0.0001);
        float facing = dot(normalize(vWorldNormal), normalize(vToLight));
        float depth = coord.z - biasFor(facing);
        float texel = 1.0 / float(textureSize(texDepth, 0).x);
        float lit = 1.0;
        if (inMap(coord)) {
            lit = filteredLit(coord.xy, depth, texel);
        }
        bool hasSpot = textureSize(texSpot, 0).x > 1;
        float pool = poolOf(texture(texSpot, coord.xy).r, hasSpot, coord.xy);
        fragColour = shadowLitColour(lit, pool, facing, inFront, length(vToLight));
    }
}

sampler texDepth { filter = linear; address = clamp; compare = lessequal; }
sampler texSpot { filter = linear; address = clamp; }

technique shadow {
    pass p0 {
        vertex = lightDepth;
        fragment = depthOut;
    }
}

technique scene {
    pass p0 {
        vertex = shadowLit;
        fragment = sceneHardware;
    }
}

technique scene_nohw {
    pass p0 {
        vertex = shadowLit;
        fragment = sceneSoftware;
    }
}

// The twins that draw many items at once, placed by their instances.
technique shadowInstanced {
    pass p0 {
        vertex = lightDepthInstanced;
        fragment = depthOut;
    }
}

technique sceneInstanced {
    pass p0 {
        vertex = shadowLitInstanced;
        fragment = sceneHardware;
    }
}

technique scene_nohwInstanced {
    pass p0 {
        vertex = shadowLitInstanced;
        fragment = sceneSoftware;
    }
}
