// The primitive readers and the chunk framing of LightWave objects.
#include "LwoTestBytes.h"

#include <gtest/gtest.h>

namespace {

CLwoReader readerOver(const std::vector<uint8_t>& bytes) { return CLwoReader(bytes.data(), bytes.size()); }

} // namespace

// ---- primitives ------------------------------------------------------------

TEST(LwoPrimitives, NumbersAreBigEndian)
{
    const std::vector<uint8_t> bytes{0x46, 0x4F, 0x52, 0x4D, 0x12, 0x34, 0xFF, 0xFE, 0x3F, 0x80, 0x00, 0x00, 0x7F};
    CLwoReader in = readerOver(bytes);
    EXPECT_EQ(in.readId4(), lwoId("FORM"));
    EXPECT_EQ(lwoId("FORM"), 0x464F524Du);
    EXPECT_EQ(in.readU2(), 0x1234);
    EXPECT_EQ(in.readI2(), -2);
    EXPECT_EQ(in.readF4(), 1.0f);
    EXPECT_EQ(in.readU1(), 0x7F);
    EXPECT_EQ(in.count(), 13);
    EXPECT_FALSE(in.failed());
}

TEST(LwoPrimitives, VariableIndexTakesTwoOrFourBytes)
{
    const std::vector<uint8_t> bytes{0xFF, 0x01, 0x02, 0x03, 0x00, 0x05, 0xFE, 0xFF};
    CLwoReader in = readerOver(bytes);
    EXPECT_EQ(in.readVx(), 0x010203u);
    EXPECT_EQ(in.tell(), 4u);
    EXPECT_EQ(in.readVx(), 5u);
    EXPECT_EQ(in.tell(), 6u);
    // Only a first byte of 0xFF announces the long form.
    EXPECT_EQ(in.readVx(), 0xFEFFu);
    EXPECT_FALSE(in.failed());
}

TEST(LwoPrimitives, TruncatedLongIndexFails)
{
    const std::vector<uint8_t> bytes{0xFF, 0x01, 0x02};
    CLwoReader in = readerOver(bytes);
    in.readVx();
    EXPECT_TRUE(in.failed());
}

TEST(LwoPrimitives, StringsArePaddedToEvenLengths)
{
    LwoBytes b;
    b.u2(0).raw({'a', 'b', 0, 0}).raw({'a', 'b', 'c', 0}).u2(0x7777);
    CLwoReader in = readerOver(b.data);
    EXPECT_EQ(in.readS0(), "");
    EXPECT_EQ(in.tell(), 2u);
    EXPECT_EQ(in.readS0(), "ab");
    EXPECT_EQ(in.tell(), 6u);
    EXPECT_EQ(in.readS0(), "abc");
    EXPECT_EQ(in.tell(), 10u);
    EXPECT_EQ(in.readU2(), 0x7777);
}

TEST(LwoPrimitives, StringWithoutTerminatorFailsInsteadOfRunningOn)
{
    const std::vector<uint8_t> bytes{'a', 'b', 'c'};
    CLwoReader in = readerOver(bytes);
    EXPECT_EQ(in.readS0(), "");
    EXPECT_TRUE(in.failed());
}

TEST(LwoPrimitives, FailureIsStickyAndReadsGiveZero)
{
    const std::vector<uint8_t> bytes{0x01, 0x02, 0x03};
    CLwoReader in = readerOver(bytes);
    EXPECT_EQ(in.readU4(), 0u);
    EXPECT_TRUE(in.failed());
    // The bytes are there for a U2, but the reader has already failed.
    in.seek(0);
    EXPECT_EQ(in.readU2(), 0u);
    EXPECT_TRUE(in.readBytes(1).empty());
}

TEST(LwoPrimitives, ReadsPastTheLimitGiveFallbacksWithoutFailing)
{
    LwoBytes b;
    b.u2(1).raw({'a', 'b', 'c', 'd'}).u2(0).u4(0x12345678);
    CLwoReader in = readerOver(b.data);
    in.setLimit(6);
    EXPECT_TRUE(in.has(2));
    EXPECT_EQ(in.readU2(), 1);
    // The string's zero lies past the limit: no string, and the reader
    // stands at the limit, where every further field gets its fallback.
    EXPECT_EQ(in.readS0(), "");
    EXPECT_EQ(in.tell(), 6u);
    EXPECT_FALSE(in.has(1));
    EXPECT_EQ(in.readF4(0.5f), 0.5f);
    EXPECT_EQ(in.readVx(7), 7u);
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(in.count(), 2);
    // Without the limit the bytes are there to read.
    in.setLimit(SIZE_MAX);
    EXPECT_EQ(in.readU2(), 0);
    EXPECT_EQ(in.readU4(), 0x12345678u);
    // The end of the data still fails, limit or not.
    in.setLimit(SIZE_MAX);
    in.readU2();
    EXPECT_TRUE(in.failed());
}

TEST(LwoPrimitives, BlockReaderIsBoundedByItsLength)
{
    const std::vector<uint8_t> bytes{0, 1, 0, 2, 0, 3};
    CLwoReader in = readerOver(bytes);
    CLwoReader block = in.readBlock(4);
    EXPECT_EQ(in.tell(), 4u);
    EXPECT_EQ(block.readU2(), 1);
    EXPECT_EQ(block.readU2(), 2);
    EXPECT_EQ(block.readU2(), 0);
    EXPECT_TRUE(block.failed());
    EXPECT_FALSE(in.failed());
    in.readBlock(3);
    EXPECT_TRUE(in.failed());
}

TEST(LwoPrimitives, SubChunkLoopSkipsShortBodiesAndFailsOverruns)
{
    LwoBytes b;
    b.sub("AAAA", [](LwoBytes& s) { s.u4(1).u4(2); }).sub("BBBB", [](LwoBytes& s) { s.u2(7); });
    {
        CLwoReader in = readerOver(b.data);
        std::vector<uint16_t> seen;
        // Reads only the first U2 of each body; the rest is skipped.
        EXPECT_TRUE(readLwoSubChunks(in, 0, b.data.size(), [&](const LwoSubChunk& sub) {
            seen.push_back(in.readU2());
            return sub.size > 0;
        }));
        EXPECT_EQ(seen, (std::vector<uint16_t>{0, 7}));
    }
    {
        CLwoReader in = readerOver(b.data);
        // A body shorter than its fields: what is there is read, the rest
        // gets its fallback, and the next sub-chunk is not touched.
        std::vector<uint32_t> seen;
        EXPECT_TRUE(readLwoSubChunks(in, 0, b.data.size(), [&](const LwoSubChunk&) {
            seen.push_back(in.readU2());
            seen.push_back(in.readU4(99));
            seen.push_back(in.readU2(98));
            return true;
        }));
        EXPECT_EQ(seen, (std::vector<uint32_t>{0, 0x10000, 2, 7, 99, 98}));
    }
    {
        // A sub-chunk claiming more than its chunk holds.
        CLwoReader in = readerOver(b.data);
        EXPECT_FALSE(readLwoSubChunks(in, 0, 10, [&](const LwoSubChunk&) { return true; }));
    }
}

// ---- chunk framing -----------------------------------------------------------

TEST(LwoFraming, FileWithoutLayerChunkHasOneLayer)
{
    auto object = loadLwo(lwoForm(lwoTriangle()));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->layerCount, 1);
    ASSERT_EQ(object->layers.size(), 1u);
    EXPECT_EQ(object->layers[0]->points.size(), 3u);
    EXPECT_EQ(object->layers[0]->polygons.size(), 1u);
}

TEST(LwoFraming, FirstLayerChunkFillsTheFirstLayerLaterOnesAddLayers)
{
    LwoBytes b;
    b.tags({"s"}).points({{1, 2, 3}});
    b.chunk("LAYR", [](LwoBytes& c) { c.u2(7).u2(1).f4(1).f4(2).f4(3).s0("base"); });
    b.points({{4, 5, 6}});
    b.chunk("LAYR", [](LwoBytes& c) { c.u2(8).u2(0).f4(0).f4(0).f4(0).s0("child").u2(7); });
    b.points({{7, 8, 9}});
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->layerCount, 2);
    ASSERT_EQ(object->layers.size(), 2u);
    const LwoLayer& first = *object->layers[0];
    EXPECT_EQ(first.points.size(), 2u);
    EXPECT_EQ(first.index, 7);
    EXPECT_EQ(first.flags, 1);
    EXPECT_EQ(first.name, "base");
    EXPECT_EQ(first.pivot[2], 3.0f);
    EXPECT_EQ(first.parent, 0); // no parent field in that chunk
    EXPECT_EQ(object->layers[1]->parent, 7);
    EXPECT_EQ(object->layers[1]->points[0].position[0], 7.0f);
}

TEST(LwoFraming, UnknownAndOddSizedChunksAreSkipped)
{
    LwoBytes b;
    b.chunk("ZZZZ", [](LwoBytes& c) { c.raw({1, 2, 3}); }); // padded to 4
    b.append(lwoTriangle());
    b.chunk("ICON", [](LwoBytes& c) { c.u4(0xFFFFFFFF); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->layers[0]->polygons.size(), 1u);
}

TEST(LwoFraming, ChunksEndWithTheForm)
{
    std::vector<uint8_t> bytes = lwoForm(lwoTriangle());
    // Bytes after the form are not part of the object.
    bytes.insert(bytes.end(), {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(loadLwo(bytes));
}

TEST(LwoFraming, NotALightWaveObject)
{
    LwoId id = 0x12345678;
    long position = -1;
    EXPECT_FALSE(loadLwo(lwoForm(lwoTriangle(), "LWO3"), &id, &position));
    EXPECT_EQ(position, 12);
    EXPECT_EQ(id, 0x12345678u);

    std::vector<uint8_t> riff = lwoForm(lwoTriangle());
    std::memcpy(riff.data(), "RIFF", 4);
    position = -1;
    EXPECT_FALSE(loadLwo(riff, &id, &position));
    EXPECT_EQ(position, 12);

    // Too short to hold a header: neither output is touched.
    position = -1;
    const std::vector<uint8_t> shortFile{'F', 'O', 'R', 'M', 0, 0, 0, 4, 'L', 'W', 'O'};
    EXPECT_FALSE(loadLwo(shortFile, &id, &position));
    EXPECT_EQ(position, -1);
    EXPECT_EQ(id, 0x12345678u);
}

TEST(LwoFraming, MissingFileTouchesNoOutput)
{
    LwoId id = 99;
    long position = 99;
    EXPECT_FALSE(loadLwoObject("/nonexistent/none.lwo", &id, &position));
    EXPECT_EQ(id, 99u);
    EXPECT_EQ(position, 99);
}

TEST(LwoFraming, ChunkClaimingMoreThanTheFileFailsWithoutAllocating)
{
    LwoBytes b;
    b.tags({"s"}).id("PNTS").u4(0xFFFFFFF0u).f4(0).f4(0).f4(0);
    LwoId id = 0;
    long position = 0;
    EXPECT_FALSE(loadLwo(lwoForm(b), &id, &position));
    EXPECT_EQ(id, lwoId("PNTS"));
    EXPECT_GT(position, 12);
}

TEST(LwoFraming, FormClaimingMoreThanTheFileFails)
{
    std::vector<uint8_t> bytes = lwoForm(lwoTriangle());
    bytes[7] += 8; // the form size now promises another chunk
    EXPECT_FALSE(loadLwo(bytes));
}

TEST(LwoFraming, ChunkReadPastItsEndFailsWithItsIdAndPosition)
{
    LwoBytes b = lwoTriangle();
    // A bounding box needs 24 bytes; this one has 8, so its reader runs into
    // the next chunk.
    b.chunk("BBOX", [](LwoBytes& c) { c.f4(1).f4(2); });
    b.tags({"another", "tag", "string"});
    std::vector<uint8_t> bytes = lwoForm(b);
    LwoId id = 0;
    long position = 0;
    EXPECT_FALSE(loadLwo(bytes, &id, &position));
    EXPECT_EQ(id, lwoId("BBOX"));
    // The 24 bytes were read from a body that starts before the 28-byte TAGS
    // chunk's header (8 bytes) and its own 8 bytes.
    EXPECT_EQ(size_t(position), bytes.size() - 28 - 8 + 24);
}

TEST(LwoFraming, FaultsFoundAfterTheChunksAreReportedWhereTheyWereRead)
{
    // A surface tag naming no tag string is known only once every chunk is
    // read; it is reported at its PTAG chunk, just after the bad pair, not at
    // the chunks that follow.
    LwoBytes b = lwoTriangle();
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(0).u2(1); });
    const size_t afterPair = 12 + b.data.size();
    b.chunk("SURF", [](LwoBytes& c) { c.s0("Default").s0(""); }).chunk("ZZZZ", [](LwoBytes& c) { c.u4(0); });
    LwoId id = 0;
    long position = 0;
    EXPECT_FALSE(loadLwo(lwoForm(b), &id, &position));
    EXPECT_EQ(id, lwoId("PTAG"));
    EXPECT_EQ(size_t(position), afterPair);

    // In the older files the tag is the polygon's surface number.
    LwoBytes old;
    old.chunk("SRFS", [](LwoBytes& c) { c.s0("Red"); });
    old.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    old.chunk("POLS", [](LwoBytes& c) { c.u2(3).u2(0).u2(1).u2(2).i2(1).u2(3).u2(2).u2(1).u2(0).i2(2); });
    const size_t afterSecond = 12 + old.data.size();
    old.chunk("SURF", [](LwoBytes& c) { c.s0("Red"); });
    id = 0;
    EXPECT_FALSE(loadLwo(lwoForm(old, "LWOB"), &id, &position));
    EXPECT_EQ(id, lwoId("POLS"));
    EXPECT_EQ(size_t(position), afterSecond);

    // Surface number 0 names nothing: the chunk itself fails.
    LwoBytes zero;
    zero.chunk("SRFS", [](LwoBytes& c) { c.s0("Red"); }).points({{0, 0, 0}});
    zero.chunk("POLS", [](LwoBytes& c) { c.u2(1).u2(0).i2(0); });
    zero.chunk("SURF", [](LwoBytes& c) { c.s0("Red"); });
    id = 0;
    EXPECT_FALSE(loadLwo(lwoForm(zero, "LWOB"), &id));
    EXPECT_EQ(id, lwoId("POLS"));
}

TEST(LwoFraming, OldFormIsReadAsOldFile)
{
    LwoBytes b;
    b.chunk("SRFS", [](LwoBytes& c) { c.s0("Red").s0("Blue"); });
    b.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
    b.chunk("POLS", [](LwoBytes& c) {
        c.u2(3).u2(0).u2(1).u2(2).i2(2);  // Blue
        c.u2(4).u2(0).u2(1).u2(3).u2(2).i2(-1); // Red, with detail polygons
        c.u2(1);                                // one detail polygon
        c.u2(3).u2(1).u2(3).u2(2).i2(1);        // Red
    });
    b.chunk("SURF", [](LwoBytes& c) { c.s0("Red").sub("COLR", [](LwoBytes& s) { s.u1(255).u1(0).u1(0).u1(0); }); });
    auto object = loadLwo(lwoForm(b, "LWOB"));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    ASSERT_EQ(layer.polygons.size(), 3u);
    EXPECT_EQ(layer.polygons[0].surfaceTag, 1);
    EXPECT_EQ(layer.polygons[1].cornerCount, 4);
    EXPECT_EQ(layer.polygons[1].surfaceTag, 0);
    EXPECT_EQ(layer.polygons[2].surfaceTag, 0);
    EXPECT_EQ(layer.polygons[2].type, lwoId("FACE"));
    EXPECT_EQ(layer.corner(layer.polygons[2], 1).point, 3);
    // Red from its SURF chunk, Blue made as a default.
    ASSERT_EQ(object->surfaces.size(), 2u);
    EXPECT_EQ(object->surfaces[size_t(layer.polygons[1].surface)]->colour[0], 1.0f);
    EXPECT_EQ(object->surfaces[size_t(layer.polygons[0].surface)]->name, "Blue");
}
