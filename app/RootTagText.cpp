#include "app/RootTagText.h"

#include <utility>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where a name ends: at a blank, "=", "/", ">" or the end.
size_t nameEndFrom(const std::string& text, size_t at)
{
    while (at < text.size() && !isBlank(text[at]) && text[at] != '=' && text[at] != '/' && text[at] != '>')
        ++at;
    return at;
}

size_t skipBlanks(const std::string& text, size_t at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// Past the end of "<!DOCTYPE ...>", whose internal subset in brackets and
// quoted literals may hold ">" of their own; npos when it never ends.
size_t pastDoctype(const std::string& text, size_t at)
{
    int depth = 0;
    char quote = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quote) {
            quote = c == quote ? 0 : quote;
            continue;
        }
        if (c == '"' || c == '\'')
            quote = c;
        else if (c == '[')
            ++depth;
        else if (c == ']')
            --depth;
        else if (c == '>' && depth <= 0)
            return at + 1;
    }
    return std::string::npos;
}

// The "<" of the root element's start tag, past the declaration, comments,
// processing instructions and a document type; npos when there is none.
size_t rootTagStart(const std::string& text)
{
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at != std::string::npos) {
        at = skipBlanks(text, at);
        if (at >= text.size() || text[at] != '<')
            return std::string::npos;
        if (text.compare(at, 4, "<!--") == 0) {
            const size_t end = text.find("-->", at + 4);
            at = end == std::string::npos ? end : end + 3;
        } else if (text.compare(at, 2, "<?") == 0) {
            const size_t end = text.find("?>", at + 2);
            at = end == std::string::npos ? end : end + 2;
        } else if (text.compare(at, 2, "<!") == 0) {
            at = pastDoctype(text, at + 2);
        } else {
            return at;
        }
    }
    return std::string::npos;
}

std::string escapedFor(std::string_view value, char quote)
{
    std::string text;
    for (const char c : value) {
        switch (c) {
        case '&': text += "&amp;"; break;
        case '<': text += "&lt;"; break;
        case '"': text += quote == '"' ? "&quot;" : "\""; break;
        case '\'': text += quote == '\'' ? "&apos;" : "'"; break;
        default: text += c;
        }
    }
    return text;
}

} // namespace

std::optional<CRootTagText> CRootTagText::find(std::string document)
{
    CRootTagText tag(std::move(document));
    if (!tag.scan())
        return std::nullopt;
    return tag;
}

bool CRootTagText::scan()
{
    attributes.clear();
    const std::string& text = document;
    const size_t start = rootTagStart(text);
    if (start == std::string::npos)
        return false;
    nameEnd = nameEndFrom(text, start + 1);
    name = text.substr(start + 1, nameEnd - start - 1);
    if (name.empty())
        return false;
    size_t at = nameEnd;
    for (;;) {
        const size_t spaceBegin = at;
        at = skipBlanks(text, at);
        if (at >= text.size())
            return false;
        if (text[at] == '>' || text.compare(at, 2, "/>") == 0)
            return true;
        // Attributes are set apart by blanks.
        if (at == spaceBegin)
            return false;
        Attribute attribute{{}, spaceBegin, at, nameEndFrom(text, at), 0, 0};
        attribute.name = text.substr(at, attribute.nameEnd - at);
        at = skipBlanks(text, attribute.nameEnd);
        if (attribute.name.empty() || at >= text.size() || text[at] != '=')
            return false;
        at = skipBlanks(text, at + 1);
        if (at >= text.size() || (text[at] != '"' && text[at] != '\''))
            return false;
        attribute.valueBegin = at + 1;
        attribute.valueEnd = text.find(text[at], attribute.valueBegin);
        if (attribute.valueEnd == std::string::npos)
            return false;
        at = attribute.valueEnd + 1;
        attributes.push_back(std::move(attribute));
    }
}

const CRootTagText::Attribute* CRootTagText::attribute(std::string_view attributeName) const
{
    for (const Attribute& each : attributes)
        if (each.name == attributeName)
            return &each;
    return nullptr;
}

std::vector<std::string> CRootTagText::attributeNames() const
{
    std::vector<std::string> names;
    for (const Attribute& each : attributes)
        names.push_back(each.name);
    return names;
}

std::optional<std::string> CRootTagText::value(std::string_view attributeName) const
{
    const Attribute* found = attribute(attributeName);
    if (!found)
        return std::nullopt;
    return document.substr(found->valueBegin, found->valueEnd - found->valueBegin);
}

void CRootTagText::set(std::string_view attributeName, std::string_view value)
{
    if (const Attribute* found = attribute(attributeName)) {
        const char quote = document[found->valueEnd];
        document.replace(found->valueBegin, found->valueEnd - found->valueBegin, escapedFor(value, quote));
    } else {
        // As the last attribute is written: its blanks before, its "=" with
        // the blanks around it and its quote. The first one in a tag is
        // written plainly.
        std::string added = " ";
        std::string equals = "=\"";
        char quote = '"';
        size_t at = nameEnd;
        if (!attributes.empty()) {
            const Attribute& last = attributes.back();
            added = document.substr(last.spaceBegin, last.nameBegin - last.spaceBegin);
            equals = document.substr(last.nameEnd, last.valueBegin - last.nameEnd);
            quote = document[last.valueEnd];
            at = last.valueEnd + 1;
        }
        added.append(attributeName).append(equals).append(escapedFor(value, quote)).push_back(quote);
        document.insert(at, added);
    }
    scan();
}
