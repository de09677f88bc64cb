// Ordinary surfaces: per-pixel lighting from the scene's light, a
// specular highlight, the surface's own glow, a diffuse texture and the
// environment reflected by the surface's reflection strength.
//
// The texture colours the glow as well as the lit colour, as a texture stage
// modulating the whole lit result would: a glowing surface (the backdrop
// around the well) takes its picture from its texture. The alpha written is
// the texture's, not the diffuse value's: the mirror pass blends the
// reflected scene by the alpha it wrote, and every solid surface should show
// in the floor at the same strength.
//
// Surfaces without a highlight and without a reflection (the backdrop, which
// fills most of the screen) are drawn by "phongMatte", which leaves both out:
// for them it draws the same picture, and a software renderer spares the
// cube map lookup at every pixel.

common {
    // A faint fill so faces turned from every light keep their shape, the
    // glow, and the diffuse light of the scene's one light. The game hands
    // every light over, but a loop over them, even one that stops after the
    // first, costs a software renderer a quarter of its frame. With no light
    // the light's colour is zero and adds nothing.
    vec3 diffuseLit(vec3 albedo, vec3 glow, float lambert, vec3 lightColour) {
        return albedo * 0.12 + glow + lightColour * albedo * lambert;
    }
}

vertex scene {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    out vec3 vWorldPos;
    out vec3 vWorldNormal;
    out vec2 vTexCoord;
    void main() {
        vec4 world = matWorld * vec4(inPosition.xyz, 1.0);
        vWorldPos = world.xyz;
        // The inverse transpose keeps normals upright under uneven scaling
        // (the frame and the floor are stretched boxes).
        vWorldNormal = transpose(inverse(mat3(matWorld))) * inNormal;
        vTexCoord = inTexCoord0;
        gl_Position = matProj * matView * world;
    }
}

fragment phong {
    in vec3 vWorldPos;
    in vec3 vWorldNormal;
    in vec2 vTexCoord;
    // The game fills the arrays from the first, up to eight lights.
    uniform vec4 vaLightPos[8];
    uniform vec4 vaLightDiffuse[8];
    uniform vec4 vViewPos;
    uniform vec4 vMaterialDiffuse;
    uniform vec4 vMaterialSpecular;
    uniform float fMaterialSpecularPower;
    uniform vec4 vMaterialAmbient;
    uniform vec4 vMaterialReflect;
    uniform sampler2D texDiffuse;
    uniform samplerCube texEnvironment;
    out vec4 fragColour;

    // The room is soft light and sky, so a smaller level of its cube map
    // shows the same and spares a software renderer the choice of level.
    const float EnvironmentLevel = 2.0;

    // Without the cube map the game hands over a flat white texture, which a
    // cube sampler cannot read: the driver answers with an empty or 1 x 1
    // black stand-in of its own. The room then reflects as plain white, as
    // the game's stand-in means.
    vec3 environment(vec3 direction) {
        if (textureSize(texEnvironment, 0).x <= 1)
            return vec3(1.0);
        return textureLod(texEnvironment, direction, EnvironmentLevel).rgb;
    }

    void main() {
        vec3 n = normalize(vWorldNormal);
        vec3 toEye = normalize(vViewPos.xyz - vWorldPos);
        vec4 texel = texture(texDiffuse, vTexCoord);
        vec3 albedo = vMaterialDiffuse.rgb * texel.rgb;
        // A glossiness of 0 would light the whole surface with the highlight.
        float power = max(fMaterialSpecularPower, 1.0);

        // The scene's one light, the spot that moves over the well.
        vec3 toLight = normalize(vaLightPos[0].xyz - vWorldPos);
        float lambert = max(dot(n, toLight), 0.0);
        vec3 colour = diffuseLit(albedo, vMaterialAmbient.rgb * texel.rgb, lambert, vaLightDiffuse[0].rgb);
        vec3 mirrored = reflect(-toLight, n);
        float highlight = lambert > 0.0 ? pow(max(dot(mirrored, toEye), 0.0), power) : 0.0;
        colour += vaLightDiffuse[0].rgb * vMaterialSpecular.rgb * highlight;

        // A reflecting surface reflects more as it is seen more edge-on, so
        // the far floor melts into the glow of the horizon. Surfaces that do
        // not reflect at all stay so.
        float edgeOn = pow(1.0 - clamp(dot(n, toEye), 0.0, 1.0), 5.0);
        vec3 reflectance = vMaterialReflect.rgb + (vec3(1.0) - vMaterialReflect.rgb) * edgeOn * sign(vMaterialReflect.rgb);
        colour += environment(reflect(-toEye, n)) * reflectance;
        fragColour = vec4(colour, texel.a);
    }
}

fragment matte {
    in vec3 vWorldPos;
    in vec3 vWorldNormal;
    in vec2 vTexCoord;
    uniform vec4 vaLightPos[8];
    uniform vec4 vaLightDiffuse[8];
    uniform vec4 vMaterialDiffuse;
    uniform vec4 vMaterialAmbient;
    uniform sampler2D texDiffuse;
    out vec4 fragColour;

    void main() {
        vec3 n = normalize(vWorldNormal);
        vec4 texel = texture(texDiffuse, vTexCoord);
        vec3 albedo = vMaterialDiffuse.rgb * texel.rgb;
        vec3 toLight = normalize(vaLightPos[0].xyz - vWorldPos);
        float lambert = max(dot(n, toLight), 0.0);
        fragColour = vec4(diffuseLit(albedo, vMaterialAmbient.rgb * texel.rgb, lambert, vaLightDiffuse[0].rgb), texel.a);
    }
}

// Trilinear, not anisotropic: on a software renderer eight-fold anisotropic
// filtering of the floor and the backdrop, which fill the screen in three
// passes, nearly doubled the frame time; and the far floor's joints may
// well blur into the polished surface.
sampler texDiffuse { filter = trilinear; address = wrap; }
sampler texEnvironment { filter = trilinear; address = clamp; }

// The depth bias keeps the polished surfaces a hair behind anything drawn
// flush with them later in the same depth buffer; the effect puts it back
// when it ends.
technique phong {
    pass p0 {
        vertex = scene;
        fragment = phong;
        DepthBias = 0.0002;
        SlopeScaleDepthBias = 2.0;
    }
}

technique phongMatte {
    pass p0 {
        vertex = scene;
        fragment = matte;
        DepthBias = 0.0002;
        SlopeScaleDepthBias = 2.0;
    }
}
