#include "mail/MessageJson.h"

#include "base/Error.h"
#include "mail/Digest.h"
#include "mail/TextUtil.h"

namespace pelmora::mail {

namespace {

using nlohmann::json;

json addressToJson(const TmsMailAddress& address)
{
    return {{"name", address.Name.str()}, {"address", address.Address.str()}};
}

json listToJson(const TmsAddressList& list)
{
    json out = json::array();
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(addressToJson(list.Items(i)));
    return out;
}

const char* encodingKey(TAttEncoding encoding)
{
    return encoding == aeBase64 ? "base64" : encoding == aeQuotedPrintable ? "quoted-printable" : "7bit";
}

std::string stringField(const json& value, const char* key)
{
    if (!value.contains(key) || value[key].is_null())
        return {};
    if (!value[key].is_string())
        throw Error(std::string("JSON field \"") + key + "\" must be a text");
    return value[key].get<std::string>();
}

void addressFromJson(const json& value, TmsMailAddress& address)
{
    if (value.is_string()) {
        ParseAddress(value.get<std::string>(), address);
    } else if (value.is_object()) {
        address.Name = stringField(value, "name");
        address.Address = stringField(value, "address");
    } else {
        throw Error("An address must be a text or an object with \"name\" and \"address\"");
    }
}

void listFromJson(const json& root, const char* key, TmsAddressList& list)
{
    if (!root.contains(key) || root[key].is_null())
        return;
    const json& value = root[key];
    if (!value.is_array()) {
        addressFromJson(value, list.Add("", ""));
        return;
    }
    for (const json& item : value)
        addressFromJson(item, list.Add("", ""));
}

std::filesystem::path findFile(const std::string& path, const std::filesystem::path& baseDir)
{
    std::filesystem::path candidate(path);
    std::error_code ec;
    if (candidate.is_relative() && !std::filesystem::exists(candidate, ec) &&
        std::filesystem::exists(baseDir / candidate, ec))
        return baseDir / candidate;
    return candidate;
}

void attachmentsFromJson(const json& root, const std::filesystem::path& baseDir, TmsAttList& list)
{
    if (!root.contains("attachments") || root["attachments"].is_null())
        return;
    if (!root["attachments"].is_array())
        throw Error("JSON field \"attachments\" must be a list");
    for (const json& item : root["attachments"]) {
        std::string path = item.is_string() ? item.get<std::string>() : item.is_object() ? stringField(item, "path") : "";
        if (path.empty())
            throw Error("An attachment must be a path or an object with \"path\"");
        TmsAttItem& added = list.AddFile(findFile(path, baseDir));
        if (item.is_object() && !stringField(item, "file_name").empty()) {
            TAttEncoding encoding = added.Encoding;
            added.SetFileName(stringField(item, "file_name"));
            added.Encoding = encoding;
        }
        if (item.is_object() && !stringField(item, "content_type").empty())
            added.ContentType = stringField(item, "content_type");
    }
}

TCharSet charSetFromText(const std::string& name)
{
    std::string lower = text::lower(name);
    if (lower.empty() || lower == "us-ascii" || lower == "ascii")
        return csUSASCII;
    if (lower == "iso-8859-1" || lower == "latin1")
        return csISO8859;
    if (lower == "utf-8" || lower == "utf8")
        return csUTF8;
    throw Error("Unknown charset \"" + name + "\" (us-ascii, iso-8859-1 or utf-8)");
}

void bodyFromJson(const json& root, TmsMessage& message)
{
    if (!root.contains("body") || root["body"].is_null())
        return;
    const json& body = root["body"];
    if (body.is_string()) {
        std::string whole = body.get<std::string>();
        for (std::string_view line : text::splitLines(whole))
            message.Body.emplace_back(line);
    } else if (body.is_array()) {
        for (const json& line : body)
            message.Body.push_back(line.is_string() ? line.get<std::string>() : line.dump());
    } else {
        throw Error("JSON field \"body\" must be a text or a list of lines");
    }
}

} // namespace

json messageToJson(const TmsMessage& message)
{
    json out;
    out["sender"] = addressToJson(message.Sender);
    out["recipients"] = listToJson(message.Recipients);
    out["cc"] = listToJson(message.CC);
    out["subject"] = message.Subject.str();
    out["priority"] = message.Priority == ptLow ? "low" : message.Priority == ptHigh ? "high" : "normal";
    out["return_receipt"] = message.ReturnReceipt;
    out["charset"] = text::lower(charSetName(message.CharSet));
    out["encoding"] = message.Encoding == meUU ? "uu" : "mime";
    out["content_type"] = message.ContentType();
    std::string body;
    for (std::size_t i = 0; i < message.Body.size(); ++i)
        body += (i > 0 ? "\n" : "") + message.Body[i];
    out["body"] = body;
    out["headers"] = message.Headers;
    out["attachments"] = json::array();
    for (int i = 0; i < message.Attachments.Count(); ++i) {
        const TmsAttItem& item = message.Attachments.Items(i);
        out["attachments"].push_back({{"file_name", item.FileName.str()},
                                      {"content_type", item.ContentType.str()},
                                      {"encoding", encodingKey(item.Encoding)},
                                      {"size", item.Stream.size()},
                                      {"sha256", sha256Hex(item.Stream)}});
    }
    return out;
}

void messageFromJson(const json& root, const std::filesystem::path& baseDir, TmsMessage& message)
{
    if (root.contains("sender") && !root["sender"].is_null())
        addressFromJson(root["sender"], message.Sender);
    listFromJson(root, "recipients", message.Recipients);
    listFromJson(root, "cc", message.CC);
    listFromJson(root, "bcc", message.BCC);
    message.Subject = stringField(root, "subject");
    std::string priority = text::lower(stringField(root, "priority"));
    message.Priority = priority == "low" ? ptLow : priority == "high" ? ptHigh : ptNormal;
    message.ReturnReceipt = root.value("return_receipt", false);
    message.CharSet = charSetFromText(stringField(root, "charset"));
    message.Encoding = text::lower(stringField(root, "encoding")) == "uu" ? meUU : meMIME;
    bodyFromJson(root, message);
    if (root.contains("headers") && root["headers"].is_array()) {
        for (const json& line : root["headers"]) {
            if (line.is_string())
                message.Headers.push_back(line.get<std::string>());
        }
    }
    attachmentsFromJson(root, baseDir, message.Attachments);
}

} // namespace pelmora::mail
