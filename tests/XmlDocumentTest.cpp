#include "xml/XmlDocument.h"

#include <climits>

#include <gtest/gtest.h>

#include "tests/DataTestFolder.h"

namespace {

// Everything read from a node that is not there is empty.
void expectNothingThere(const CXmlNode& node)
{
    EXPECT_TRUE(node.isNull());
    EXPECT_EQ(node.childCount(), 0);
    EXPECT_TRUE(node.child(0).isNull());
    EXPECT_TRUE(node.findChild("Entry").isNull());
    EXPECT_EQ(node.attribute("name"), "");
    EXPECT_EQ(node.name(), "");
    EXPECT_FALSE(node.isElement());
}

} // namespace

// ---- reading what is not there --------------------------------------------

TEST(XmlDocumentMissing, FileThatDoesNotExistReadsAsNothing)
{
    CXmlDocument document;
    EXPECT_FALSE(document.load("/tmp/vesbrik-no-such-folder/none.xml"));
    expectNothingThere(document.root());
}

TEST(XmlDocumentMissing, FolderOrDeviceIsNotReadAsAFile)
{
    CXmlDocument document;
    EXPECT_FALSE(document.load("/tmp"));
    EXPECT_FALSE(document.load("/dev/zero"));
    EXPECT_TRUE(document.root().isNull());
}

TEST(XmlDocumentMissing, AbsentChildAndAttributeReadEmpty)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<sounds><music file=\"a.ogg\" volume=\"\"/></sounds>"));
    CXmlNode root = document.root();
    expectNothingThere(root.findChild("effects"));
    expectNothingThere(root.child(1));
    expectNothingThere(root.child(-1));
    EXPECT_EQ(root.findChild("music").attribute("missing"), "");
    // Present but empty reads the same as absent.
    EXPECT_EQ(root.findChild("music").attribute("volume"), "");
    EXPECT_EQ(parseDecimal(root.findChild("music").attribute("volume")), 0);
}

TEST(XmlDocumentMissing, FindChildMatchesExactElementNamesOnly)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<r><!--music--><Music/><music n=\"1\"/><music n=\"2\"/><x><y/></x></r>"));
    CXmlNode root = document.root();
    EXPECT_EQ(root.findChild("music").attribute("n"), "1");
    EXPECT_EQ(root.findChild("Music").name(), "Music");
    EXPECT_TRUE(root.findChild("y").isNull());
    EXPECT_TRUE(root.findChild("x/y").isNull());
    EXPECT_TRUE(root.findChild("").isNull());
}

// ---- what counts as a child -------------------------------------------------

TEST(XmlDocumentChildren, IndentationIsNotAChildButCommentsAndTextAre)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<r>\n  <a/>\n  <!-- note -->\n  <?pi x?>\n  text\n  <b/>\n</r>"));
    CXmlNode root = document.root();
    ASSERT_EQ(root.childCount(), 5);
    EXPECT_EQ(root.child(0).name(), "a");
    EXPECT_FALSE(root.child(1).isElement());
    EXPECT_FALSE(root.child(2).isElement());
    EXPECT_FALSE(root.child(3).isElement());
    EXPECT_EQ(root.child(4).name(), "b");
    EXPECT_TRUE(root.child(5).isNull());

    // Walking by siblings visits the same nodes as counting.
    int walked = 0;
    for (CXmlNode node = root.child(0); !node.isNull(); node = node.nextSibling())
        ++walked;
    EXPECT_EQ(walked, 5);
    // Attributes are read from elements only.
    EXPECT_EQ(root.child(1).attribute("x"), "");
}

// ---- writing ------------------------------------------------------------------

TEST(XmlDocumentWrite, SecondWriteOfAnAttributeReplacesTheFirst)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<r/>"));
    CXmlNode root = document.root();
    root.setAttribute("name", "first");
    root.setAttribute("name", "second");
    EXPECT_EQ(root.attribute("name"), "second");
    const std::string text = document.text();
    EXPECT_EQ(text.find("name="), text.rfind("name="));
}

TEST(XmlDocumentWrite, IntegersAreWrittenAsPlainDecimals)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<r/>"));
    CXmlNode root = document.root();
    root.setAttribute("a", -5);
    root.setAttribute("b", 0);
    root.setAttribute("c", INT_MIN);
    root.setAttribute("d", 1234567);
    EXPECT_EQ(root.attribute("a"), "-5");
    EXPECT_EQ(root.attribute("b"), "0");
    EXPECT_EQ(root.attribute("c"), "-2147483648");
    EXPECT_EQ(root.attribute("d"), "1234567");
}

TEST(XmlDocumentWrite, InsertPlacesBeforeThePositionOrAtTheEnd)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<r><a/><b/></r>"));
    CXmlNode root = document.root();
    EXPECT_EQ(root.insertElement(root.childCount(), "last").name(), "last");
    EXPECT_EQ(root.insertElement(0, "first").name(), "first");
    EXPECT_EQ(root.insertElement(2, "middle").name(), "middle");
    EXPECT_EQ(root.insertElement(1000, "beyond").name(), "beyond");
    const char* order[] = {"first", "a", "middle", "b", "last", "beyond"};
    ASSERT_EQ(root.childCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(root.child(i).name(), order[i]) << i;
}

TEST(XmlDocumentWrite, NothingCanBeWrittenThroughANullNode)
{
    CXmlNode nothing;
    nothing.setAttribute("a", "1");
    EXPECT_TRUE(nothing.insertElement(0, "x").isNull());
    CXmlDocument empty;
    EXPECT_TRUE(empty.root().insertElement(0, "x").isNull());
    EXPECT_FALSE(empty.save(""));
}

TEST(XmlDocumentWrite, NamesThatWouldBreakTheFileAreRefused)
{
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml("<r/>"));
    CXmlNode root = document.root();
    for (const char* bad : {"", "a b", "1st", "a=b", "x\"", "<y>", "-z", "a/b"}) {
        root.setAttribute(bad, "v");
        EXPECT_TRUE(root.insertElement(0, bad).isNull()) << bad;
    }
    root.setAttribute("ok_name-1.x", "v");
    root.setAttribute("\xC3\xA9t\xC3\xA9", "summer");
    CXmlDocument again;
    ASSERT_TRUE(again.loadXml(document.text()));
    EXPECT_EQ(again.root().attribute("ok_name-1.x"), "v");
    EXPECT_EQ(again.root().attribute("\xC3\xA9t\xC3\xA9"), "summer");
    EXPECT_EQ(again.root().childCount(), 0);
}

TEST(XmlDocumentWrite, NamesAndValuesRoundTripThroughAFile)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string file = folder.path("names.xml");
    const std::string nonAscii = "Jos\xC3\xA9 Stra\xC3\x9F" "e \xC3\xB8";
    const std::string special = "<a & b> \"q\" 'a' \t tab\nline ]]>";
    {
        CXmlDocument document;
        ASSERT_TRUE(document.loadXml("<r/>"));
        CXmlNode element = document.root().insertElement(0, "\xC3\x9F" "ahne");
        element.setAttribute("n", nonAscii);
        element.setAttribute("s", special);
        ASSERT_TRUE(document.save(file));
    }
    CXmlDocument document;
    ASSERT_TRUE(document.load(file));
    CXmlNode element = document.root().child(0);
    EXPECT_EQ(element.name(), "\xC3\x9F" "ahne");
    EXPECT_EQ(element.attribute("n"), nonAscii);
    EXPECT_EQ(element.attribute("s"), special);

    // An empty path writes back to where the document came from.
    element.setAttribute("n", "changed");
    ASSERT_TRUE(document.save(""));
    CXmlDocument reread;
    ASSERT_TRUE(reread.load(file));
    EXPECT_EQ(reread.root().child(0).attribute("n"), "changed");
}

// ---- ill-formed input -------------------------------------------------------

TEST(XmlDocumentMalformed, BrokenFilesLoadAsNothing)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string broken[] = {
        "",
        "<hiscore><Entry name=\"a\" score=\"5\"/><Entry na",
        "<r><a></b></r>",
        std::string("\x00\x01\xFF\xFE junk \x89PNG\r\n", 15),
        "just some words",
    };
    for (const std::string& bytes : broken) {
        CXmlDocument document;
        EXPECT_FALSE(document.load(folder.write("broken.xml", bytes))) << bytes;
        expectNothingThere(document.root());
    }
}

TEST(XmlDocumentMalformed, DeepNestingNeitherCrashesNorOverflowsTheStack)
{
    const int depth = 100000;
    CXmlDocument document;
    ASSERT_TRUE(document.loadXml(deeplyNested(depth, true)));
    EXPECT_EQ(document.root().attribute("width"), "1024");
    EXPECT_EQ(document.root().childCount(), 1);
    // Writing it out walks the whole depth too, without indenting every level
    // by its depth (which would take gigabytes).
    const std::string text = document.text();
    EXPECT_GT(text.size(), static_cast<size_t>(depth) * 7);
    EXPECT_LT(text.size(), static_cast<size_t>(depth) * 10);

    EXPECT_FALSE(document.loadXml(deeplyNested(depth, false)));
    EXPECT_TRUE(document.root().isNull());
}

TEST(XmlDocumentMalformed, Latin1DeclaredFileIsReadAsLatin1)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string file = folder.write(
        "latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r name=\"Ren\xE9 Gro\xDF\"/>");
    CXmlDocument document;
    ASSERT_TRUE(document.load(file));
    EXPECT_EQ(document.root().attribute("name"), "Ren\xC3\xA9 Gro\xC3\x9F");
}

TEST(XmlDocumentMalformed, Utf16FileWithByteOrderMarkIsRead)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string ascii = "<r width=\"640\"/>";
    std::string utf16 = "\xFF\xFE";
    for (char c : ascii) {
        utf16 += c;
        utf16 += '\0';
    }
    CXmlDocument document;
    ASSERT_TRUE(document.load(folder.write("utf16.xml", utf16)));
    EXPECT_EQ(document.root().attribute("width"), "640");
}

// ---- the decimal reading --------------------------------------------------

TEST(XmlDecimal, ReadsLeadingDigitsAndNothingElse)
{
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"640", 640},          {" 640", 640},        {"\t\r\n 12", 12},   {"640px", 640},
        {"px640", 0},          {"", 0},              {"   ", 0},          {"-5", -5},
        {"+7", 7},             {"- 5", 0},           {"--5", 0},          {"-", 0},
        {"1.9", 1},            {"0x1F", 0},          {"007", 7},          {"2147483647", INT_MAX},
        {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX}, {"-99999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseDecimal(c.text), c.value) << '"' << c.text << '"';
}
