#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestSupport.h"

using pelmora::test::runPelmora;
namespace fs = std::filesystem;

namespace {

const std::string Message = "From: Ann <ann@example.com>\r\nTo: Bob <bob@example.org>, c@x\r\nSubject: Hi\r\n"
                            "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                            "--b\r\nContent-Type: text/plain\r\n\r\nline 1\r\nline 2\r\n"
                            "--b\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\n"
                            "Content-Transfer-Encoding: base64\r\n\r\nYWJj\r\n--b--\r\n";

} // namespace

TEST(MimeCommands, ParsePrintsTheMessageAsJson)
{
    pelmora::test::TempDir dir;
    pelmora::test::writeFile(dir / "m.eml", Message);
    auto result = runPelmora({ "mime", "parse", (dir / "m.eml").string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["sender"], (nlohmann::json { { "name", "Ann" }, { "address", "ann@example.com" } }));
    EXPECT_EQ(json["recipients"].size(), 2u);
    EXPECT_EQ(json["subject"], "Hi");
    EXPECT_EQ(json["priority"], "normal");
    EXPECT_EQ(json["encoding"], "mime");
    EXPECT_EQ(json["content_type"], "multipart/mixed");
    EXPECT_EQ(json["body"], "line 1\nline 2");
    ASSERT_EQ(json["attachments"].size(), 1u);
    EXPECT_EQ(json["attachments"][0]["file_name"], "a.pdf");
    EXPECT_EQ(json["attachments"][0]["encoding"], "base64");
    EXPECT_EQ(json["attachments"][0]["size"], 3);
    EXPECT_EQ(json["attachments"][0]["sha256"], "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(MimeCommands, ParseReadsNestedPartsAndUuencodedFiles)
{
    fs::path data = pelmora::test::testDataDir() / "mail";
    auto mixed = runPelmora({ "mime", "parse", (data / "MixedWithAttachment.eml").string() });
    ASSERT_EQ(mixed.exitCode, 0) << mixed.err;
    nlohmann::json json = nlohmann::json::parse(mixed.out);
    EXPECT_EQ(json["subject"], "Report \xE2\x82\xAC");
    EXPECT_EQ(json["cc"][0]["name"], "J\xC3\xBCrgen");
    EXPECT_EQ(json["charset"], "iso-8859-1");
    EXPECT_EQ(json["body"].get<std::string>().substr(0, 8),
        "Gr\xC3\xBC\xC3\x9F"
        "e,");
    ASSERT_EQ(json["attachments"].size(), 3u);
    EXPECT_EQ(json["attachments"][0]["content_type"], "text/html");
    EXPECT_EQ(json["attachments"][1]["file_name"], "report.pdf");
    EXPECT_EQ(json["attachments"][1]["size"], 265);
    EXPECT_EQ(json["attachments"][2]["file_name"], "Forwarded.eml");
    auto uu = runPelmora({ "mime", "parse", (data / "Uuencoded.eml").string() });
    json = nlohmann::json::parse(uu.out);
    EXPECT_EQ(json["encoding"], "uu");
    ASSERT_EQ(json["attachments"].size(), 2u);
    EXPECT_EQ(json["attachments"][0]["size"], 12);
    EXPECT_EQ(json["attachments"][1]["file_name"], "two words.bin");
}

TEST(MimeCommands, ParseReadsAHeaderBlockWithoutEndAndRefusesAnEmptyFile)
{
    auto result = runPelmora({ "mime", "parse", (pelmora::test::testDataDir() / "mail/BrokenHeaderEnd.eml").string() });
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out)["subject"], "the header block never ends");
    pelmora::test::TempDir dir;
    pelmora::test::writeFile(dir / "empty.eml", "");
    result = runPelmora({ "mime", "parse", (dir / "empty.eml").string() });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Unable to retrieve headers\n");
    EXPECT_EQ(runPelmora({ "mime", "parse" }).exitCode, 2);
    EXPECT_EQ(runPelmora({ "mime", "parse", "/nonexistent/x.eml" }).exitCode, 1);
}

TEST(MimeCommands, ComposeWritesWhatParseReadsBack)
{
    pelmora::test::TempDir dir;
    pelmora::test::writeFile(dir / "file.bin", std::string("\0\xFF\x10", 3));
    nlohmann::json spec = { { "sender", { { "name", "Ann" }, { "address", "ann@example.com" } } },
        { "recipients", { { { "name", "Bob" }, { "address", "bob@example.org" } } } },
        { "bcc", { "hidden@example.org" } }, { "subject", "Caf\xC3\xA9" }, { "priority", "high" },
        { "charset", "utf-8" }, { "body", "one\ntwo" }, { "headers", { "X-Mailer: test" } },
        { "attachments", { "file.bin" } } };
    pelmora::test::writeFile(dir / "m.json", spec.dump());
    auto composed = runPelmora({ "mime", "compose", (dir / "m.json").string() });
    ASSERT_EQ(composed.exitCode, 0) << composed.err;
    EXPECT_EQ(composed.out.find("hidden@example.org"), std::string::npos);
    pelmora::test::writeFile(dir / "out.eml", composed.out);
    auto parsed = runPelmora({ "mime", "parse", (dir / "out.eml").string() });
    ASSERT_EQ(parsed.exitCode, 0) << parsed.err;
    nlohmann::json json = nlohmann::json::parse(parsed.out);
    EXPECT_EQ(json["subject"], "Caf\xC3\xA9");
    EXPECT_EQ(json["priority"], "high");
    EXPECT_EQ(json["body"], "one\ntwo");
    EXPECT_EQ(json["attachments"][0]["file_name"], "file.bin");
    EXPECT_EQ(json["attachments"][0]["size"], 3);
}

TEST(MimeCommands, EncodeAndDecodeRoundTripEveryCodec)
{
    std::string data = std::string("bytes \0\x01\xFE\xFF and text\n", 21) + std::string(300, '=');
    for (const char* codec : { "base64", "uu" }) {
        auto encoded = runPelmora({ "mime", "encode", codec }, data);
        ASSERT_EQ(encoded.exitCode, 0) << codec << encoded.err;
        auto decoded = runPelmora({ "mime", "decode", codec }, encoded.out);
        EXPECT_EQ(decoded.out, data) << codec;
    }
    auto qp = runPelmora({ "mime", "encode", "qp" }, "caf\xE9 = ok\r\nline 2\r\n");
    EXPECT_EQ(qp.out, "caf=E9 =3D ok\nline 2\n");
    EXPECT_EQ(runPelmora({ "mime", "decode", "qp" }, qp.out).out, "caf\xE9 = ok\r\nline 2\r\n");
    auto bad = runPelmora({ "mime", "decode", "base64" }, "YW*j");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, "Invalid Character\n");
    EXPECT_EQ(runPelmora({ "mime", "encode", "rot13" }).exitCode, 2);
}
