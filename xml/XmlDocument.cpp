#include "xml/XmlDocument.h"

#include <cctype>
#include <climits>

namespace {

// Only element children and non-white-space content count as children, which
// is how the game's files have always been read: indentation is not a node.
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

constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

} // namespace

int CXmlNode::childCount() const
{
    int count = 0;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (countsAsChild(c))
            ++count;
    return count;
}

CXmlNode CXmlNode::child(int index) const
{
    if (index < 0)
        return {};
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (!countsAsChild(c))
            continue;
        if (index-- == 0)
            return CXmlNode(c);
    }
    return {};
}

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

void CXmlNode::setAttribute(const std::string& name, const std::string& value)
{
    if (node.type() != pugi::node_element || name.empty())
        return;
    pugi::xml_attribute attr = node.attribute(name.c_str());
    if (!attr)
        attr = node.append_attribute(name.c_str());
    attr.set_value(value.c_str());
}

void CXmlNode::setAttribute(const std::string& name, int value)
{
    setAttribute(name, std::to_string(value));
}

CXmlNode CXmlNode::insertElement(int position, const std::string& name)
{
    if (!node || name.empty())
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
    pugi::xml_parse_result result = document->load_file(path.c_str(), ParseOptions, pugi::encoding_auto);
    if (!result) {
        document->reset();
        return false;
    }
    loadedFrom = path;
    return true;
}

bool CXmlDocument::loadXml(const std::string& text)
{
    document->reset();
    pugi::xml_parse_result result = document->load_buffer(text.data(), text.size(), ParseOptions, pugi::encoding_utf8);
    if (!result) {
        document->reset();
        return false;
    }
    return true;
}

bool CXmlDocument::save(const std::string& path)
{
    const std::string& target = path.empty() ? loadedFrom : path;
    if (target.empty())
        return false;
    return document->save_file(target.c_str(), "  ", pugi::format_default, pugi::encoding_utf8);
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
