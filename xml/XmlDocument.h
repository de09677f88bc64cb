#pragma once
// The game's whole XML access: a parsed document and handles to its nodes.
// Every failure reads as "nothing there": a missing file, element or attribute
// gives a null node, a count of 0 or the empty string, never an exception.
// Names and values are UTF-8. Node handles point into their document and must
// not outlive it, nor be used after the document loads again.
#include <memory>
#include <string>

#include <pugixml.hpp>

class CXmlNode {
public:
    CXmlNode() = default;
    explicit CXmlNode(pugi::xml_node node) : node(node) {}

    bool isNull() const { return !node; }

    // All child nodes (elements, comments, processing instructions; text
    // made only of white space is not kept).
    int childCount() const;
    CXmlNode child(int index) const;
    // The next node in the parent's child list by the same counting, or a null
    // node after the last; walks long lists without counting from the start.
    CXmlNode nextSibling() const;

    // The first child element with exactly this name, or a null node. The
    // name is matched as a plain element name; a path finds nothing.
    CXmlNode findChild(const std::string& name) const;

    // Element name; "" for a null node.
    std::string name() const;
    bool isElement() const;

    // The attribute's text; "" when it is absent or this is not an element.
    std::string attribute(const std::string& name) const;
    // Whether the element carries the attribute, empty or not.
    bool hasAttribute(const std::string& name) const;
    // The number of the element's attributes; 0 when this is not an element.
    int attributeCount() const;
    // Writing a name that is already there replaces its value. Names that are
    // not valid XML names are refused (nothing is written), so a saved document
    // always parses again.
    void setAttribute(const std::string& name, const std::string& value);
    void setAttribute(const std::string& name, int value);

    // Inserts a new element before the child at position, or at the end when
    // position is at or past the child count. A null node when this is not an
    // element or the name is not a valid XML name.
    CXmlNode insertElement(int position, const std::string& name);

private:
    pugi::xml_node node;
};

class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();

    // Parses a file (encoding from its byte-order mark or declaration, UTF-8
    // otherwise). False, with an empty document, when the file is missing, not
    // a regular file, larger than MaxFileSize or not well-formed.
    bool load(const std::string& path);
    bool loadXml(const std::string& text);
    // Replaces the file with the document in one step (see AtomicFile.h): a
    // failed save leaves the old file whole. An empty path means the file the
    // document was loaded from. True when the new file is safely on disk;
    // otherwise *whyNot (when given) names what stood in the way.
    bool save(const std::string& path, std::string* whyNot = nullptr);
    // The document as save writes it: UTF-8 with a declaration, indented.
    std::string text() const;

    // The game's data files are a few kilobytes; anything this large is not one
    // of them and is not read into memory.
    static constexpr long long MaxFileSize = 16 * 1024 * 1024;

    CXmlNode root() const;

private:
    std::unique_ptr<pugi::xml_document> document;
    std::string loadedFrom;
};

// The decimal reading shared by every data file: leading white space skipped,
// an optional sign, then digits up to the first non-digit; no digits reads 0.
// Values beyond the range of int saturate instead of overflowing.
int parseDecimal(const std::string& text);
