#pragma once
// The start tag of an XML document's root element, found in the document's
// own bytes: where each attribute's value lies between its quotes, so that a
// value can be changed without moving a byte around it. What the player wrote
// before, around and after (the declaration, comments, line breaks, the order
// and spacing of the attributes, the other values) stays exactly as it was.
// Works on bytes in any encoding that writes markup as ASCII (UTF-8, Latin-1);
// a document it cannot follow (UTF-16, say) gives none.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CRootTagText {
public:
    // None when no root start tag can be found in the bytes.
    static std::optional<CRootTagText> find(std::string document);

    // The root element's name, and its attributes' names in order.
    const std::string& elementName() const { return name; }
    std::vector<std::string> attributeNames() const;
    // An attribute's value as written between its quotes (entities as they
    // stand); none when the tag does not carry it.
    std::optional<std::string> value(std::string_view attribute) const;

    // Replaces the attribute's value, or adds the attribute after the last one
    // in the tag's own style: the same spacing before it and around its "="
    // and the same quotes. The value is escaped for the quote it sits in.
    void set(std::string_view attribute, std::string_view value);

    const std::string& text() const { return document; }

private:
    struct Attribute {
        std::string name;
        size_t spaceBegin; // the blanks before the name
        size_t nameBegin;
        size_t nameEnd;
        size_t valueBegin; // after the opening quote
        size_t valueEnd;   // at the closing quote
    };

    explicit CRootTagText(std::string document) : document(std::move(document)) {}
    bool scan();
    const Attribute* attribute(std::string_view attributeName) const;

    std::string document;
    std::string name;
    size_t nameEnd = 0;
    std::vector<Attribute> attributes;
};
