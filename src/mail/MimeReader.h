#pragma once

#include "mail/TLineStream.h"
#include "mail/TmsHeaders.h"
#include "mail/TmsMessage.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::mail {

// The MIME side of the parser: walks the tree of parts in one pass over the text, decoding
// each leaf straight into the body or an attachment. Raises EMessageParserError or
// EDecodeError for what the decoder turns into a recovered message.
class MimeReader {
public:
    static constexpr int MaxDepth = 20;

    MimeReader(TLineStream& input, TmsMessage& message)
        : m_input(input)
        , m_message(message)
    {
    }

    void parse(const TmsHeaders& mainHeaders);

    // How the content of a part ended: at the end of the text, or at a delimiter line
    // (`level` is the index of its boundary, outermost 0).
    enum class StopKind { End, Delimiter, Closing };
    struct Stop {
        StopKind kind = StopKind::End;
        std::size_t level = 0;
    };

    // What a part's headers say about it.
    struct PartInfo {
        HeaderParams type;
        HeaderParams disposition;
        std::string rawType; // the Content-Type value as written
        std::string rawDisposition; // the Content-Disposition value as written
        std::string encoding; // Content-Transfer-Encoding, lower case
        bool hasType = false;
    };
    static PartInfo describe(const TmsHeaders& headers);

private:
    bool nextLine(std::string_view& line);
    bool boundaryLine(std::string_view line, Stop& stop) const;
    Stop skipLines();
    Stop readPreamble(std::string& out);
    template <typename Sink> Stop readContent(Sink& sink);
    Stop decodeContent(const PartInfo& info, std::string& out);
    bool readPartHeaders(TmsHeaders& headers, Stop& stop);

    Stop parseEntity(const TmsHeaders& headers, int depth, bool inAlternative, bool top, bool inDigest = false);
    Stop parseMultipart(const std::string& boundary, int depth, bool inAlternative, bool digest);
    Stop parseLeaf(const PartInfo& info, bool inAlternative, bool top);
    Stop readBody(const PartInfo& info);
    Stop readAttachment(const PartInfo& info, std::string name, bool inAlternative, bool htmlBody);
    void addUnstructuredPart(std::string content);
    void finishHtmlBody();

    TLineStream& m_input;
    TmsMessage& m_message;
    std::vector<std::string> m_boundaries; // "--" and the boundary, outermost first
    std::string m_pushedBack;
    std::string_view m_pushedBackEnd; // line ends are views of constant texts
    bool m_hasPushedBack = false;
    std::string_view m_lineEnd;
    bool m_bodyTaken = false;
    int m_htmlIndex = -1; // the HTML part the body is made from when there is no text part
    std::string m_htmlCharset;
};

} // namespace pelmora::mail
