#include "xml/XmlDocument.h"

#include <cctype>
#include <climits>
#include <iterator>
#include <sys/stat.h>

#include "files/AtomicFile.h"

namespace {

// Elements, comments, processing instructions and text with something in it
// count as children; indentation between elements is not kept by the parser,
// so in an indented file the children of an element are what is written there.
bool countsAsChild(const pugi::xml_node& node)
{
    switch (node.type()) {
    case pugi::node_element:
    case pugi::node_comment:
    case pugi::node_pi:
    case pugi::node_pcdata:
    case pugi::node_cdata:
        return true;
    default:
        return false;
    }
}

pugi::xml_node firstCounted(pugi::xml_node node)
{
    while (node && !countsAsChild(node))
        node = node.next_sibling();
    return node;
}

// A conservative XML name check: the writer must never produce a document
// that the reader cannot parse. Bytes from 0x80 up are UTF-8 letters.
bool isXmlName(const std::string& name)
{
    if (name.empty())
        return false;
    auto isStart = [](unsigned char c) { return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80; };
    if (!isStart(static_cast<unsigned char>(name[0])))
        return false;
    for (unsigned char c : name)
        if (!isStart(c) && !std::isdigit(c) && c != '-' && c != '.')
            return false;
    return true;
}

class CStringWriter : public pugi::xml_writer {
public:
    explicit CStringWriter(std::string& out) : out(out) {}
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }

private:
    std::string& out;
};

// Indentation grows with depth, so a deeply nested document would be written
// with a quadratic amount of blanks; past this depth it is written unindented.
constexpr int MaxIndentedDepth = 64;

bool nestedDeeperThan(const pugi::xml_document& document, int limit)
{
    int depth = 0;
    pugi::xml_node node = document.first_child();
    while (node) {
        if (node.first_child()) {
            node = node.first_child();
            if (++depth > limit)
                return true;
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            --depth;
        }
        if (node)
            node = node.next_sibling();
    }
    return false;
}

constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

} // namespace

int CXmlNode::childCount() const
{
    int count = 0;
    for (pugi::xml_node c = firstCounted(node.first_child()); c; c = firstCounted(c.next_sibling()))
        if (count < INT_MAX)
            ++count;
    return count;
}

CXmlNode CXmlNode::child(int index) const
{
    if (index < 0)
        return {};
    for (pugi::xml_node c = firstCounted(node.first_child()); c; c = firstCounted(c.next_sibling()))
        if (index-- == 0)
            return CXmlNode(c);
    return {};
}

CXmlNode CXmlNode::nextSibling() const { return CXmlNode(firstCounted(node.next_sibling())); }

CXmlNode CXmlNode::findChild(const std::string& name) const
{
    if (!node || name.empty())
        return {};
    return CXmlNode(node.child(name.c_str()));
}

std::string CXmlNode::name() const { return node.type() == pugi::node_element ? node.name() : ""; }

bool CXmlNode::isElement() const { return node.type() == pugi::node_element; }

std::string CXmlNode::attribute(const std::string& name) const
{
    if (node.type() != pugi::node_element)
        return "";
    return node.attribute(name.c_str()).value();
}

bool CXmlNode::hasAttribute(const std::string& name) const
{
    return node.type() == pugi::node_element && node.attribute(name.c_str());
}

int CXmlNode::attributeCount() const
{
    if (node.type() != pugi::node_element)
        return 0;
    return static_cast<int>(std::distance(node.attributes_begin(), node.attributes_end()));
}

void CXmlNode::setAttribute(const std::string& name, const std::string& value)
{
    if (node.type() != pugi::node_element || !isXmlName(name))
        return;
    pugi::xml_attribute attr = node.attribute(name.c_str());
    if (!attr)
        attr = node.append_attribute(name.c_str());
    attr.set_value(value.c_str());
}

void CXmlNode::setAttribute(const std::string& name, int value) { setAttribute(name, std::to_string(value)); }

CXmlNode CXmlNode::insertElement(int position, const std::string& name)
{
    if (node.type() != pugi::node_element || !isXmlName(name))
        return {};
    CXmlNode before = child(position);
    if (!before.isNull())
        return CXmlNode(node.insert_child_before(name.c_str(), before.node));
    return CXmlNode(node.append_child(name.c_str()));
}

CXmlDocument::CXmlDocument() : document(std::make_unique<pugi::xml_document>()) {}

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::load(const std::string& path)
{
    document->reset();
    loadedFrom.clear();
    // Only plain files of a sane size: a folder or a device would otherwise be
    // read as a file of absurd length.
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MaxFileSize)
        return false;
    pugi::xml_parse_result result = document->load_file(path.c_str(), ParseOptions, pugi::encoding_auto);
    if (!result) {
        // A file that breaks off half-way is not half-read: it is not read.
        document->reset();
        return false;
    }
    loadedFrom = path;
    return true;
}

bool CXmlDocument::loadXml(const std::string& text)
{
    document->reset();
    loadedFrom.clear();
    pugi::xml_parse_result result = document->load_buffer(text.data(), text.size(), ParseOptions, pugi::encoding_utf8);
    if (!result) {
        document->reset();
        return false;
    }
    return true;
}

bool CXmlDocument::save(const std::string& path, std::string* whyNot)
{
    const std::string& target = path.empty() ? loadedFrom : path;
    return replaceFileAtomically(target, text(), whyNot);
}

std::string CXmlDocument::text() const
{
    std::string out;
    CStringWriter writer(out);
    const unsigned format = nestedDeeperThan(*document, MaxIndentedDepth) ? pugi::format_raw : pugi::format_default;
    document->save(writer, "  ", format, pugi::encoding_utf8);
    return out;
}

CXmlNode CXmlDocument::root() const { return CXmlNode(document->document_element()); }

int parseDecimal(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Saturate rather than overflow: a hand-edited 99999999999 reads as the
    // largest int, not as some wrapped-around number.
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}
