#pragma once
// The game's whole XML access: a parsed document and handles to its nodes.
// Every failure reads as "nothing there": a missing file, element or attribute
// gives a null node, a count of 0 or the empty string, never an exception.
// Names and values are UTF-8.
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

    // The first child element with this name, or a null node.
    CXmlNode findChild(const std::string& name) const;

    // Element name; "" for a null node.
    std::string name() const;
    bool isElement() const;

    std::string attribute(const std::string& name) const;
    void setAttribute(const std::string& name, const std::string& value);
    void setAttribute(const std::string& name, int value);

    // Inserts a new element before the child at position, or at the end when
    // position is at or past the child count.
    CXmlNode insertElement(int position, const std::string& name);

private:
    pugi::xml_node node;
};

class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();

    bool load(const std::string& path);
    bool loadXml(const std::string& text);
    // Writes the document; an empty path means the file it was loaded from.
    bool save(const std::string& path);

    CXmlNode root() const;

private:
    std::unique_ptr<pugi::xml_document> document;
    std::string loadedFrom;
};

// The decimal reading shared by every data file: leading white space skipped,
// an optional sign, then digits up to the first non-digit; no digits reads 0.
// Values beyond the range of int saturate instead of overflowing.
int parseDecimal(const std::string& text);
