#include "carddav/Dav.h"

#include "carddav/SyncError.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>

namespace pelmora::carddav {

namespace {

// The namespace of an element's prefix, looked up through its ancestors' xmlns attributes.
std::string namespaceOf(pugi::xml_node node)
{
    const std::string name = node.name();
    const auto colon = name.find(':');
    const std::string attribute = colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attribute.c_str()))
            return a.value();
    }
    return {};
}

std::string qualifiedName(pugi::xml_node node)
{
    const std::string name = node.name();
    const auto colon = name.find(':');
    return "{" + namespaceOf(node) + "}" + (colon == std::string::npos ? name : name.substr(colon + 1));
}

bool is(pugi::xml_node node, const char* ns, const char* local)
{
    return node.type() == pugi::node_element && qualifiedName(node) == qualified(ns, local);
}

std::string textOf(pugi::xml_node node)
{
    std::string text;
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    }
    return text;
}

std::string trimmed(std::string text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int statusCode(const std::string& line)
{
    // "HTTP/1.1 404 Not Found"
    const auto space = line.find(' ');
    return space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
}

void collect(pugi::xml_node node, DavProp& prop)
{
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element)
            continue;
        prop.elements.push_back(qualifiedName(child));
        if (is(child, kDav, "href"))
            prop.hrefs.push_back(trimmed(textOf(child)));
        collect(child, prop);
    }
}

} // namespace

std::string qualified(const char* ns, const char* local)
{
    return std::string("{") + ns + "}" + local;
}

bool DavProp::has(const char* ns, const char* local) const
{
    const std::string name = qualified(ns, local);
    for (const std::string& element : elements) {
        if (element == name)
            return true;
    }
    return false;
}

const DavProp* DavEntry::prop(const char* ns, const char* local) const
{
    auto it = props.find(qualified(ns, local));
    return it == props.end() ? nullptr : &it->second;
}

Multistatus parseMultistatus(std::string_view xml, const std::string& what)
{
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(xml.data(), xml.size(), pugi::parse_default);
    pugi::xml_node root = document.document_element();
    if (!parsed || !is(root, kDav, "multistatus"))
        throw SyncError("The server's answer to " + what + " cannot be read"
            + (parsed ? std::string(" (it is not a WebDAV multistatus)")
                      : std::string(" (") + parsed.description() + ")"));
    Multistatus result;
    for (pugi::xml_node node : root.children()) {
        if (is(node, kDav, "sync-token")) {
            result.syncToken = trimmed(textOf(node));
            continue;
        }
        if (!is(node, kDav, "response"))
            continue;
        DavEntry entry;
        for (pugi::xml_node part : node.children()) {
            if (is(part, kDav, "href") && entry.href.empty())
                entry.href = hrefPath(trimmed(textOf(part)));
            else if (is(part, kDav, "status"))
                entry.status = statusCode(trimmed(textOf(part)));
            else if (is(part, kDav, "propstat")) {
                int status = 200;
                for (pugi::xml_node s : part.children()) {
                    if (is(s, kDav, "status"))
                        status = statusCode(trimmed(textOf(s)));
                }
                if (status < 200 || status > 299)
                    continue;
                for (pugi::xml_node prop : part.children()) {
                    if (!is(prop, kDav, "prop"))
                        continue;
                    for (pugi::xml_node p : prop.children()) {
                        if (p.type() != pugi::node_element)
                            continue;
                        DavProp value;
                        value.text = textOf(p);
                        collect(p, value);
                        entry.props[qualifiedName(p)] = std::move(value);
                    }
                }
            }
        }
        if (entry.href.empty())
            throw SyncError("The server's answer to " + what + " cannot be read (a response without its address)");
        result.entries.push_back(std::move(entry));
    }
    return result;
}

std::string hrefPath(const std::string& href)
{
    const auto scheme = href.find("://");
    if (scheme == std::string::npos)
        return href;
    const auto path = href.find('/', scheme + 3);
    return path == std::string::npos ? "/" : href.substr(path);
}

std::string xmlEscaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace pelmora::carddav
