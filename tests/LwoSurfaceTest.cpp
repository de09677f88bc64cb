// Surfaces of both file generations, texture layers, shaders, envelopes and
// clips of LightWave objects.
#include "LwoTestBytes.h"

#include <gtest/gtest.h>

namespace {

// An object with one triangle on a surface named "s", followed by `extra`.
LwoObjectPtr loadWith(const LwoBytes& extra, const char* type = "LWO2")
{
    LwoBytes b = lwoTriangle();
    b.append(extra);
    return loadLwo(lwoForm(b, type));
}

LwoObjectPtr loadSurface(const std::function<void(LwoBytes&)>& subChunks)
{
    LwoBytes b;
    b.chunk("SURF", [&](LwoBytes& c) {
        c.s0("Default").s0("");
        subChunks(c);
    });
    return loadWith(b);
}

// A colour texture block with the given ordinal.
void imageBlock(LwoBytes& c, const std::string& ordinal, uint16_t clip, const char* channel = "COLR")
{
    c.sub("BLOK", [&](LwoBytes& block) {
        block.sub("IMAP", [&](LwoBytes& h) {
            h.s0(ordinal);
            h.sub("CHAN", [&](LwoBytes& s) { s.id(channel); });
            h.sub("ENAB", [](LwoBytes& s) { s.u2(1); });
        });
        block.sub("IMAG", [&](LwoBytes& s) { s.vx(clip); });
    });
}

// An old-generation object with one triangle on surface "Old".
LwoObjectPtr loadOldSurface(const std::function<void(LwoBytes&)>& subChunks)
{
    LwoBytes b;
    b.chunk("SRFS", [](LwoBytes& c) { c.s0("Old"); });
    b.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    b.chunk("POLS", [](LwoBytes& c) { c.u2(3).u2(0).u2(1).u2(2).i2(1); });
    b.chunk("SURF", [&](LwoBytes& c) {
        c.s0("Old");
        subChunks(c);
    });
    return loadLwo(lwoForm(b, "LWOB"));
}

} // namespace

// ---- new-style surfaces ------------------------------------------------------------

TEST(LwoSurfaces, SurfaceWithoutSubChunksHasTheDefaults)
{
    auto object = loadSurface([](LwoBytes&) {});
    ASSERT_TRUE(object);
    ASSERT_EQ(object->surfaces.size(), 1u);
    const LwoSurface& s = *object->surfaces[0];
    EXPECT_EQ(s.name, "Default");
    EXPECT_EQ(s.sourceName, "");
    EXPECT_EQ(s.colour, (std::array<float, 3>{0.78431f, 0.78431f, 0.78431f}));
    EXPECT_EQ(s.diffuse.value, 1.0f);
    EXPECT_EQ(s.glossiness.value, 0.4f);
    EXPECT_EQ(s.refractiveIndex.value, 1.0f);
    EXPECT_EQ(s.bump.value, 1.0f);
    EXPECT_EQ(s.sidedness, 1);
    EXPECT_EQ(s.luminosity.value, 0.0f);
}

TEST(LwoSurfaces, ValuesAndEnvelopesAreRead)
{
    auto object = loadSurface([](LwoBytes& c) {
        c.sub("COLR", [](LwoBytes& s) { s.f4(0.5f).f4(1).f4(0).vx(3); });
        c.sub("DIFF", [](LwoBytes& s) { s.f4(0.8f).vx(0); });
        c.sub(lwoIdText(SpecularityId).c_str(), [](LwoBytes& s) { s.f4(0.3f).vx(0); });
        c.sub("LUMI", [](LwoBytes& s) { s.f4(0.1f).vx(2); });
        c.sub("SMAN", [](LwoBytes& s) { s.f4(1.5f); });
        c.sub("SIDE", [](LwoBytes& s) { s.u2(3); });
        c.sub("RIND", [](LwoBytes& s) { s.f4(1.33f).vx(0); });
        c.sub("ALPH", [](LwoBytes& s) { s.u2(2).f4(0.25f); });
        c.sub("GVAL", [](LwoBytes& s) { s.f4(0.6f).vx(4); });
        c.sub("LINE", [](LwoBytes& s) { s.u2(5); }); // flags only
        c.sub("XXXX", [](LwoBytes& s) { s.u4(1); }); // unknown: skipped
        c.sub("RIMG", [](LwoBytes& s) { s.vx(2); });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces[0];
    EXPECT_EQ(s.colour, (std::array<float, 3>{0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(s.colourEnvelope, 3);
    EXPECT_EQ(s.diffuse.value, 0.8f);
    EXPECT_EQ(s.specularity.value, 0.3f);
    EXPECT_EQ(s.luminosity.envelope, 2);
    EXPECT_EQ(s.smoothingAngle, 1.5f);
    EXPECT_EQ(s.sidedness, 3);
    EXPECT_EQ(s.refractiveIndex.value, 1.33f);
    EXPECT_EQ(s.alphaMode, 2);
    EXPECT_EQ(s.alphaValue, 0.25f);
    EXPECT_EQ(s.glow.envelope, 4);
    EXPECT_EQ(s.line.enable, 1);
    EXPECT_EQ(s.line.flags, 5);
    EXPECT_EQ(s.line.size, 0.0f);
    EXPECT_EQ(s.reflection.clipIndex, 2);
}

TEST(LwoSurfaces, TexturesAreOrderedByOrdinalStableForEqualOnes)
{
    auto object = loadSurface([](LwoBytes& c) {
        imageBlock(c, "b", 1);
        imageBlock(c, "a", 2);
        imageBlock(c, "b", 3);
        imageBlock(c, "\x80", 4, "DIFF");
        imageBlock(c, "a", 5, "WXYZ"); // no such channel: dropped
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces[0];
    ASSERT_EQ(s.colourTextures.size(), 3u);
    EXPECT_EQ(s.colourTextures[0]->imageMap.clipIndex, 2);
    EXPECT_EQ(s.colourTextures[1]->imageMap.clipIndex, 1);
    EXPECT_EQ(s.colourTextures[2]->imageMap.clipIndex, 3);
    ASSERT_EQ(s.diffuse.textures.size(), 1u);
    EXPECT_EQ(s.diffuse.textures[0]->ordinal, "\x80");
}

TEST(LwoSurfaces, ImageMapReadsItsMappingAndOptions)
{
    auto object = loadSurface([](LwoBytes& c) {
        c.sub("BLOK", [](LwoBytes& block) {
            block.sub("IMAP", [](LwoBytes& h) {
                h.s0("\x80");
                h.sub("CHAN", [](LwoBytes& s) { s.id("COLR"); });
                h.sub("OPAC", [](LwoBytes& s) { s.u2(1).f4(0.5f).vx(0); });
                h.sub("ENAB", [](LwoBytes& s) { s.u2(0); });
                h.sub("NEGA", [](LwoBytes& s) { s.u2(1); });
            });
            block.sub("TMAP", [](LwoBytes& m) {
                m.sub("SIZE", [](LwoBytes& s) { s.f4(2).f4(3).f4(4).vx(0); });
                m.sub("CNTR", [](LwoBytes& s) { s.f4(1).f4(0).f4(0).vx(0); });
                m.sub("FALL", [](LwoBytes& s) { s.u2(2).f4(1).f4(1).f4(1).vx(0); });
                m.sub("OREF", [](LwoBytes& s) { s.s0("(none)"); });
                m.sub("CSYS", [](LwoBytes& s) { s.u2(1); });
            });
            block.sub("PROJ", [](LwoBytes& s) { s.u2(5); });
            block.sub("IMAG", [](LwoBytes& s) { s.vx(1); });
            block.sub("VMAP", [](LwoBytes& s) { s.s0("uv"); });
            block.sub("WRAP", [](LwoBytes& s) { s.u2(1).u2(2); });
            block.sub("WRPW", [](LwoBytes& s) { s.f4(3).vx(0); });
            block.sub("AAST", [](LwoBytes& s) { s.u2(1).f4(0.5f); });
        });
    });
    ASSERT_TRUE(object);
    const LwoTexture& t = *object->surfaces[0]->colourTextures.at(0);
    EXPECT_EQ(t.type, lwoId("IMAP"));
    EXPECT_EQ(t.opacity, 0.5f);
    EXPECT_EQ(t.opacityType, 1);
    EXPECT_EQ(t.enable, 0);
    EXPECT_EQ(t.negative, 1);
    EXPECT_EQ(t.mapping.size.value, (std::array<float, 3>{2, 3, 4}));
    EXPECT_EQ(t.mapping.centre.value[0], 1.0f);
    EXPECT_EQ(t.mapping.falloffType, 2);
    EXPECT_EQ(t.mapping.referenceObject, "(none)");
    EXPECT_EQ(t.mapping.coordinateSystem, 1);
    EXPECT_EQ(t.imageMap.projection, 5);
    EXPECT_EQ(t.imageMap.clipIndex, 1);
    EXPECT_EQ(t.imageMap.vertexMapName, "uv");
    EXPECT_EQ(t.imageMap.wrapHeightMode, 2);
    EXPECT_EQ(t.imageMap.wrapWidth.value, 3.0f);
    EXPECT_EQ(t.imageMap.antialiasStrength, 0.5f);
}

TEST(LwoSurfaces, SubChunksShorterThanTheirFieldsKeepTheDefaultsOfTheRest)
{
    auto object = loadSurface([](LwoBytes& c) {
        c.sub("COLR", [](LwoBytes& s) { s.f4(0.25f); });
        c.sub("DIFF", [](LwoBytes&) {});
        c.sub("BLOK", [](LwoBytes& block) {
            block.sub("IMAP", [](LwoBytes& h) {
                h.s0("\x80");
                h.sub("CHAN", [](LwoBytes& s) { s.id("COLR"); });
                h.sub("OPAC", [](LwoBytes& s) { s.u2(1); });
                h.sub("ENAB", [](LwoBytes&) {});
            });
            block.sub("TMAP", [](LwoBytes& m) { m.sub("SIZE", [](LwoBytes& s) { s.f4(2).f4(3); }); });
            // Flags only, as a real exporter writes it; the next sub-chunk
            // must still be read as itself.
            block.sub("AAST", [](LwoBytes& s) { s.u2(1); });
            block.sub("PIXB", [](LwoBytes& s) { s.u2(1); });
        });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces[0];
    EXPECT_EQ(s.colour, (std::array<float, 3>{0.25f, 0.78431f, 0.78431f}));
    EXPECT_EQ(s.diffuse.value, 1.0f);
    const LwoTexture& t = *s.colourTextures.at(0);
    EXPECT_EQ(t.opacityType, 1);
    EXPECT_EQ(t.opacity, 1.0f);
    EXPECT_EQ(t.enable, 1);
    EXPECT_EQ(t.mapping.size.value, (std::array<float, 3>{2, 3, 1}));
    EXPECT_EQ(t.imageMap.antialiasFlags, 1);
    EXPECT_EQ(t.imageMap.antialiasStrength, 0.0f);
    EXPECT_EQ(t.imageMap.pixelBlending, 1);

    // The same in a clip and in an old surface.
    LwoBytes clip;
    clip.chunk("CLIP", [](LwoBytes& c) {
        c.u4(1).sub("STIL", [](LwoBytes& s) { s.s0("a.png"); });
        c.sub("GAMM", [](LwoBytes&) {}).sub("CONT", [](LwoBytes& s) { s.f4(0.5f); });
    });
    object = loadWith(clip);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->clips[0]->gamma.value, 1.0f);
    EXPECT_EQ(object->clips[0]->contrast.value, 0.5f);
    object = loadOldSurface([](LwoBytes& c) {
        c.sub("COLR", [](LwoBytes& s) { s.u1(10); });
        c.sub("DIFF", [](LwoBytes&) {});
        c.sub("GLOS", [](LwoBytes&) {});
    });
    ASSERT_TRUE(object);
    EXPECT_EQ(object->surfaces[0]->colour[0], 0.78431f);
    EXPECT_EQ(object->surfaces[0]->diffuse.value, 1.0f);
    EXPECT_EQ(object->surfaces[0]->glossiness.value, 0.4f);
}

TEST(LwoSurfaces, StickyProjectionIsAnOnOffWordThenATime)
{
    // A time whose third byte is 0xFF, which read as an index would announce
    // a four-byte index running past the sub-chunk.
    const uint32_t bits = 0x4120FF00u;
    float time;
    std::memcpy(&time, &bits, sizeof time);
    auto object = loadSurface([&](LwoBytes& c) {
        c.sub("BLOK", [&](LwoBytes& block) {
            block.sub("IMAP", [](LwoBytes& h) { h.s0("\x80").sub("CHAN", [](LwoBytes& s) { s.id("COLR"); }); });
            block.sub("STCK", [&](LwoBytes& s) { s.u2(1).f4(time); });
        });
    });
    ASSERT_TRUE(object);
    const LwoImageMap& map = object->surfaces[0]->colourTextures.at(0)->imageMap;
    EXPECT_EQ(map.stickyOn, 1);
    EXPECT_EQ(map.stickyTime, time);
}

TEST(LwoSurfaces, ProceduralsGradientsAndShaders)
{
    auto object = loadSurface([](LwoBytes& c) {
        c.sub("BLOK", [](LwoBytes& block) {
            block.sub("PROC", [](LwoBytes& h) {
                h.s0("\x80");
                h.sub("CHAN", [](LwoBytes& s) { s.id("BUMP"); });
            });
            block.sub("VALU", [](LwoBytes& s) { s.f4(0.25f).f4(0.5f); });
            block.sub("FUNC", [](LwoBytes& s) { s.s0("Turbulence").u4(0xDEADBEEF); });
        });
        c.sub("BLOK", [](LwoBytes& block) {
            block.sub("GRAD", [](LwoBytes& h) {
                h.s0("\x80");
                h.sub("CHAN", [](LwoBytes& s) { s.id("TRAN"); });
            });
            block.sub("PNAM", [](LwoBytes& s) { s.s0("Incidence Angle"); });
            block.sub("FKEY", [](LwoBytes& s) { s.f4(0).f4(1).f4(2).f4(3).f4(4).f4(1).f4(5).f4(6).f4(7).f4(8); });
            block.sub("IKEY", [](LwoBytes& s) { s.u2(1).u2(0); });
        });
        for (const char* ordinal : {"z", "m"})
            c.sub("BLOK", [&](LwoBytes& block) {
                block.sub("SHDR", [&](LwoBytes& h) {
                    h.s0(ordinal);
                    h.sub("ENAB", [](LwoBytes& s) { s.u2(1); });
                });
                block.sub("FUNC", [&](LwoBytes& s) { s.s0(std::string("shader-") + ordinal); });
            });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces[0];
    const LwoTexture& procedural = *s.bump.textures.at(0);
    EXPECT_EQ(procedural.procedural.value, (std::array<float, 3>{0.25f, 0.5f, 0.0f}));
    EXPECT_EQ(procedural.procedural.functionName, "Turbulence");
    EXPECT_EQ(procedural.procedural.data, (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    const LwoGradient& gradient = s.transparency.textures.at(0)->gradient;
    EXPECT_EQ(gradient.parameterName, "Incidence Angle");
    ASSERT_EQ(gradient.keys.size(), 2u);
    EXPECT_EQ(gradient.keys[1].output[3], 8.0f);
    EXPECT_EQ(gradient.integerKeys, (std::vector<uint16_t>{1, 0}));
    ASSERT_EQ(s.shaders.size(), 2u);
    EXPECT_EQ(s.shaders[0]->name, "shader-m");
    EXPECT_EQ(s.shaders[0]->flags, 1);
    EXPECT_EQ(s.shaders[1]->ordinal, "z");
}

TEST(LwoSurfaces, MalformedSurfaceFailsTheLoad)
{
    LwoBytes b;
    // A sub-chunk claiming more bytes than its surface holds.
    b.chunk("SURF", [](LwoBytes& c) { c.s0("Default").s0("").id("COLR").u2(40).f4(1); });
    LwoId id = 0;
    EXPECT_FALSE(loadLwo(lwoForm(lwoTriangle().append(b)), &id));
    EXPECT_EQ(id, lwoId("SURF"));

    // A texture header larger than its block.
    auto broken = loadSurface([](LwoBytes& c) {
        c.sub("BLOK", [](LwoBytes& block) { block.id("IMAP").u2(40).s0("x"); });
    });
    EXPECT_FALSE(broken);
}

// ---- old-style surfaces ------------------------------------------------------------

TEST(LwoOldSurfaces, FixedPointValuesAreConverted)
{
    auto object = loadOldSurface([](LwoBytes& c) {
        c.sub("COLR", [](LwoBytes& s) { s.u1(255).u1(51).u1(0).u1(0); });
        c.sub("FLAG", [](LwoBytes& s) { s.u2(0x0104); });
        c.sub("DIFF", [](LwoBytes& s) { s.i2(128); });
        c.sub("LUMI", [](LwoBytes& s) { s.i2(64); });
        c.sub("VSPC", [](LwoBytes& s) { s.f4(0.7f); });
        c.sub("GLOS", [](LwoBytes& s) { s.u2(1024); });
        c.sub("RIND", [](LwoBytes& s) { s.f4(1.5f); });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces.at(0);
    EXPECT_EQ(s.colour, (std::array<float, 3>{1.0f, 0.2f, 0.0f}));
    EXPECT_FLOAT_EQ(s.smoothingAngle, 1.56207f);
    EXPECT_EQ(s.sidedness, 3);
    EXPECT_EQ(s.diffuse.value, 0.5f);
    EXPECT_EQ(s.luminosity.value, 0.25f);
    EXPECT_EQ(s.specularity.value, 0.7f);
    EXPECT_NEAR(s.glossiness.value, 0.3333f, 1e-3f);
    EXPECT_EQ(s.refractiveIndex.value, 1.5f);
    // Corner normals follow the smoothing angle the flag gave.
    EXPECT_EQ(object->layers[0]->polygons[0].surface, 0);
}

TEST(LwoOldSurfaces, GlossinessAndFlags)
{
    auto object = loadOldSurface([](LwoBytes& c) {
        c.sub("GLOS", [](LwoBytes& s) { s.u2(64); });
        c.sub("FLAG", [](LwoBytes& s) { s.u2(0x0298); });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces.at(0);
    EXPECT_NEAR(s.glossiness.value, 0.2f, 1e-3f);
    EXPECT_EQ(s.colourHighlights.value, 1.0f);
    EXPECT_EQ(s.colourFilter.value, 1.0f);
    EXPECT_EQ(s.diffuseSharpness.value, 0.5f);
    EXPECT_EQ(s.additiveTransparency.value, 1.0f);
    EXPECT_EQ(s.smoothingAngle, 0.0f);
    EXPECT_EQ(s.sidedness, 1);

    // A glossiness of 0 means none rather than the logarithm of 0.
    auto zero = loadOldSurface([](LwoBytes& c) { c.sub("GLOS", [](LwoBytes& s) { s.u2(0); }); });
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->surfaces[0]->glossiness.value, 0.0f);
}

TEST(LwoOldSurfaces, TextureNamesBecomeImageMapsOrProcedurals)
{
    auto object = loadOldSurface([](LwoBytes& c) {
        c.sub("TFLG", [](LwoBytes& s) { s.u2(0x2); }); // before any texture: ignored
        c.sub("CTEX", [](LwoBytes& s) { s.s0("Planar Image Map"); });
        c.sub("TFLG", [](LwoBytes& s) { s.u2(0x1 | 0x4 | 0x8 | 0x40); });
        c.sub("TIMG", [](LwoBytes& s) { s.s0("Images/wood.png"); });
        c.sub("TSIZ", [](LwoBytes& s) { s.f4(2).f4(2).f4(2); });
        c.sub("TAMP", [](LwoBytes& s) { s.f4(3); });
        c.sub("CTEX", [](LwoBytes& s) { s.s0("Spherical Image Map"); });
        c.sub("TIMG", [](LwoBytes& s) { s.s0("foo (sequence)"); });
        c.sub("BTEX", [](LwoBytes& s) { s.s0("Fractal Noise"); });
        c.sub("TVAL", [](LwoBytes& s) { s.i2(128); });
        c.sub("TCLR", [](LwoBytes& s) { s.u1(255).u1(0).u1(0).u1(0); });
        c.sub("TAMP", [](LwoBytes& s) { s.f4(9); }); // not for procedurals
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces.at(0);
    ASSERT_EQ(s.colourTextures.size(), 2u);
    const LwoTexture& planar = *s.colourTextures[0];
    EXPECT_EQ(planar.type, lwoId("IMAP"));
    EXPECT_EQ(planar.imageMap.projection, 0);
    EXPECT_EQ(planar.axis, 2); // the higher bit wins
    EXPECT_EQ(planar.mapping.coordinateSystem, 1);
    EXPECT_EQ(planar.imageMap.antialiasFlags, 1);
    EXPECT_EQ(planar.imageMap.clipIndex, 1);
    EXPECT_EQ(planar.imageMap.amplitude.value, 3.0f);
    EXPECT_EQ(planar.mapping.size.value[1], 2.0f);
    EXPECT_EQ(planar.opacity, 1.0f);
    EXPECT_EQ(planar.enable, 1);
    const LwoTexture& spherical = *s.colourTextures[1];
    EXPECT_EQ(spherical.imageMap.projection, 2);
    EXPECT_EQ(spherical.imageMap.clipIndex, 2);
    EXPECT_EQ(spherical.imageMap.antialiasStrength, 1.0f);
    EXPECT_EQ(spherical.mapping.size.value[0], 1.0f);
    const LwoTexture& noise = *s.bump.textures.at(0);
    EXPECT_EQ(noise.type, lwoId("PROC"));
    EXPECT_EQ(noise.procedural.functionName, "Fractal Noise");
    EXPECT_EQ(noise.procedural.value, (std::array<float, 3>{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(noise.imageMap.amplitude.value, 0.0f);

    ASSERT_EQ(object->clips.size(), 2u);
    EXPECT_EQ(object->clips[0]->type, lwoId("STIL"));
    EXPECT_EQ(object->clips[0]->still.fileName, "Images/wood.png");
    EXPECT_EQ(object->clips[0]->index, 1);
    EXPECT_EQ(object->clips[1]->type, lwoId("ISEQ"));
    EXPECT_EQ(object->clips[1]->sequence.prefix, "foo");
    EXPECT_EQ(object->clips[1]->sequence.digits, 3);
    EXPECT_EQ(object->clips[1]->index, 2);
}

TEST(LwoOldSurfaces, TextureVelocityBecomesThreeEnvelopes)
{
    auto object = loadOldSurface([](LwoBytes& c) {
        c.sub("CTEX", [](LwoBytes& s) { s.s0("Cubic Image Map"); });
        c.sub("TCTR", [](LwoBytes& s) { s.f4(1).f4(2).f4(3); });
        c.sub("TVEL", [](LwoBytes& s) { s.f4(0.1f).f4(0).f4(-1); });
        c.sub("RIMG", [](LwoBytes& s) { s.s0("sky.tga"); });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces.at(0);
    EXPECT_EQ(s.colourTextures[0]->imageMap.projection, 3);
    ASSERT_EQ(object->envelopes.size(), 3u);
    EXPECT_EQ(s.colourTextures[0]->mapping.centre.envelope, 1);
    const LwoEnvelope& z = *object->envelopes[2];
    EXPECT_EQ(z.index, 3);
    EXPECT_EQ(z.type, 0x303);
    EXPECT_EQ(z.name, "Position.Z");
    EXPECT_EQ(z.preBehaviour, 5);
    ASSERT_EQ(z.keys.size(), 2u);
    EXPECT_EQ(z.keys[0].value, 3.0f);
    EXPECT_EQ(z.keys[1].time, 1.0f);
    EXPECT_FLOAT_EQ(z.keys[1].value, -27.0f);
    EXPECT_EQ(z.keys[1].shape, lwoId("LINE"));
    EXPECT_FLOAT_EQ(object->envelopes[0]->keys[1].value, 4.0f);
    EXPECT_EQ(s.reflection.options, 3);
    EXPECT_EQ(s.reflection.clipIndex, 1);
}

TEST(LwoOldSurfaces, ShadersTakeTheirDataFromTheNextSubChunk)
{
    auto object = loadOldSurface([](LwoBytes& c) {
        c.sub("SDAT", [](LwoBytes& s) { s.u2(1); }); // no shader yet: ignored
        c.sub("SHDR", [](LwoBytes& s) { s.s0("Edge_Z"); });
        c.sub("SDAT", [](LwoBytes& s) { s.u2(0xABCD); });
    });
    ASSERT_TRUE(object);
    const LwoSurface& s = *object->surfaces.at(0);
    ASSERT_EQ(s.shaders.size(), 1u);
    EXPECT_EQ(s.shaders[0]->name, "Edge_Z");
    EXPECT_EQ(s.shaders[0]->data, (std::vector<uint8_t>{0xAB, 0xCD}));
}

// ---- envelopes and clips --------------------------------------------------------------

TEST(LwoEnvelopes, KeysAreSortedByTimeAndSpansDescribeTheLatest)
{
    LwoBytes b;
    b.chunk("ENVL", [](LwoBytes& c) {
        c.vx(4);
        c.sub("TYPE", [](LwoBytes& s) { s.u2(0x0300); });
        c.sub("PRE ", [](LwoBytes& s) { s.u2(1); });
        c.sub("POST", [](LwoBytes& s) { s.u2(2); });
        c.sub("NAME", [](LwoBytes& s) { s.s0("Colour.R"); });
        c.sub("KEY ", [](LwoBytes& s) { s.f4(2).f4(20); });
        c.sub("KEY ", [](LwoBytes& s) { s.f4(1).f4(10); });
        c.sub("SPAN", [](LwoBytes& s) { s.id("TCB ").f4(0.1f).f4(0.2f).f4(0.3f); });
        c.sub("KEY ", [](LwoBytes& s) { s.f4(1).f4(11); });
        c.sub("SPAN", [](LwoBytes& s) { s.id("BEZ2").f4(1).f4(2).f4(3).f4(4).f4(5); });
        c.sub("CHAN", [](LwoBytes& s) { s.s0("Filter").u2(1).u2(7); });
    });
    auto object = loadWith(b);
    ASSERT_TRUE(object);
    ASSERT_EQ(object->envelopes.size(), 1u);
    const LwoEnvelope& e = *object->envelopes[0];
    EXPECT_EQ(e.index, 4);
    EXPECT_EQ(e.type, 0x0300);
    EXPECT_EQ(e.postBehaviour, 2);
    EXPECT_EQ(e.name, "Colour.R");
    ASSERT_EQ(e.keys.size(), 3u);
    EXPECT_EQ(e.keys[0].value, 10.0f);
    EXPECT_EQ(e.keys[0].shape, lwoId("TCB "));
    EXPECT_FLOAT_EQ(e.keys[0].bias, 0.3f);
    EXPECT_EQ(e.keys[1].value, 11.0f); // same time: after the earlier key
    EXPECT_EQ(e.keys[1].parameters, (std::array<float, 4>{1, 2, 3, 4}));
    EXPECT_EQ(e.keys[2].value, 20.0f);
    ASSERT_EQ(e.channelFilters.size(), 1u);
    EXPECT_EQ(e.channelFilters[0]->name, "Filter");
    EXPECT_EQ(e.channelFilters[0]->data, (std::vector<uint8_t>{0, 7}));
}

TEST(LwoEnvelopes, SpanBeforeAnyKeyFails)
{
    LwoBytes b;
    b.chunk("ENVL", [](LwoBytes& c) { c.vx(1).sub("SPAN", [](LwoBytes& s) { s.id("LINE"); }); });
    LwoId id = 0;
    EXPECT_FALSE(loadWith(b) );
    EXPECT_FALSE(loadLwo(lwoForm(lwoTriangle().append(b)), &id));
    EXPECT_EQ(id, lwoId("ENVL"));
}

TEST(LwoClips, SourcesAndImageSettings)
{
    LwoBytes b;
    b.chunk("CLIP", [](LwoBytes& c) {
        c.u4(1).sub("STIL", [](LwoBytes& s) { s.s0("Images:textures/wood.png"); });
        c.sub("TIME", [](LwoBytes& s) { s.f4(1).f4(2).f4(30); });
        c.sub("GAMM", [](LwoBytes& s) { s.f4(2.2f).vx(0); });
        c.sub("NEGA", [](LwoBytes& s) { s.u2(1); });
        c.sub("IFLT", [](LwoBytes& s) { s.s0("Blur").u2(3); });
    });
    b.chunk("CLIP", [](LwoBytes& c) {
        // Digits, flags, offset, a reserved word, start, end, prefix, suffix.
        c.u4(2).sub("ISEQ", [](LwoBytes& s) { s.u1(3).u1(1).i2(-2).u2(0x7777).i2(1).i2(99).s0("frame").s0(".png"); });
    });
    b.chunk("CLIP", [](LwoBytes& c) { c.u4(3).sub("XREF", [](LwoBytes& s) { s.u4(1).s0("copy"); }); });
    auto object = loadWith(b);
    ASSERT_TRUE(object);
    ASSERT_EQ(object->clips.size(), 3u);
    const LwoClip& still = *object->clips[0];
    EXPECT_EQ(still.type, lwoId("STIL"));
    EXPECT_EQ(still.still.fileName, "Images:textures/wood.png");
    EXPECT_EQ(still.frameRate, 30.0f);
    EXPECT_EQ(still.gamma.value, 2.2f);
    EXPECT_EQ(still.contrast.value, 1.0f);
    EXPECT_EQ(still.negative, 1);
    ASSERT_EQ(still.imageFilters.size(), 1u);
    EXPECT_EQ(still.imageFilters[0]->flags, 3);
    const LwoClip& sequence = *object->clips[1];
    EXPECT_EQ(sequence.sequence.digits, 3);
    EXPECT_EQ(sequence.sequence.offset, -2);
    EXPECT_EQ(sequence.sequence.start, 1);
    EXPECT_EQ(sequence.sequence.end, 99);
    EXPECT_EQ(sequence.sequence.prefix, "frame");
    EXPECT_EQ(sequence.sequence.suffix, ".png");
    EXPECT_EQ(object->clips[2]->reference.name, "copy");
}
